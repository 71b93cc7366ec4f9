#include "store/mailboxes.h"

#include "gtest/gtest.h"
#include "testsupport/memory_file_system.h"

namespace zeldrium {
namespace {

using V = std::vector<std::string>;

TEST(ListMailboxesTest, DirectoriesEndingInMbIgnoringCaseInListingOrder) {
  MemoryFileSystem fs;
  fs.AddDir("C:\\Data\\b.mb");
  fs.AddDir("C:\\Data\\A.MB");
  fs.AddDir("C:\\Data\\c.mbx");
  fs.AddDir("C:\\Data\\d.mb.old");
  fs.AddDir("C:\\Data\\mb");
  fs.AddDir("C:\\Data\\.mb");
  fs.AddDir("C:\\Data\\\x83.mb");       // the lead byte takes the dot: "?mb", no ".mb" at the end
  fs.AddDir("C:\\Data\\\x83\x5c.mb");   // ソ.mb: its backslash byte is no separator
  fs.AddFile("C:\\Data\\file.mb", "");  // a file is no mailbox
  fs.AddDir("C:\\Data\\e.mb\\f.mb");    // only directly under the data folder
  EXPECT_EQ(ListMailboxes(&fs, "C:\\Data\\"), (V{"b.mb\\", "A.MB\\", "\x83\x5c.mb\\", "e.mb\\"}));
  EXPECT_EQ(ListMailboxes(&fs, "C:\\Data"), (V{"b.mb\\", "A.MB\\", "\x83\x5c.mb\\", "e.mb\\"}));
  EXPECT_EQ(ListMailboxes(&fs, "C:\\Nowhere\\"), V{});
}

}  // namespace
}  // namespace zeldrium
