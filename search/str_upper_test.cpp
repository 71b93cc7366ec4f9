#include "search/str_upper.h"

#include <gtest/gtest.h>

#include "search/str_libs.h"

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

}  // namespace
}  // namespace zeldrium
