#include "text/str_upper.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "text/str_libs.h"

namespace zeldrium {
namespace {

TEST(StrUpperTest, Table) {
  const struct {
    const char* in;
    const char* want;
  } cases[] = {
      {"abc xyz@ABC 09{}`", "ABC XYZ@ABC 09{}`"},
      {"\x83\x61"
       "a",
       "\x83\x61"
       "A"},                                     // ヂ: its trail byte 0x61 is no "a"
      {"\x82\x81\x82\x9A", "\x82\x60\x82\x79"},  // ａｚ -> ＡＺ
      {"\x82\x80\x82\x9B\x82\x60", "\x82\x80\x82\x9B\x82\x60"},  // around ａ-ｚ, and Ａ itself
      {"\x83\xBF\x83\xD6", "\x83\x9F\x83\xB6"},                  // αω -> ΑΩ
      {"\x83\xBE\x83\xD7", "\x83\xBE\x83\xD7"},
      {"\x84\x70\x84\x7E\x84\x80\x84\x91", "\x84\x40\x84\x4E\x84\x4F\x84\x60"},  // а н о я
      {"\x84\x6F\x84\x7F\x84\x92", "\x84\x6F\x84\x7F\x84\x92"},
      {"\xB1"
       "a\xE0"
       "a",
       "\xB1"
       "A\xE0"
       "a"},               // half-width ｱ is one byte; 0xE0 is a lead
      {"a\x82", "A\x82"},  // a lead byte as the last byte stays
  };
  for (const auto& c : cases) EXPECT_EQ(UpperCase(c.in), c.want) << c.in;
}

TEST(StrUpperTest, EveryDoubleByteCharacter) {
  // Only the trail bytes of the three letter ranges change, and the lead byte never does.
  int changed = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (int trail = 0x00; trail <= 0xFF; ++trail) {
      const std::string in = {static_cast<char>(lead), static_cast<char>(trail), 'a'};
      const std::string out = UpperCase(in);
      ASSERT_EQ(out.size(), 3u);
      ASSERT_EQ(out[0], in[0]);
      ASSERT_EQ(out[2], 'A');
      if (out[1] != in[1]) ++changed;
    }
  }
  EXPECT_EQ(changed, 26 + 24 + 33);
}

TEST(StrUpperTest, VariantsAgreeAndReuseStorage) {
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  std::string in_place = all;
  UpperCaseInPlace(&in_place);
  EXPECT_EQ(in_place, UpperCase(all));
  std::string out;
  out.reserve(512);
  const char* storage = out.data();
  UpperCaseTo(all, &out);
  EXPECT_EQ(out, in_place);
  UpperCaseTo("ab", &out);
  EXPECT_EQ(out, "AB");
  EXPECT_EQ(out.data(), storage);
}

// What OccursUpperCased must agree with: upper-case a copy, then find the word at a character
// boundary, walking the characters from the start.
bool ModelOccurs(std::string_view text, std::string_view upper_word) {
  const std::string upper = UpperCase(text);
  for (size_t i = 0; i < upper.size();) {
    if (upper.compare(i, upper_word.size(), upper_word) == 0) return true;
    i += IsLeadByte(static_cast<unsigned char>(upper[i])) ? 2 : 1;
  }
  return false;
}

// OccursUpperCased on a copy of text in a heap block of exactly its size, so that a read past
// its end trips the address sanitizer.
bool Occurs(std::string_view text, std::string_view upper_word) {
  const auto copy = std::make_unique<char[]>(text.size());
  std::copy(text.begin(), text.end(), copy.get());
  return OccursUpperCased({copy.get(), text.size()}, upper_word);
}

TEST(OccursUpperCasedTest, Table) {
  const struct {
    const char* name;
    std::string text;
    std::string word;  // upper-cased
    bool want;
  } cases[] = {
      {"either case", "an Invoice", "INVOICE", true},
      {"small letters", "invoice #12", "INVOICE", true},
      {"too short", "invoic", "INVOICE", false},
      {"a word without letters", "Re: x", "RE:", true},
      {"at the very end", "xx invoice", "INVOICE", true},
      // ヂ is 0x83 0x61: its trail byte is no "a", so no "A" starts there.
      {"trail byte is no letter",
       "\x83\x61"
       "bc",
       "ABC", false},
      {"after the character it is",
       "\x83\x61"
       "abc",
       "ABC", true},
      // ソ ends in 0x5c: a word starting with a backslash does not match inside it.
      {"trail byte 0x5c",
       "\x83\x5c"
       "n",
       "\\N", false},
      {"full-width small letters fold", "\x82\x81\x82\x82", "\x82\x60\x82\x61", true},  // ａｂ
      {"full-width capitals stay", "\x82\x60\x82\x61", "\x82\x60\x82\x61", true},       // ＡＢ
      {"greek", "\x83\xbf", "\x83\x9f", true},               // α against Α
      {"cyrillic past 0x7f", "\x84\x80", "\x84\x4f", true},  // о against О
      // 0x82 0x82 0x81: ｂ then a lone lead byte; a candidate on the second 0x82 is a trail.
      {"lead byte as a candidate on a trail", "\x82\x82\x81", "\x82\x81", false},
      {"a lone lead byte at the end", "ab\x82", "B\x82", true},
      {"a word ending in a lead byte", "x\x82\x81", "X\x82", true},
      {"odd run of lead-range bytes",
       "\x81\x81\x81"
       "a",
       "A", false},  // the a is a trail
      {"even run of lead-range bytes",
       "\x81\x81"
       "a",
       "A", true},
      {"candidate after a skipped trail",
       "\x81"
       "aa",
       "A", true},
      {"many candidates, the last one counts", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "AB", true},
      {"empty text", "", "A", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Occurs(c.text, c.word), c.want) << c.name;
    EXPECT_EQ(ModelOccurs(c.text, c.word), c.want) << c.name << " (model)";
  }
}

TEST(OccursUpperCasedTest, AgreesWithUpperCasingACopy) {
  // Letters of both cases in both widths, lead-range bytes at both ends of both ranges (also as
  // trail bytes), bytes that fold only as trail bytes, and plain bytes.
  const char alphabet[] = {'a',    'A',    'b',    'B',    'z',    ' ',    '\x5c', '\x81',
                           '\x82', '\x83', '\x84', '\x9f', '\xe0', '\xfc', '\x60', '\x61',
                           '\x81', '\x9a', '\xbf', '\x70', '\x40', '\xa0'};
  std::mt19937 rng(4321);
  std::uniform_int_distribution<size_t> pick(0, sizeof alphabet - 1);
  std::uniform_int_distribution<size_t> text_length(0, 40);
  std::uniform_int_distribution<size_t> word_length(1, 4);
  int found = 0;
  for (int n = 0; n < 50000; ++n) {
    std::string text(text_length(rng), ' ');
    for (char& c : text) c = alphabet[pick(rng)];
    std::string word(word_length(rng), ' ');
    for (char& c : word) c = alphabet[pick(rng)];
    word = UpperCase(word);
    const bool want = ModelOccurs(text, word);
    ASSERT_EQ(Occurs(text, word), want) << n;
    found += want;
  }
  EXPECT_GT(found, 1000);  // the alphabet is small enough for many hits
}

}  // namespace
}  // namespace zeldrium
