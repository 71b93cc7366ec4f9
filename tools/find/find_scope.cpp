#include "find_scope.h"

#include <algorithm>
#include <memory>

#include "engine/idx_lines.h"
#include "store/folder_idx.h"
#include "store/index_file.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium::find {
namespace {

constexpr std::string_view kIndexName = "Folder.idx";

std::string WithBackslash(std::string_view dir) {
  std::string s(dir);
  if (!s.empty() && !EndsWithBackslash(s) && s.back() != '/') s += '\\';
  return s;
}

// ".mb" at the end, ignoring case; a double-byte character's second byte is never 'b' read as
// one: ".mb" is three single bytes only when the byte before them ends a character.
bool IsMailboxName(std::string_view name) {
  if (name.size() < 4) return false;
  size_t i = 0;
  while (i < name.size() - 3) i += IsLeadByte(static_cast<unsigned char>(name[i])) ? 2 : 1;
  return i == name.size() - 3 && UpperCase(name.substr(i)) == ".MB";
}

// The lines of an index file that hold a date field; false with *err on a read error.
bool CountIndexLines(SequentialFile* file, uint64_t* lines, std::string* err) {
  TIndexFileReader reader(file);
  TIdxLineScanner scanner;
  TFolderIdx rec;
  IdxLine kind;
  std::string ignored;
  *lines = 0;
  for (;;) {
    std::string_view window;
    bool last = false;
    if (!reader.NextWindow(&window, &last, err)) return false;
    scanner.Reset(window, last);
    while (scanner.Next(&kind, &rec, &ignored)) {
      if (kind != IdxLine::kSkip) ++*lines;
    }
    if (last) return true;
  }
}

}  // namespace

std::vector<std::string> ListMailboxes(FileSystem* fs, std::string_view data_folder) {
  std::vector<std::string> ids;
  for (std::string& name : fs->ListSubdirectories(data_folder)) {
    if (IsMailboxName(name)) ids.push_back(name + '\\');
  }
  return ids;
}

std::vector<std::string> MissingFolders(FileSystem* fs, std::string_view data_folder,
                                        std::string_view folders_csv,
                                        std::string_view current_folder, size_t* named) {
  std::vector<std::string> ids = ReadCommaList(folders_csv);
  if (!current_folder.empty()) ids.insert(ids.begin(), std::string(current_folder));
  const std::string data = WithBackslash(data_folder);
  std::vector<std::string> missing;
  std::vector<std::string> seen;
  for (const std::string& id : ids) {
    if (id.empty()) continue;
    std::string key = UpperCase(WithBackslash(id));
    if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
    seen.push_back(std::move(key));
    if (!fs->DirectoryExists(data + id)) missing.push_back(id);
  }
  *named = seen.size();
  return missing;
}

bool ListFolders(
    FileSystem* fs, std::string_view data_folder,
    const std::function<void(const FolderLines&)>& on_folder,
    const std::function<bool(std::string_view path, std::string_view message)>& on_error) {
  const std::string data = WithBackslash(data_folder);
  struct Frame {
    std::string id;  // ends in a backslash
    std::vector<std::string> names;
    size_t next = 0;
  };
  // Visits one folder: lists its index if it has one; false ends the listing.
  auto visit = [&](const std::string& id, bool known_to_exist) {
    const std::string path = data + id + std::string(kIndexName);
    if (!known_to_exist && !fs->FileExists(path)) return true;
    std::string err;
    const std::unique_ptr<SequentialFile> file = fs->OpenSequential(path, &err);
    FolderLines folder{id, 0};
    if (file == nullptr || !CountIndexLines(file.get(), &folder.lines, &err)) {
      return on_error(path, err);
    }
    on_folder(folder);
    return true;
  };
  // An explicit stack, as the search's own walk keeps: a deep store needs no deep call stack.
  for (const std::string& mailbox : ListMailboxes(fs, data)) {
    if (!visit(mailbox, false)) return false;
    std::vector<Frame> stack;
    stack.push_back({mailbox, fs->ListSubdirectories(data + mailbox)});
    while (!stack.empty()) {
      Frame& top = stack.back();
      if (top.next == top.names.size()) {
        stack.pop_back();
        continue;
      }
      std::string id = top.id + top.names[top.next++] + '\\';
      // A directory without an index is no folder, and nothing below it is searched.
      if (!fs->FileExists(data + id + std::string(kIndexName))) continue;
      if (!visit(id, true)) return false;
      std::vector<std::string> names = fs->ListSubdirectories(data + id);
      stack.push_back({std::move(id), std::move(names)});
    }
  }
  return true;
}

}  // namespace zeldrium::find
