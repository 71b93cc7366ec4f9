#include "store/visited_directories.h"

namespace zeldrium {

bool TVisitedDirectories::Enter(const std::string& dir, bool through_link) {
  if (through_link && !links_met_) {
    links_met_ = true;
    DirectoryIdentity id;
    for (const std::string& earlier : entered_) {
      if (fs_->IdentifyDirectory(earlier, &id)) identities_.insert(id);
    }
    std::vector<std::string>().swap(entered_);
  }
  if (!links_met_) {
    entered_.push_back(dir);
    return true;
  }
  DirectoryIdentity id;
  if (!fs_->IdentifyDirectory(dir, &id)) return !through_link;
  return identities_.insert(id).second;
}

}  // namespace zeldrium
