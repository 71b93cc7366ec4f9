#include "testsupport/idx_line_reference.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "text/str_libs.h"

namespace zeldrium {
namespace {

using namespace std::string_literals;  // lines with 0x00 bytes need the "..."s form

// "|" written for the field separator 0x01, for legible test lines.
std::string Soh(std::string text) {
  std::replace(text.begin(), text.end(), '|', '\x01');
  return text;
}

// A copy of text in a heap block of exactly its size: the split reads many bytes at a time,
// and a read past the end then trips the address sanitizer.
class ExactCopy {
 public:
  explicit ExactCopy(std::string_view text)
      : bytes_(std::make_unique<char[]>(text.size())), size_(text.size()) {
    std::copy(text.begin(), text.end(), bytes_.get());
  }
  std::string_view view() const { return {bytes_.get(), size_}; }

 private:
  std::unique_ptr<char[]> bytes_;
  size_t size_;
};

// The first n fields of line, as ReferenceNextIdxField hands them out.
std::vector<std::string> Fields(std::string_view text, int n) {
  const ExactCopy copy(text);
  std::string_view line = copy.view();
  std::vector<std::string> fields;
  for (int i = 0; i < n; ++i) fields.emplace_back(ReferenceNextIdxField(&line));
  return fields;
}

using V = std::vector<std::string>;

TEST(ReferenceNextIdxFieldTest, SplitsAsTheHostWritesAndReads) {
  struct Case {
    const char* name;
    std::string line;  // "|" stands for the separator 0x01
    V want;
  } cases[] = {
      {"plain", "a|b|c", {"a", "b", "c", "", ""}},
      {"blanks and tabs trimmed, inner kept", " a |\tb c\t|", {"a", "b c", "", ""}},
      {"empty fields", "||x", {"", "", "x", ""}},
      {"empty line", "", {"", ""}},
      {"trail byte 0x5c stays in its character", "\x83\x5c|b", {"\x83\x5c", "b", ""}},  // ソ
      {"trail byte 0x01 is no separator", "\x83|x|y", {"\x83\x01x", "y", ""}},
      {"stray lead byte swallows the separator", "x\x81|y|z", {"x\x81\x01y", "z", ""}},
      {"lead byte as last byte ends the field", "ab\x81", {"ab\x81", "", ""}},
      {"0x00 ends the line", "a|b\0c|d"s, {"a", "b", "", ""}},
      {"0x00 after a lead byte still ends it", "a\x81\0|b"s, {"a\x81", "", ""}},
      {"control bytes inside are data, at the ends trimmed", "\x02z\x03z\x1f", {"z\x03z"}},
      {"a lone LF is data, trimmed at the ends only", "\na\nb\n|c", {"a\nb", "c"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Fields(Soh(c.line), static_cast<int>(c.want.size())), c.want) << c.name;
  }
}

TEST(ReferenceNextIdxFieldTest, CursorStaysAtTheEndOfTheLine) {
  std::string_view cursor = "a\x01";
  ReferenceNextIdxField(&cursor);
  EXPECT_TRUE(cursor.empty());
  EXPECT_EQ(ReferenceNextIdxField(&cursor), "");
  EXPECT_TRUE(cursor.empty());

  const std::string with_nul = "a\0rest"s;
  cursor = with_nul;
  ReferenceNextIdxField(&cursor);
  ASSERT_EQ(cursor.size(), 5u);  // parked on the 0x00
  EXPECT_EQ(ReferenceNextIdxField(&cursor), "");
  EXPECT_EQ(cursor.size(), 5u);
}

// The field split written once more, another way round: the reference must agree with it.
std::vector<std::string> ModelFields(std::string_view line, int n) {
  line = line.substr(0, line.find('\0'));
  std::vector<std::string> fields;
  size_t i = 0;
  for (int k = 0; k < n; ++k) {
    const size_t start = i;
    while (i < line.size() && line[i] != '\x01') {
      i += IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
    }
    std::string_view field = line.substr(start, i - start);
    while (!field.empty() && static_cast<unsigned char>(field.front()) <= 0x20) {
      field.remove_prefix(1);
    }
    while (!field.empty() && static_cast<unsigned char>(field.back()) <= 0x20) {
      field.remove_suffix(1);
    }
    fields.emplace_back(field);
    if (i < line.size()) ++i;
  }
  return fields;
}

TEST(ReferenceNextIdxFieldTest, SeparatorsAfterRunsOfLeadRangeBytes) {
  // 0x81 0x81 is one character whose trail byte is in the lead range too, so what follows it
  // stands alone; a third 0x81 is a lead byte again and takes the separator with it.
  const std::string lead2 = "\x81\x81";
  struct Case {
    const char* name;
    std::string line;
  } cases[] = {
      {"two lead-range bytes: a separator", "x" + lead2 + "|y|z"},
      {"three: swallowed", "x" + lead2 + "\x81|y|z"},
      {"a long even run", std::string(40, '\xe0') + "|y|z"},
      {"a long odd run", std::string(41, '\xfc') + "|y|z"},
      {"the run starts at the field's start", "a|\x9f|b|c"},
      // 0x81 0x40 is a full-width blank: its trail byte is outside the range and ends the run.
      {"the run is cut by a byte outside the range", "\x81\x40\x81\x81|b|c"},
      {"a swallowed separator ends the next run", "\x81|\x81\x81|b"},
      {"half-width katakana are single bytes", "\xb1\xb2|b"},
  };
  for (const Case& c : cases) {
    const std::string line = Soh(c.line);
    EXPECT_EQ(Fields(line, 5), ModelFields(line, 5)) << c.name;
  }
}

TEST(ReferenceNextIdxFieldTest, AgreesWithTheByteWalkAcrossBlockEdges) {
  // The split looks at 64 bytes at a time, 16 per instruction: separators, ends of line and
  // lead bytes just before and after those edges, on lines of every length around them.
  for (size_t length : {1, 2, 15, 16, 17, 31, 32, 63, 64, 65, 127, 128, 129, 200}) {
    for (size_t at = 0; at < length; ++at) {
      for (const std::string& pattern : {"|"s, "\x81|"s, "\x81\x81|"s, "\0"s, "\x81\0"s, "\x81"s}) {
        std::string line(length, 'a');
        line[length / 2] = '\x01';
        const size_t n = std::min(pattern.size(), length - at);
        line.replace(at, n, Soh(pattern).substr(0, n));
        ASSERT_EQ(Fields(line, 4), ModelFields(line, 4)) << length << " " << at << " " << pattern;
      }
    }
  }
}

TEST(ReferenceReadIdxLineTest, AgreesWithTheByteWalkOnRandomLines) {
  // Bytes that matter to the split: separators, ends of line, blanks, lead-range bytes at both
  // ends of both ranges, trail bytes, the backslash and plain letters.
  const char alphabet[] = {'\x00', '\x01', '\x01', '\x01', ' ',    '\t',   'a',    '5',   '\x81',
                           '\x9f', '\xe0', '\xfc', '\x40', '\x80', '\xa0', '\x5c', '\xfd'};
  std::mt19937 rng(12345);
  std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 1);
  std::uniform_int_distribution<size_t> length(0, 150);
  for (int n = 0; n < 20000; ++n) {
    std::string line(length(rng), ' ');
    for (char& c : line) c = alphabet[pick(rng)];
    const std::vector<std::string> model = ModelFields(line, 9);
    ASSERT_EQ(Fields(line, 9), model) << n;
    TFolderIdx rec;
    std::string err;
    const ExactCopy copy(line);
    const IdxLine r = ReferenceReadIdxLine(copy.view(), &rec, &err);
    if (model[8].empty()) {
      ASSERT_EQ(r, IdxLine::kSkip) << n;
    } else if (r == IdxLine::kRecord) {
      ASSERT_EQ(V({std::string(rec.MessageKey), std::string(rec.Subject), std::string(rec.From),
                   std::string(rec.To), std::string(rec.Extra)}),
                V({model[1], model[3], model[4], model[5], model[6]}))
          << n;
    } else {
      ASSERT_EQ(r, IdxLine::kError) << n;
      ASSERT_EQ(err.substr(0, model[8].size() + 2), "'$" + model[8]) << n;
    }
  }
}

std::string Line(std::vector<std::string> fields) {
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += '\x01';
    line += fields[i];
  }
  return line;
}

TEST(ReferenceReadIdxLineTest, FillsTheRecord) {
  TFolderIdx rec;
  std::string err;
  const std::string line =
      Line({"a", "b", "c", "Subj", "Me", "You", "x", "y", "5f5e1000", "tail", "more"});
  ASSERT_EQ(ReferenceReadIdxLine(line, &rec, &err), IdxLine::kRecord);
  EXPECT_EQ(rec.Subject, "Subj");
  EXPECT_EQ(rec.From, "Me");
  EXPECT_EQ(rec.To, "You");
  EXPECT_EQ(rec.MessageKey, "b");
  EXPECT_EQ(rec.Extra, "x");
  EXPECT_EQ(rec.Date, 0x5f5e1000 + 32400);
}

TEST(ReferenceReadIdxLineTest, LinesWithoutADateAreSkipped) {
  const std::string cases[] = {
      "",
      Line({"a", "b", "c", "Subj", "Me", "You", "x", "y"}),          // eight fields
      Line({"a", "b", "c", "Subj", "Me", "You", "x", "y", " \t "}),  // blanks only
      Line({"a", "b", "c", "Subj", "Me", "You", "x", "y", ""}),
      Soh("a|\x82|c|d|e|f|g|h|1"),  // one separator swallowed: eight fields
  };
  for (const std::string& line : cases) {
    TFolderIdx rec;
    std::string err;
    EXPECT_EQ(ReferenceReadIdxLine(line, &rec, &err), IdxLine::kSkip) << line;
  }
}

}  // namespace
}  // namespace zeldrium
