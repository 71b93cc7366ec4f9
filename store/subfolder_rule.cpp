#include "store/subfolder_rule.h"

namespace zeldrium {
namespace {

// Set in the tags of reparse points that stand for another named entity: links of any kind.
constexpr uint32_t kNameSurrogate = 0x20000000;

}  // namespace

SubfolderKind ClassifySubfolder(uint32_t attributes, uint32_t reparse_tag) {
  if ((attributes & kAttributeDirectory) == 0) return SubfolderKind::kLeftOut;
  if ((attributes & (kAttributeHidden | kAttributeSystem)) != 0) return SubfolderKind::kLeftOut;
  if ((attributes & kAttributeReparsePoint) == 0) return SubfolderKind::kFolder;
  if (reparse_tag == 0 || reparse_tag == kReparseTagMountPoint ||
      reparse_tag == kReparseTagSymlink || (reparse_tag & kNameSurrogate) != 0) {
    return SubfolderKind::kLink;
  }
  return SubfolderKind::kFolder;
}

}  // namespace zeldrium
