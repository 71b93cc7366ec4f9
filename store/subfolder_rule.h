#ifndef ZELDRIUM_STORE_SUBFOLDER_RULE_H_
#define ZELDRIUM_STORE_SUBFOLDER_RULE_H_

// Which directory entries of a Windows listing the subfolder walk enters, decided on the
// entry's attributes and, for a reparse point, its reparse tag (as FindFirstFileEx reports them:
// WIN32_FIND_DATA's dwFileAttributes and dwReserved0). Kept apart from the listing so that the
// rule is tested on every platform.
//
// Hidden and system directories are left out. Every other directory is entered, links too: a
// mailbox moved to another drive and linked back (a directory junction, a symbolic link, a mount
// point, any tag marked as naming another place, a "name surrogate") holds real mail. A link is
// told apart so that the walk can cut a loop it makes (store/visited_directories.h). A reparse
// point whose tag the listing did not give is taken for a link; every other reparse point (a
// cloud service's placeholders, a deduplicated or compressed folder) is an ordinary folder.

#include <cstdint>

namespace zeldrium {

// The values Windows gives them.
inline constexpr uint32_t kAttributeHidden = 0x2;
inline constexpr uint32_t kAttributeSystem = 0x4;
inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeReparsePoint = 0x400;
inline constexpr uint32_t kReparseTagMountPoint = 0xA0000003;
inline constexpr uint32_t kReparseTagSymlink = 0xA000000C;

enum class SubfolderKind { kLeftOut, kFolder, kLink };

SubfolderKind ClassifySubfolder(uint32_t attributes, uint32_t reparse_tag);

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_SUBFOLDER_RULE_H_
