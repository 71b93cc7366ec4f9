#include "find_condition.h"

#include <algorithm>

#include "console.h"
#include "settings/ini_params.h"
#include "store/folder_idx.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium::find {
namespace {

// '/' is never the second byte of a double-byte character, so a plain replacement is safe.
std::string WithBackslashes(std::string_view id) {
  std::string s(id);
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

// Folder IDs are compared ignoring case, with or without their trailing backslash.
std::string FolderKey(std::string_view id) { return UpperCase(WithBackslash(id)); }

bool Convert(std::string_view option, std::string_view arg, bool raw, std::string* out,
             std::string* err) {
  if (TextArgToCp932(arg, raw, out, err)) return true;
  *err = std::string(option) + " '" + std::string(arg) + "' " + *err;
  return false;
}

constexpr const char* kQuickOptions[] = {"--from", "--to", "--subject", "--from-to"};

}  // namespace

SettingsReadResult ReadOnlySettingsIO::ReadFile(const std::string& path, std::string* contents,
                                                std::string* err) {
  last_result_ = inner_.ReadFile(path, contents, err);
  last_error_ = last_result_ == SettingsReadResult::kError ? *err : std::string();
  return last_result_;
}

std::unique_ptr<SettingsTempFile> ReadOnlySettingsIO::CreateTemp(const std::string& path,
                                                                 std::string* err) {
  ++writes_refused_;
  *err = "the settings file is only read here";
  return nullptr;
}

std::string MergeFolders(std::string_view folders_csv, const std::vector<std::string>& extra) {
  std::vector<std::string> items = ReadCommaList(folders_csv);
  std::vector<std::string> keys;
  for (const std::string& item : items) {
    if (!item.empty()) keys.push_back(FolderKey(item));
  }
  bool added = false;
  for (const std::string& raw_id : extra) {
    std::string id = WithBackslash(WithBackslashes(raw_id));
    std::string key = FolderKey(id);
    if (std::find(keys.begin(), keys.end(), key) != keys.end()) continue;
    keys.push_back(std::move(key));
    items.push_back(std::move(id));
    added = true;
  }
  // Untouched unless something was added: the condition's own text stays byte for byte.
  return added ? WriteCommaList(items) : std::string(folders_csv);
}

BuildStatus BuildRequest(const FindOptions& options, SettingsIO& settings_io, SearchRequest* out,
                         std::string* err) {
  const bool raw = options.raw;
  TFindRec rec;
  if (options.quick_target >= 0) {
    const char* option = kQuickOptions[options.quick_target];
    std::string text;
    if (!Convert(option, options.quick_text, raw, &text, err)) return BuildStatus::kUsageError;
    // Blanks alone could never match, and the condition would have no name.
    if (Trim(text).empty()) {
      *err = std::string(option) + ": the search text is empty";
      return BuildStatus::kUsageError;
    }
    TFindClass list;
    list.AddQuickSearch(options.quick_target, text, options.subfolders, options.case_sensitive,
                        options.all_words);
    rec = list.GetRec(0);
  } else if (options.has_cond) {
    std::string csv;
    if (!Convert("--cond", options.cond, raw, &csv, err)) return BuildStatus::kUsageError;
    if (!CsvToRec(csv, &rec)) {
      *err =
          "--cond: not a saved condition: it needs a name (field 1) and a row in use (a target "
          "of 0 to 3 in field 5, 10, 15, 20 or 25)";
      return BuildStatus::kUsageError;
    }
  } else {
    std::string name;
    if (!Convert("--tab", options.tab, raw, &name, err)) return BuildStatus::kUsageError;
    ReadOnlySettingsIO io(settings_io);
    TInitParam params(nullptr, io);
    params.Load(options.ini);
    switch (io.LastResult()) {
      case SettingsReadResult::kMissing:
        *err = "--ini: there is no settings file '" + options.ini + "'";
        return BuildStatus::kUsageError;
      case SettingsReadResult::kError:
        *err = "cannot read the settings file '" + options.ini + "': " + io.LastError();
        return BuildStatus::kError;
      case SettingsReadResult::kRead:
        break;
    }
    const int index = params.FindList.IndexOfName(name);
    if (index < 0) {
      *err = "--tab: the settings file '" + options.ini + "' has no saved condition named '" +
             options.tab + "' (names are compared exactly, letter case included)";
      return BuildStatus::kUsageError;
    }
    rec = params.FindList.GetRec(index);
  }

  std::vector<std::string> folders;
  for (const std::string& f : options.folders) {
    std::string id;
    if (!Convert("--folder", f, raw, &id, err)) return BuildStatus::kUsageError;
    folders.push_back(std::move(id));
  }
  rec.Folders = MergeFolders(rec.Folders, folders);
  if (options.subfolders) rec.SubFolder = true;

  out->current_folder.clear();
  if (options.has_current) {
    std::string id;
    if (!Convert("--current", options.current, raw, &id, err)) return BuildStatus::kUsageError;
    out->current_folder = WithBackslashes(id);
  }
  out->condition = std::move(rec);
  return BuildStatus::kOk;
}

}  // namespace zeldrium::find
