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

std::vector<std::string> ListMailboxes(FileSystem* fs, std::string_view data_folder,
                                       std::vector<bool>* through_link) {
  FolderListing listing;
  fs->ListFolder(WithBackslash(data_folder), &listing);
  std::vector<std::string> ids;
  if (through_link) through_link->clear();
  for (size_t i = 0; i < listing.subdirectories.size(); ++i) {
    if (!IsMailboxName(listing.subdirectories[i])) continue;
    ids.push_back(listing.subdirectories[i] + '\\');
    if (through_link) through_link->push_back(i < listing.is_link.size() && listing.is_link[i]);
  }
  return ids;
}

std::vector<TFolderWalk::Root> MailboxRoots(FileSystem* fs, std::string_view data_folder) {
  std::vector<bool> links;
  std::vector<std::string> ids = ListMailboxes(fs, data_folder, &links);
  std::vector<TFolderWalk::Root> roots;
  for (size_t i = 0; i < ids.size(); ++i) roots.push_back({std::move(ids[i]), true, links[i]});
  return roots;
}

}  // namespace zeldrium
