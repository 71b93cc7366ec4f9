#include "store/index_file.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "store/memory_file_system.h"

namespace zeldrium {
namespace {

using namespace std::string_literals;

struct ReadResult {
  std::vector<std::string> lines;
  bool failed = false;
  std::string error;
};

// Reads content as an index file with the given chunk size, the file handing out at most
// max_read bytes per read (0: as many as asked for).
ReadResult ReadAll(const std::string& content, size_t chunk, size_t max_read = 0) {
  MemoryFileSystem fs;
  fs.AddFile("f", content);
  fs.SetMaxRead(max_read);
  std::string err;
  auto file = fs.OpenSequential("f", &err);
  TIndexFileReader reader(file.get(), chunk);
  ReadResult r;
  std::string_view line;
  for (;;) {
    const auto res = reader.Next(&line, &err);
    if (res == TIndexFileReader::Result::kEnd) break;
    if (res == TIndexFileReader::Result::kError) {
      r.failed = true;
      r.error = err;
      break;
    }
    r.lines.emplace_back(line);
  }
  return r;
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
  std::string_view line;
  ASSERT_EQ(reader.Next(&line, &err), TIndexFileReader::Result::kLine);
  EXPECT_EQ(line, "one");
  EXPECT_EQ(reader.Next(&line, &err), TIndexFileReader::Result::kError);
  EXPECT_EQ(err, "device error");
  err.clear();
  EXPECT_EQ(reader.Next(&line, &err), TIndexFileReader::Result::kError);  // and stays there
  EXPECT_EQ(err, "device error");
}

}  // namespace
}  // namespace zeldrium
