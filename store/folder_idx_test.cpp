#include "store/folder_idx.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "text/str_libs.h"

namespace zeldrium {
namespace {

TEST(FolderIdTest, FromIndexPath) {
  struct Case {
    std::string path, data_folder, want;
  } cases[] = {
      {"C:\\Data\\box.mb\\Inbox\\Folder.idx", "C:\\Data\\", "box.mb\\Inbox\\"},
      {"C:\\Data\\Folder.idx", "C:\\Data\\", ""},
      // The 0x5c of ソ is no separator: the directory part ends after "box".
      {"C:\\D\\box\\\x83\x5c"
       "Folder.idx",
       "C:\\D\\", "box\\"},
      {"C:\\D\\\x83\x5c\\Folder.idx", "C:\\D\\", "\x83\x5c\\"},
      // No check that the path starts with the data folder: its length is cut, nothing else.
      {"X:\\Other\\box\\Folder.idx", "C:\\Datax\\", "box\\"},
      {"C:\\Folder.idx", "C:\\Data\\", ""},
      {"Folder.idx", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderIdOfIndexPath(c.path, c.data_folder), c.want) << c.path;
  }
  EXPECT_EQ(MakeMailID("box.mb\\Inbox\\", "00A1"), "box.mb\\Inbox\\?00A1");
}

TEST(FolderIdTest, EndsWithBackslash) {
  EXPECT_TRUE(EndsWithBackslash("a\\"));
  EXPECT_TRUE(EndsWithBackslash("\x83\x5c\\"));
  EXPECT_FALSE(EndsWithBackslash("\x83\x5c"));  // ソ
  EXPECT_FALSE(EndsWithBackslash(""));
  EXPECT_FALSE(EndsWithBackslash("a"));
}

}  // namespace
}  // namespace zeldrium
