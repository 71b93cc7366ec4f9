#include "find_scope.h"

#include <algorithm>
#include <memory>

#include "engine/idx_lines.h"
#include "store/folder_idx.h"
#include "store/folder_walk.h"
#include "store/index_file.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium::find {
namespace {

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
  // Every mailbox with its subfolders, as a search over the whole store walks them.
  TFolderWalk walk(fs, data, MailboxRoots(fs, data));
  std::string path;
  int64_t size;
  while (walk.Next(&path, &size)) {
    std::string err;
    const std::unique_ptr<SequentialFile> file = fs->OpenSequential(path, &err);
    if (file == nullptr && !fs->FileExists(path)) continue;
    FolderLines folder{std::string(FolderIdOfIndexPath(path, data)), 0};
    if (file == nullptr || !CountIndexLines(file.get(), &folder.lines, &err)) {
      if (!on_error(path, err)) return false;
      continue;
    }
    on_folder(folder);
  }
  return true;
}

}  // namespace zeldrium::find
