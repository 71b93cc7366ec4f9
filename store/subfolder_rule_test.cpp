#include "store/subfolder_rule.h"

#include "gtest/gtest.h"

namespace zeldrium {
namespace {

TEST(SubfolderRuleTest, HiddenOrSystemFoldersAreLeftOutAndLinksToldApart) {
  constexpr uint32_t kDir = kAttributeDirectory;
  constexpr uint32_t kReparse = kAttributeDirectory | kAttributeReparsePoint;
  const struct {
    const char* what;
    uint32_t attributes;
    uint32_t tag;
    SubfolderKind kind;
  } kCases[] = {
      {"plain folder", kDir, 0, SubfolderKind::kFolder},
      {"read-only, archived folder", kDir | 0x1 | 0x20, 0, SubfolderKind::kFolder},
      {"a tag without the reparse attribute means nothing", kDir, kReparseTagSymlink,
       SubfolderKind::kFolder},
      {"file", 0x20, 0, SubfolderKind::kLeftOut},
      {"hidden folder", kDir | kAttributeHidden, 0, SubfolderKind::kLeftOut},
      {"system folder", kDir | kAttributeSystem, 0, SubfolderKind::kLeftOut},
      {"directory junction", kReparse, kReparseTagMountPoint, SubfolderKind::kLink},
      {"directory symbolic link", kReparse, kReparseTagSymlink, SubfolderKind::kLink},
      {"WSL symbolic link (a name surrogate)", kReparse, 0xA000001D, SubfolderKind::kLink},
      {"reparse point without a tag given", kReparse, 0, SubfolderKind::kLink},
      {"OneDrive placeholder (cloud files)", kReparse | 0x400000, 0x9000001A,
       SubfolderKind::kFolder},
      {"cloud files, another provider", kReparse, 0x9000701A, SubfolderKind::kFolder},
      {"OneDrive folder", kReparse, 0x80000021, SubfolderKind::kFolder},
      {"deduplicated", kReparse, 0x80000013, SubfolderKind::kFolder},
      {"projected file system", kReparse, 0x9000001C, SubfolderKind::kFolder},
      {"hidden placeholder", kReparse | kAttributeHidden, 0x9000001A, SubfolderKind::kLeftOut},
      {"hidden junction", kReparse | kAttributeHidden, kReparseTagMountPoint,
       SubfolderKind::kLeftOut},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ClassifySubfolder(c.attributes, c.tag), c.kind) << c.what;
  }
}

}  // namespace
}  // namespace zeldrium
