#ifndef ZELDRIUM_TOOLS_STANDIN_HOST_MAIL_STORE_H_
#define ZELDRIUM_TOOLS_STANDIN_HOST_MAIL_STORE_H_

// The stand-in host's reading of a mail store on disk (layout and display-name file: see
// host_api.h). Stateless: every function takes the data folder, a code page 932 path ending in a
// backslash. IDs are code page 932 and compared as the host's file system does, ignoring the
// case of ASCII letters; every scan steps over double-byte characters, whose second byte may be
// a backslash.

#include <string>
#include <string_view>
#include <vector>

#include "tools/standin_host/host_api.h"

namespace standin {

// text with a backslash appended unless it is empty or already ends in one of its own.
std::string WithSeparator(std::string_view text);
// The mailbox ID ("Main.mb\") of a folder ID.
std::string MailBoxOf(std::string_view folder_id);
bool SameFolderId(std::string_view a, std::string_view b);
// A relative path that stays below the data folder: no "..", no drive, no leading backslash.
bool IsSafeRelative(std::string_view id);
// Splits folder ID + "?" + key. False when there is no "?" or nothing before it.
bool SplitMailId(std::string_view mail_id, std::string* folder_id, std::string* key);

// The whole of a file, read while others may read and write it; false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string* out);

bool FolderDirectoryExists(std::string_view data_folder, std::string_view folder_id);
// The mails of a folder's Folder.idx in index order; lines without a key or a hexadecimal date
// are left out. Empty when the index cannot be read.
std::vector<MailEntry> ReadMails(std::string_view data_folder, std::string_view folder_id);
bool FindMail(std::string_view data_folder, std::string_view mail_id, MailEntry* found);
std::string DisplayNameOf(std::string_view data_folder, std::string_view folder_id);
std::vector<FolderEntry> ListStoreFolders(std::string_view data_folder);

}  // namespace standin

#endif  // ZELDRIUM_TOOLS_STANDIN_HOST_MAIL_STORE_H_
