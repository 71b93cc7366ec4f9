#ifndef ZELDRIUM_STORE_VISITED_DIRECTORIES_H_
#define ZELDRIUM_STORE_VISITED_DIRECTORIES_H_

// The directories a walk has entered, so that links are followed without a loop and without
// reading a folder twice: a link back up to a directory on the walk's path, or a second way to
// a directory the walk has been in, leads nowhere new.
//
// Directories are told apart by their identity (FileSystem::IdentifyDirectory), which costs a
// call to the system each. Most stores hold no link, so nothing is asked until the first link
// is met: then the identities of the directories entered so far are asked once, and from there
// on that of every directory entered.

#include <set>
#include <string>
#include <vector>

#include "store/file_system.h"

namespace zeldrium {

class TVisitedDirectories {
 public:
  // REQUIRES: fs outlives this.
  explicit TVisitedDirectories(FileSystem* fs) : fs_(fs) {}

  // True the first time the walk comes to dir (a path ending in a backslash): it is to be
  // entered. False for a directory entered before, by whatever path, and for a link whose
  // target is missing. A directory whose identity cannot be learnt is entered, as it was before
  // links were followed.
  bool Enter(const std::string& dir, bool through_link);

 private:
  FileSystem* fs_;
  bool links_met_ = false;
  std::vector<std::string> entered_;  // before the first link: their identities not asked yet
  std::set<DirectoryIdentity> identities_;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_VISITED_DIRECTORIES_H_
