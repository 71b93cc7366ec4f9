#include "store/subfolder_rule.h"

#include "gtest/gtest.h"

namespace zeldrium {
namespace {

TEST(SubfolderRuleTest, OnlyLinksAndHiddenOrSystemFoldersAreLeftOut) {
  constexpr uint32_t kDir = kAttributeDirectory;
  constexpr uint32_t kReparse = kAttributeDirectory | kAttributeReparsePoint;
  const struct {
    const char* what;
    uint32_t attributes;
    uint32_t tag;
    bool walked;
  } kCases[] = {
      {"plain folder", kDir, 0, true},
      {"read-only, archived folder", kDir | 0x1 | 0x20, 0, true},
      {"a tag without the reparse attribute means nothing", kDir, kReparseTagSymlink, true},
      {"file", 0x20, 0, false},
      {"hidden folder", kDir | kAttributeHidden, 0, false},
      {"system folder", kDir | kAttributeSystem, 0, false},
      {"directory junction", kReparse, kReparseTagMountPoint, false},
      {"directory symbolic link", kReparse, kReparseTagSymlink, false},
      {"WSL symbolic link (a name surrogate)", kReparse, 0xA000001D, false},
      {"reparse point without a tag given", kReparse, 0, false},
      {"OneDrive placeholder (cloud files)", kReparse | 0x400000, 0x9000001A, true},
      {"cloud files, another provider", kReparse, 0x9000701A, true},
      {"OneDrive folder", kReparse, 0x80000021, true},
      {"deduplicated", kReparse, 0x80000013, true},
      {"projected file system", kReparse, 0x9000001C, true},
      {"hidden placeholder", kReparse | kAttributeHidden, 0x9000001A, false},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(IsWalkedSubfolder(c.attributes, c.tag), c.walked) << c.what;
  }
}

}  // namespace
}  // namespace zeldrium
