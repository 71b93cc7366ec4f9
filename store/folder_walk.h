#ifndef ZELDRIUM_STORE_FOLDER_WALK_H_
#define ZELDRIUM_STORE_FOLDER_WALK_H_

// The index files of a list of folders, in the order a recursive walk would read them: each
// listed folder's own index, then, when asked for that folder, its subfolders depth first in the
// order the file system lists them. A directory without an index is no mail folder, and nothing
// below it is walked. Kept on an explicit stack: a deep store must not exhaust the thread's stack,
// which in the host is the host's own.
//
// Each directory walked is listed once, and that listing says both whether its index is there
// and what its subdirectories are: a folder costs the system one listing, and its index no
// existence test.
//
// Links to directories are walked like directories (a mailbox moved to another drive and linked
// back holds real mail); a directory the walk has been in, by whatever path, is not entered
// again, so a link back up the tree ends there and every folder is found once
// (store/visited_directories.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/file_system.h"
#include "store/visited_directories.h"

namespace zeldrium {

class TFolderWalk {
 public:
  struct Root {
    std::string id;  // a folder ID, ending in a backslash (WithBackslash)
    bool subfolders = false;
    bool through_link = false;  // as its parent's listing marked it
  };

  // data_folder ends in a backslash. REQUIRES: fs outlives the walk.
  TFolderWalk(FileSystem* fs, std::string data_folder, std::vector<Root> roots);

  // The next index file's path, and its size as the listing gave it (else -1); false when the
  // walk is done. A listed folder's index is given without a look at the disk when its
  // subfolders are not walked: whoever opens it learns then whether it is there. Every other
  // one was named by its folder's listing.
  bool Next(std::string* path, int64_t* size);

 private:
  struct Frame {
    std::string dir;  // ends in a backslash
    std::vector<std::string> names;
    std::vector<bool> is_link;  // beside each name
    size_t next = 0;
  };

  FileSystem* fs_;
  std::string data_folder_;
  std::vector<Root> roots_;
  size_t next_root_ = 0;
  std::vector<Frame> stack_;
  TVisitedDirectories visited_;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_FOLDER_WALK_H_
