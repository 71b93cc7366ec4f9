#ifndef ZELDRIUM_TOOLS_FIND_FIND_CONDITION_H_
#define ZELDRIUM_TOOLS_FIND_FIND_CONDITION_H_

// Turns the parsed command line into what a search run takes: the condition (a quick search, a
// saved condition's one-line form, or a condition picked by name from a settings file) with the
// folders and flags the command line adds, and the host's current folder.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "find_options.h"
#include "query/find_class.h"
#include "settings/settings_io.h"

namespace zeldrium::find {

// Reads through to another SettingsIO and refuses every write. The settings object saves when
// it is destroyed; a search must never rewrite the user's settings file.
class ReadOnlySettingsIO : public SettingsIO {
 public:
  // REQUIRES: inner outlives this object.
  explicit ReadOnlySettingsIO(SettingsIO& inner) : inner_(inner) {}

  SettingsReadResult ReadFile(const std::string& path, std::string* contents,
                              std::string* err) override;
  std::unique_ptr<SettingsTempFile> CreateTemp(const std::string& path, std::string* err) override;

  // What the last ReadFile gave.
  SettingsReadResult LastResult() const { return last_result_; }
  const std::string& LastError() const { return last_error_; }
  int WritesRefused() const { return writes_refused_; }

 private:
  SettingsIO& inner_;
  SettingsReadResult last_result_ = SettingsReadResult::kMissing;
  std::string last_error_;
  int writes_refused_ = 0;
};

// The folder comma list folders_csv with the IDs of extra appended, each ending in a backslash,
// except those the list holds already (compared ignoring case, with or without the trailing
// backslash). "/" in an extra ID is taken for "\", as a Linux user would type it.
std::string MergeFolders(std::string_view folders_csv, const std::vector<std::string>& extra);

struct SearchRequest {
  TFindRec condition;
  std::string current_folder;  // code page 932; empty for none
};

enum class BuildStatus {
  kOk,
  kUsageError,  // what the user asked for does not exist or makes no condition
  kError,       // the settings file is there but could not be read
};

// REQUIRES: options come from a successful ParseArgs. settings_io reads the --ini file; it is
// never written. *err is one line, in the encoding of the arguments.
BuildStatus BuildRequest(const FindOptions& options, SettingsIO& settings_io, SearchRequest* out,
                         std::string* err);

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_FIND_CONDITION_H_
