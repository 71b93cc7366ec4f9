#include "engine/idx_lines.h"

#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "store/index_file.h"
#include "testsupport/idx_line_reference.h"
#include "testsupport/memory_file_system.h"
#include "testsupport/test_line_mask_codes.h"

namespace zeldrium {
namespace {

// What a reader of index data saw, line by line, as one text per line: the kind, and the fields
// or the error. A read ends at the first bad date, as a run does.
using Seen = std::vector<std::string>;

std::string Describe(IdxLine kind, const TFolderIdx& rec, const std::string& err) {
  switch (kind) {
    case IdxLine::kSkip:
      return "skip";
    case IdxLine::kError:
      return "error " + err;
    case IdxLine::kDateOnly:
      return "date " + std::to_string(rec.Date);
    case IdxLine::kRecord:
      break;
  }
  return "record " + std::to_string(rec.Date) + "|" + std::string(rec.MessageKey) + "|" +
         std::string(rec.Subject) + "|" + std::string(rec.From) + "|" + std::string(rec.To) + "|" +
         std::string(rec.Extra);
}

std::unique_ptr<SequentialFile> Open(MemoryFileSystem* fs, const std::string& content,
                                     size_t max_read) {
  fs->AddFile("f", content);
  fs->SetMaxRead(max_read);
  std::string err;
  return fs->OpenSequential("f", &err);
}

// The reference: the whole file split into lines, each into its fields.
Seen ByLines(const std::string& content) {
  Seen seen;
  std::string err;
  for (std::string_view line : ReferenceIndexLines(content)) {
    TFolderIdx rec;
    const IdxLine kind = ReferenceReadIdxLine(line, &rec, &err);
    seen.push_back(Describe(kind, rec, err));
    if (kind == IdxLine::kError) break;
  }
  return seen;
}

// The scanner over the reader's windows, as the search reads: small chunks and short reads put
// window ends anywhere, also between a CR and its LF.
Seen ByScanner(const std::string& content, size_t chunk, size_t max_read) {
  MemoryFileSystem fs;
  auto file = Open(&fs, content, max_read);
  TIndexFileReader reader(file.get(), chunk);
  TIdxLineScanner scanner;
  Seen seen;
  std::string err;
  for (;;) {
    std::string_view window;
    bool last;
    if (!reader.NextWindow(&window, &last, &err)) {
      seen.push_back("read error " + err);
      return seen;
    }
    scanner.Reset(window, last);
    IdxLine kind;
    TFolderIdx rec;
    while (scanner.Next(&kind, &rec, &err)) {
      seen.push_back(Describe(kind, rec, err));
      if (kind == IdxLine::kError) return seen;
    }
    EXPECT_EQ(scanner.Consumed(), window.size());
    if (last) return seen;
  }
}

class IdxLineScannerTest : public EveryLineMaskCode {};
ZELDRIUM_FOR_EVERY_LINE_MASK_CODE(IdxLineScannerTest);

TEST_P(IdxLineScannerTest, SameLinesAndRecordsAsTheLineReader) {
  const std::string date = "\x01\x31\x30";  // a separator and "10"
  const std::vector<std::string> cases = {
      "",
      "\r\n",
      "1\x01k\x01\x30\x01subj\x01from\x01to\x01x\x01\x30\x01"
      "5a\x01rest\r\n",
      "no end: 1\x01k\x01\x30\x01s\x01\x66\x01t\x01x\x01\x30\x01"
      "ff",
      "a\rb\r\n\nc\n\r\r\r\n",
      "1\x01\x02\x03\x01\x01\x01\x01\x01\x01\x01zz\r\n1\x01\x01\x01\x01\x01\x01\x01\x01\x31\r\n",
      "lead before CR \x81\r\n\x81\x01\x01\x01\x01\x01\x01\x01\x01\x31\r\n",
      "nul \x00 ends the fields\x01\x01\x01\x01\x01\x01\x01\x01\x31\r\n" + std::string(1, '\0'),
      // Dates of seven and nine digits beside those of eight, with blanks around them.
      "1\x01k\x01\x01s\x01\x66\x01t\x01\x01\x01"
      "5f5e10001\x01z\r\n"
      "1\x01k\x01\x01s\x01\x66\x01t\x01\x01\x01"
      "f5e1000\x01z\r\n"
      "1\x01k\x01\x01s\x01\x66\x01t\x01\x01\x01"
      " 5f5e1000\x01z\r\n"
      "1\x01k\x01\x01s\x01\x66\x01t\x01\x01\x01"
      "5f5e1000 \x01z\r\n",
  };
  for (const std::string& c : cases) {
    const Seen want = ByLines(c);
    for (size_t chunk : {1, 2, 3, 7, 64, 1000}) {
      for (size_t max_read : {0, 1, 5}) {
        EXPECT_EQ(ByScanner(c, chunk, max_read), want)
            << testing::PrintToString(c) << " chunk " << chunk << " reads " << max_read;
      }
    }
  }
}

TEST_P(IdxLineScannerTest, AgreesWithTheLineReaderOnRandomData) {
  // Lines that are mostly well formed, with every byte that matters to either split thrown in:
  // separators, 0x00, CR, LF, blanks, lead-range bytes at both ends of both ranges, trail bytes,
  // hexadecimal digits and bytes that are none.
  const char* const pieces[] = {"\x01", "\x01", "\x01", "\x01", "\x00", "\r",   "\n",      "\r\n",
                                "\r\n", " ",    "a",    "5",    "Ff",   "\x81", "\x9f",    "\xe0",
                                "\xfc", "\x40", "\x80", "\xa0", "zz",   "\x5c", "\x83\x5c"};
  std::mt19937 rng(2024);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<size_t> count(0, 400);
  std::uniform_int_distribution<size_t> chunk(1, 300);
  std::uniform_int_distribution<size_t> max_read(0, 40);
  for (int n = 0; n < 3000; ++n) {
    std::string content;
    for (size_t i = count(rng); i > 0; --i) {
      const char* piece = pieces[pick(rng)];
      content.append(piece, piece[0] == '\0' ? 1 : std::char_traits<char>::length(piece));
    }
    const size_t c = chunk(rng);
    const size_t r = max_read(rng);
    ASSERT_EQ(ByScanner(content, c, r), ByLines(content))
        << n << ": " << testing::PrintToString(content) << " chunk " << c << " reads " << r;
  }
}

}  // namespace
}  // namespace zeldrium
