#ifndef ZELDRIUM_STORE_MAILBOXES_H_
#define ZELDRIUM_STORE_MAILBOXES_H_

// The mailboxes of a data folder, and how much of the store a search reads: the search window's
// scope, of which "すべてのメールボックス" is also what zeldrium-find reads when no folder is
// named.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_system.h"
#include "store/folder_walk.h"

namespace zeldrium {

// What a search run reads of the store besides the condition's fixed folders, which it reads in
// every scope (engine/search_run.h). The values are stored in the settings file.
enum class FolderScope : int32_t {
  // The host's current folder, first, with its subfolders when the condition says so; nothing
  // when the host shows a mailbox itself.
  kCurrentFolder = 0,
  // The mailbox of the host's selection: its own index, if it has one, then every folder below
  // it.
  kCurrentMailbox = 1,
  // Every mailbox of the data folder (ListMailboxes), each as kCurrentMailbox reads one.
  kAllMailboxes = 2,
};

// The mailbox IDs of a data folder ("abcd.mb\"): each directory directly under it whose name
// ends in ".mb", ignoring case, in the order the file system lists them, links to directories
// among them. *through_link, when given, says beside each whether it is a link.
std::vector<std::string> ListMailboxes(FileSystem* fs, std::string_view data_folder,
                                       std::vector<bool>* through_link = nullptr);

// Every mailbox of the data folder as a walk's root, with all its folders.
std::vector<TFolderWalk::Root> MailboxRoots(FileSystem* fs, std::string_view data_folder);

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_MAILBOXES_H_
