#include "store/folder_walk.h"

#include <utility>

#include "store/folder_idx.h"

namespace zeldrium {

TFolderWalk::TFolderWalk(FileSystem* fs, std::string data_folder, std::vector<std::string> folders,
                         bool subfolders)
    : fs_(fs),
      data_folder_(std::move(data_folder)),
      folders_(std::move(folders)),
      subfolders_(subfolders) {}

bool TFolderWalk::Next(std::string* path, int64_t* size) {
  FolderListing listing;
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
      fs_->ListFolder(sub, &listing);
      if (!listing.has_index) continue;
      *path = sub + std::string(kIndexName);
      *size = listing.index_size;
      stack_.push_back({std::move(sub), std::move(listing.subdirectories)});
      return true;
    }
    if (next_folder_ == folders_.size()) return false;
    std::string dir = data_folder_ + folders_[next_folder_++];
    *path = dir + std::string(kIndexName);
    *size = -1;
    if (!subfolders_) return true;
    fs_->ListFolder(dir, &listing);
    *size = listing.index_size;
    stack_.push_back({std::move(dir), std::move(listing.subdirectories)});
    if (listing.has_index) return true;
  }
}

}  // namespace zeldrium
