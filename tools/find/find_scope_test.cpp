#include "find_scope.h"

#include "gtest/gtest.h"
#include "testsupport/index_line.h"
#include "testsupport/memory_file_system.h"

namespace zeldrium::find {
namespace {

using V = std::vector<std::string>;

constexpr char kData[] = "C:\\Data\\";

std::string Idx(std::string_view key, std::string_view date) {
  return IndexLineDated(key, "subject", "from", "to", date);
}

TEST(MissingFoldersTest, NamesEachMissingFolderOnceAndCountsTheNamed) {
  MemoryFileSystem fs;
  fs.AddFile("C:\\Data\\m.mb\\In\\Folder.idx", "");
  fs.AddDir("C:\\Data\\m.mb\\Empty");
  struct Case {
    const char* name;
    std::string folders, current;
    V missing;
    size_t named;
  } cases[] = {
      {"nothing named", "", "", {}, 0},
      {"empty items are no folders", ",\"\",", "", {}, 0},
      {"found ignoring case, with or without the backslash", "M.MB\\in\\,m.mb\\in", "", {}, 1},
      {"a folder without an index exists", "m.mb\\Empty\\", "", {}, 1},
      {"the current folder first", "x.mb\\,m.mb\\", "y.mb\\", {"y.mb\\", "x.mb\\"}, 3},
      {"each once", "x.mb\\,X.MB,x.mb\\", "x.mb", {"x.mb"}, 1},
      {"the current folder named again", "m.mb\\In", "M.MB\\IN\\", {}, 1},
      // ソ ends in the byte of a backslash, which is no separator: both spellings are one folder.
      {"a trail byte is no backslash",
       "m.mb\\\x83\x5c,m.mb\\\x83\x5c\\",
       "",
       {"m.mb\\\x83\x5c"},
       1},
      {"a file is no folder", "m.mb\\In\\Folder.idx\\", "", {"m.mb\\In\\Folder.idx\\"}, 1},
  };
  for (const Case& c : cases) {
    size_t named = 99;
    EXPECT_EQ(MissingFolders(&fs, kData, c.folders, c.current, &named), c.missing) << c.name;
    EXPECT_EQ(named, c.named) << c.name;
  }
}

class ListFoldersTest : public ::testing::Test {
 protected:
  // Every folder listed as "ID=lines", and every error as "path|message".
  bool List(bool go_on) {
    return ListFolders(
        &fs_, kData,
        [&](const FolderLines& f) { listed_.push_back(f.id + "=" + std::to_string(f.lines)); },
        [&](std::string_view path, std::string_view message) {
          errors_.push_back(std::string(path) + "|" + std::string(message));
          return go_on;
        });
  }

  MemoryFileSystem fs_;
  V listed_;
  V errors_;
};

TEST_F(ListFoldersTest, EveryFolderWithAnIndexInTheOrderOfAWholeStoreSearch) {
  fs_.AddFile("C:\\Data\\a.mb\\Folder.idx", Idx("1", "5f5e1000"));
  fs_.AddFile("C:\\Data\\a.mb\\In\\Folder.idx", Idx("1", "1") + Idx("2", "2") + Idx("3", "3"));
  fs_.AddFile("C:\\Data\\a.mb\\In\\Deep\\Folder.idx", "");
  fs_.AddFile("C:\\Data\\a.mb\\Out\\Folder.idx", Idx("1", "1"));
  fs_.AddFile("C:\\Data\\a.mb\\NoIdx\\Hidden\\Folder.idx", Idx("1", "1"));
  fs_.AddFile("C:\\Data\\b.mb\\In\\Folder.idx",
              // A blank line and a short one hold no mail; a bad date is still a mail's line,
              // and nothing after a 0x1A is read.
              "\r\n1\x01"
              "2\r\n" +
                  Idx("1", "zz") + Idx("2", "1") + "\x1a" + Idx("3", "1"));
  fs_.AddFile("C:\\Data\\notes\\Folder.idx", Idx("1", "1"));  // no mailbox
  EXPECT_TRUE(List(false));
  EXPECT_EQ(listed_,
            (V{"a.mb\\=1", "a.mb\\In\\=3", "a.mb\\In\\Deep\\=0", "a.mb\\Out\\=1", "b.mb\\In\\=2"}));
  EXPECT_EQ(errors_, V{});
}

TEST_F(ListFoldersTest, AnUnreadableIndexEndsTheListingOrIsPassedOver) {
  fs_.AddFile("C:\\Data\\a.mb\\One\\Folder.idx", Idx("1", "1"));
  fs_.AddFile("C:\\Data\\a.mb\\Two\\Folder.idx", Idx("1", "1"));
  fs_.AddFile("C:\\Data\\a.mb\\Two\\Below\\Folder.idx", Idx("1", "1"));
  fs_.AddFile("C:\\Data\\a.mb\\Three\\Folder.idx", Idx("1", "1") + Idx("2", "2"));
  fs_.AddFile("C:\\Data\\a.mb\\Four\\Folder.idx", Idx("1", "1"));
  fs_.FailOpen("C:\\Data\\a.mb\\Two\\Folder.idx", "in use");
  fs_.FailReadAfter("C:\\Data\\a.mb\\Three\\Folder.idx", 10, "bad sector");

  EXPECT_FALSE(List(false));
  EXPECT_EQ(listed_, V{"a.mb\\One\\=1"});
  EXPECT_EQ(errors_, V{"C:\\Data\\a.mb\\Two\\Folder.idx|in use"});

  listed_.clear();
  errors_.clear();
  EXPECT_TRUE(List(true));
  // The folders below one whose index cannot be read are still listed, as a search reads them.
  EXPECT_EQ(listed_, (V{"a.mb\\One\\=1", "a.mb\\Two\\Below\\=1", "a.mb\\Four\\=1"}));
  EXPECT_EQ(errors_, (V{"C:\\Data\\a.mb\\Two\\Folder.idx|in use",
                        "C:\\Data\\a.mb\\Three\\Folder.idx|bad sector"}));
}

}  // namespace
}  // namespace zeldrium::find
