#ifndef ZELDRIUM_STORE_FOLDER_IDX_H_
#define ZELDRIUM_STORE_FOLDER_IDX_H_

// One line of a folder's Folder.idx, and the identifiers the host uses for folders and mails.
// Index lines are fields separated by 0x01; the search reads the first nine:
//   2 message key, 4 Subject, 5 From, 6 To, 7 spare, 9 date (Unix seconds UTC, hexadecimal).

#include <cstdint>
#include <string>
#include <string_view>

namespace zeldrium {

// One line of a folder's Folder.idx as the search tests it.
// The views point into the line buffer of the reader and are valid only until the next line is
// read: a hit copies what it keeps. The mail ID (folder ID + "?" + MessageKey) is formed only for
// hits, so a tested line costs no allocation.
struct TFolderIdx {
  std::string_view From;        // field 5
  std::string_view To;          // field 6
  std::string_view Subject;     // field 4
  std::string_view MessageKey;  // field 2
  std::string_view Extra;       // field 7, never tested or shown
  int32_t Date = 0;             // field 9 + 32400: local time (UTC+9) in Unix seconds
};

// The index dates are UTC; the host's users are taken to live at UTC+9, whatever the machine's
// own time zone says.
inline constexpr int32_t kIdxDateShift = 32400;

enum class IdxLine {
  kRecord,    // *rec is filled
  kSkip,      // field 9 is empty: a blank or short line, not an error
  kError,     // field 9 is not a hexadecimal number of at most 64 bits; *err says so
  kDateOnly,  // a line the prefilter passed over (TIdxLineScanner): only Date is set
};

// The folder ID of an index file: the directory part of its path (up to and including the last
// backslash) without as many leading bytes as data_folder has. Like the host, it does not check
// that the path really starts with data_folder.
std::string_view FolderIdOfIndexPath(std::string_view index_path, std::string_view data_folder);

// What the host's BKA_SetCurrentMail accepts: folder ID + "?" + message key.
std::string MakeMailID(std::string_view folder_id, std::string_view message_key);

// dir with a backslash at its end, unless it has one (or a "/", as a data folder on Linux may)
// or is empty. Folder IDs and the data folder end in one; an ID typed without it would otherwise
// name "...\InboxFolder.idx" and a walk of "...\Inbox*".
std::string WithBackslash(std::string_view dir);

// The name of a folder's index file.
inline constexpr std::string_view kIndexName = "Folder.idx";

// True when text ends with a backslash that is a character of its own, not the second byte of
// a double-byte character such as "\x83\x5c" (ソ).
bool EndsWithBackslash(std::string_view text);

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_FOLDER_IDX_H_
