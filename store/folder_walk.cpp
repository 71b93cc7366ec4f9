#include "store/folder_walk.h"

#include <utility>

#include "store/folder_idx.h"

namespace zeldrium {

TFolderWalk::TFolderWalk(FileSystem* fs, std::string data_folder, std::vector<Root> roots)
    : fs_(fs), data_folder_(std::move(data_folder)), roots_(std::move(roots)) {}

TFolderWalk::TFolderWalk(FileSystem* fs, std::string data_folder,
                         const std::vector<std::string>& folders, bool subfolders)
    : fs_(fs), data_folder_(std::move(data_folder)) {
  for (const std::string& id : folders) roots_.push_back({id, subfolders});
}

bool TFolderWalk::Next(std::string* path, bool* known_to_exist) {
  for (;;) {
    if (!stack_.empty()) {
      Frame& top = stack_.back();
      if (top.next == top.names.size()) {
        stack_.pop_back();
        continue;
      }
      const std::string& name = top.names[top.next++];
      if (name.empty() || name == "." || name == "..") continue;
      std::string sub = top.dir + name + '\\';
      std::string index = sub + std::string(kIndexName);
      if (!fs_->FileExists(index)) continue;
      std::vector<std::string> names = fs_->ListSubdirectories(sub);
      stack_.push_back({std::move(sub), std::move(names)});
      *path = std::move(index);
      *known_to_exist = true;
      return true;
    }
    if (next_root_ == roots_.size()) return false;
    const Root& root = roots_[next_root_++];
    const std::string dir = data_folder_ + root.id;
    if (root.subfolders) stack_.push_back({dir, fs_->ListSubdirectories(dir)});
    *path = dir + std::string(kIndexName);
    *known_to_exist = false;
    return true;
  }
}

}  // namespace zeldrium
