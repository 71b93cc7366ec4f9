#ifndef ZELDRIUM_STORE_SUBFOLDER_RULE_H_
#define ZELDRIUM_STORE_SUBFOLDER_RULE_H_

// Which directory entries of a Windows listing the subfolder walk enters, decided on the
// entry's attributes and, for a reparse point, its reparse tag (as FindFirstFileEx reports them:
// WIN32_FIND_DATA's dwFileAttributes and dwReserved0). Kept apart from the listing so that the
// rule is tested on every platform.
//
// Hidden and system directories are left out. Of the reparse points only links are: directory
// junctions and symbolic links (IO_REPARSE_TAG_MOUNT_POINT, IO_REPARSE_TAG_SYMLINK, and any other
// tag marked as naming another place, a "name surrogate"), since a link back up the tree would
// make the walk endless. Every other reparse point is an ordinary folder: a mail store under a
// folder that a cloud service keeps as placeholders, deduplicated or compressed by the system,
// must be searched. A reparse point whose tag the listing did not give is taken for a link.

#include <cstdint>

namespace zeldrium {

// The values Windows gives them.
inline constexpr uint32_t kAttributeHidden = 0x2;
inline constexpr uint32_t kAttributeSystem = 0x4;
inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeReparsePoint = 0x400;
inline constexpr uint32_t kReparseTagMountPoint = 0xA0000003;
inline constexpr uint32_t kReparseTagSymlink = 0xA000000C;

bool IsWalkedSubfolder(uint32_t attributes, uint32_t reparse_tag);

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_SUBFOLDER_RULE_H_
