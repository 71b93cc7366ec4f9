#include "store/subfolder_rule.h"

namespace zeldrium {
namespace {

// Set in the tags of reparse points that stand for another named entity: links of any kind.
constexpr uint32_t kNameSurrogate = 0x20000000;

}  // namespace

bool IsWalkedSubfolder(uint32_t attributes, uint32_t reparse_tag) {
  if ((attributes & kAttributeDirectory) == 0) return false;
  if ((attributes & (kAttributeHidden | kAttributeSystem)) != 0) return false;
  if ((attributes & kAttributeReparsePoint) == 0) return true;
  if (reparse_tag == 0) return false;
  if (reparse_tag == kReparseTagMountPoint || reparse_tag == kReparseTagSymlink) return false;
  return (reparse_tag & kNameSurrogate) == 0;
}

}  // namespace zeldrium
