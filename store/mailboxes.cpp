#include "store/mailboxes.h"

#include "store/folder_idx.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium {
namespace {

// ".mb" at the end, ignoring case; a double-byte character's second byte is never 'b' read as
// one: ".mb" is three single bytes only when the byte before them ends a character.
bool IsMailboxName(std::string_view name) {
  if (name.size() < 4) return false;
  size_t i = 0;
  while (i < name.size() - 3) i += IsLeadByte(static_cast<unsigned char>(name[i])) ? 2 : 1;
  return i == name.size() - 3 && UpperCase(name.substr(i)) == ".MB";
}

}  // namespace

std::vector<std::string> ListMailboxes(FileSystem* fs, std::string_view data_folder) {
  std::vector<std::string> ids;
  for (std::string& name : fs->ListSubdirectories(WithBackslash(data_folder))) {
    if (IsMailboxName(name)) ids.push_back(name + '\\');
  }
  return ids;
}

}  // namespace zeldrium
