#ifndef ZELDRIUM_TOOLS_FIND_FIND_SCOPE_H_
#define ZELDRIUM_TOOLS_FIND_FIND_SCOPE_H_

// Which folders named to zeldrium-find are not there, and the folders of a store with their
// number of index lines (--list-folders). The whole store, searched when no folder is named, is
// the core's (store/mailboxes.h, FolderScope::kAllMailboxes). Paths and IDs are code page 932,
// as the core takes them.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_system.h"
#include "store/mailboxes.h"

namespace zeldrium::find {

// The IDs of folders (a comma list and a current folder, as a run takes them) whose directory
// does not exist under data_folder, each once, in the order given; *named counts the folders
// named, each once.
std::vector<std::string> MissingFolders(FileSystem* fs, std::string_view data_folder,
                                        std::string_view folders_csv,
                                        std::string_view current_folder, size_t* named);

struct FolderLines {
  std::string id;      // the folder ID, "abcd.mb\Inbox\"
  uint64_t lines = 0;  // lines of its index with a date field: one per mail
};

// Called for every folder of the store that holds an index, in the order a search of the whole
// store reads them: each mailbox's own index, then its folders depth first. A folder whose index
// cannot be read is not listed; on_error gets the index's path and the system's words and says
// whether to go on. Returns false when an error ended the listing.
bool ListFolders(
    FileSystem* fs, std::string_view data_folder,
    const std::function<void(const FolderLines&)>& on_folder,
    const std::function<bool(std::string_view path, std::string_view message)>& on_error);

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_FIND_SCOPE_H_
