#include "store/index_file.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testsupport/idx_line_reference.h"
#include "testsupport/memory_file_system.h"

namespace zeldrium {
namespace {

using namespace std::string_literals;

struct ReadResult {
  std::vector<std::string> lines;
  bool failed = false;
  std::string error;
};

// Reads content as an index file with the given chunk size, the file handing out at most
// max_read bytes per read (0: as many as asked for), and splits the windows into lines. A
// window other than the last must end with its line end, whole.
ReadResult ReadAll(const std::string& content, size_t chunk, size_t max_read = 0) {
  MemoryFileSystem fs;
  fs.AddFile("f", content);
  fs.SetMaxRead(max_read);
  std::string err;
  auto file = fs.OpenSequential("f", &err);
  TIndexFileReader reader(file.get(), chunk);
  ReadResult r;
  for (;;) {
    std::string_view window;
    bool last = false;
    if (!reader.NextWindow(&window, &last, &err)) {
      r.failed = true;
      r.error = err;
      return r;
    }
    if (!last) {
      EXPECT_TRUE(window.ends_with('\r')) << testing::PrintToString(std::string(window));
    }
    while (!window.empty()) {
      const size_t cr = window.find('\r');
      if (cr == std::string_view::npos) {
        EXPECT_TRUE(last);
        r.lines.emplace_back(window);
        break;
      }
      r.lines.emplace_back(window.substr(0, cr));
      window.remove_prefix(cr + 1);
      if (window.starts_with('\n')) window.remove_prefix(1);
    }
    if (last) return r;
  }
}

using V = std::vector<std::string>;

TEST(IndexFileReaderTest, LineEnds) {
  struct Case {
    const char* name;
    std::string content;
    V want;
  } cases[] = {
      {"CR LF", "a\r\nb\r\n", {"a", "b"}},
      {"lone CR", "a\rb\r\nc", {"a", "b", "c"}},
      {"lone LF is data", "a\nb\r\n", {"a\nb"}},
      {"LF only after the CR goes with it", "a\r\n\nb\r\n", {"a", "\nb"}},
      {"CR CR LF", "a\r\r\nb", {"a", "", "b"}},
      {"LF CR", "\n\r", {"\n"}},
      {"last line without end", "a\r\nb", {"a", "b"}},
      {"ends in a CR", "a\r", {"a"}},
      {"only a line end", "\r\n", {""}},
      {"empty file", "", {}},
      {"0x1a ends the file",
       "a\r\n\x1a"
       "b\r\n",
       {"a"}},
      {"0x1a inside a line", "ab\x1a\r\ncd", {"ab"}},
      {"0x1a right after a CR", "a\r\x1a\n", {"a"}},
      {"0x1a first",
       "\x1a"
       "a\r\n",
       {}},
      {"0x1a last", "a\r\nb\x1a", {"a", "b"}},
      {"only the first 0x1a counts",
       "a\x1a\x1a"
       "b\r\n\x1a",
       {"a"}},
      {"0x00 is data", "a\0b\r\n"s, {"a\0b"s}},
      {"double-byte text passes", "\x83\x5c\x83\x74\x83\x67\r\n", {"\x83\x5c\x83\x74\x83\x67"}},
  };
  // Small chunks and short reads put every line end, and every CR LF pair, across a boundary.
  for (const Case& c : cases) {
    for (size_t chunk :
         {size_t{1}, size_t{2}, size_t{3}, size_t{7}, TIndexFileReader::kDefaultChunk}) {
      for (size_t max_read : {size_t{0}, size_t{1}}) {
        const ReadResult r = ReadAll(c.content, chunk, max_read);
        EXPECT_FALSE(r.failed) << c.name;
        EXPECT_EQ(r.lines, c.want) << c.name << ", chunk " << chunk << ", max read " << max_read;
      }
    }
    // The reference the scanner is checked against splits the same way.
    V reference;
    for (std::string_view line : ReferenceIndexLines(c.content)) reference.emplace_back(line);
    EXPECT_EQ(reference, c.want) << c.name;
  }
}

TEST(IndexFileReaderTest, HundredMegabyteLine) {
  std::string content(100u << 20, 'x');
  content[0] = 'A';
  content.back() = 'Z';
  content += "\r\nshort\r\n";
  const ReadResult r = ReadAll(content, TIndexFileReader::kDefaultChunk);
  ASSERT_FALSE(r.failed);
  ASSERT_EQ(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[0].size(), 100u << 20);
  EXPECT_EQ(r.lines[0].front(), 'A');
  EXPECT_EQ(r.lines[0].back(), 'Z');
  EXPECT_EQ(r.lines[1], "short");
}

TEST(IndexFileReaderTest, ManyLinesAcrossChunks) {
  std::string content;
  V want;
  for (int i = 0; i < 5000; ++i) {
    want.push_back("line " + std::to_string(i));
    content += want.back() + (i % 3 == 0 ? "\r" : "\r\n");
  }
  EXPECT_EQ(ReadAll(content, 4096).lines, want);
  EXPECT_EQ(ReadAll(content, 4096, 1000).lines, want);
}

TEST(IndexFileReaderTest, ReadErrorKeepsTheLinesBeforeIt) {
  MemoryFileSystem fs;
  fs.AddFile("f", "one\r\ntwo\r\nthree\r\n");
  fs.FailReadAfter("f", 7, "device error");
  std::string err;
  auto file = fs.OpenSequential("f", &err);
  TIndexFileReader reader(file.get(), 4);
  std::string_view window;
  bool last;
  ASSERT_TRUE(reader.NextWindow(&window, &last, &err));
  EXPECT_EQ(window, "one\r");  // its LF is not read yet: four bytes a chunk
  EXPECT_FALSE(last);
  EXPECT_FALSE(reader.NextWindow(&window, &last, &err));
  EXPECT_EQ(err, "device error");
  err.clear();
  EXPECT_FALSE(reader.NextWindow(&window, &last, &err));  // and stays there
  EXPECT_EQ(err, "device error");
}

}  // namespace
}  // namespace zeldrium
