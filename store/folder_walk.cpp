#include "store/folder_walk.h"

#include <utility>

#include "store/folder_idx.h"

namespace zeldrium {

TFolderWalk::TFolderWalk(FileSystem* fs, std::string data_folder, std::vector<Root> roots)
    : fs_(fs), data_folder_(std::move(data_folder)), roots_(std::move(roots)), visited_(fs) {}

bool TFolderWalk::Next(std::string* path, int64_t* size) {
  FolderListing listing;
  for (;;) {
    if (!stack_.empty()) {
      Frame& top = stack_.back();
      if (top.next == top.names.size()) {
        stack_.pop_back();
        continue;
      }
      const size_t at = top.next++;
      const std::string& name = top.names[at];
      if (name.empty() || name == "." || name == "..") continue;
      std::string sub = top.dir + name + '\\';
      const bool through_link = at < top.is_link.size() && top.is_link[at];
      if (!visited_.Enter(sub, through_link)) continue;
      fs_->ListFolder(sub, &listing);
      if (!listing.has_index) continue;
      *path = sub + std::string(kIndexName);
      *size = listing.index_size;
      stack_.push_back(
          {std::move(sub), std::move(listing.subdirectories), std::move(listing.is_link)});
      return true;
    }
    if (next_root_ == roots_.size()) return false;
    const Root& root = roots_[next_root_++];
    std::string dir = data_folder_ + root.id;
    if (!visited_.Enter(dir, root.through_link)) continue;
    *path = dir + std::string(kIndexName);
    *size = -1;
    if (!root.subfolders) return true;
    fs_->ListFolder(dir, &listing);
    *size = listing.index_size;
    stack_.push_back(
        {std::move(dir), std::move(listing.subdirectories), std::move(listing.is_link)});
    if (listing.has_index) return true;
  }
}

}  // namespace zeldrium
