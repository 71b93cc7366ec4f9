#include "text/code_page.h"

#include "gtest/gtest.h"

namespace zeldrium {
namespace {

constexpr const char* kFFFD = "\xEF\xBF\xBD";

TEST(Cp932ToUtf8Test, ConvertsAndReplacesBrokenBytes) {
  struct Case {
    std::string in;
    std::string want;
  };
  const Case cases[] = {
      {"plain ascii \\ ~", "plain ascii \\ ~"},
      {"\x89\xef\x8b\x63", "会議"},
      {"\x83\x5c", "ソ"},            // ソ, trail byte is a backslash
      {"\xb6\xc0\xb6\xc5", "ｶﾀｶﾅ"},  // half-width katakana are single bytes
      {"\x87\x40", "①"},             // an extension character of the code page
      {std::string("a\x80") + "b", std::string("a") + kFFFD + "b"},
      {"\xa0\xfd\xfe\xff", std::string(kFFFD) + kFFFD + kFFFD + kFFFD},
      {"end\x82", std::string("end") + kFFFD},   // lead byte cut off at the end
      {"\x82\x20x", std::string(kFFFD) + " x"},  // a blank is no second byte
      {"\x85\x40!", std::string(kFFFD) + "!"},   // unassigned: one replacement for two bytes
      {"\x89\xef\x80\x8b\x63", std::string("会") + kFFFD + "議"},
      // The edges of the half-width katakana: 0xA0 is none, 0xA1 and 0xDF are, 0xE0 leads.
      {"\xa0", kFFFD},
      {"\xa1", "｡"},
      {"\xdf", "ﾟ"},
      {"\xe0", kFFFD},
      {"\xe0\x40", "漾"},
      {"\xa1\xdf\xe0\x40\xa0", std::string("｡ﾟ漾") + kFFFD},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp932ToUtf8(c.in), c.want) << c.in;
  }
}

TEST(Cp932ToUtf8Test, AppendsToWhatIsThere) {
  std::string out = "x:";
  AppendCp932AsUtf8("\x83\x5c", &out);  // ソ
  AppendCp932AsUtf8("\xff", &out);
  EXPECT_EQ(out, std::string("x:ソ") + kFFFD);
}

TEST(Utf8ToCp932Test, ConvertsWhatTheCodePageHasAndRefusesTheRest) {
  struct Case {
    std::string in;
    bool ok;
    std::string want;
  };
  const Case cases[] = {
      {"abc", true, "abc"},
      {"会議", true, "\x89\xef\x8b\x63"},
      {"ソ", true, "\x83\x5c"},
      {"ｶﾅ", true, "\xb6\xc5"},
      {"", true, ""},
      {"caf\xc3\xa9", false, ""},       // é has no code page 932 form
      {"\xf0\x9f\x98\x80", false, ""},  // an emoji neither
      {"bad \xff utf8", false, ""},
      {"cut \xe4\xbc", false, ""},
  };
  for (const Case& c : cases) {
    std::string out = "old";
    EXPECT_EQ(Utf8ToCp932(c.in, &out), c.ok) << c.in;
    if (c.ok) {
      EXPECT_EQ(out, c.want) << c.in;
    }
  }
}

// File names and generated stores: nothing may be replaced or guessed.
TEST(Cp932ToUtf8Test, ExactRefusesWhatIsNoCharacter) {
  std::string out = "old";
  ASSERT_TRUE(Cp932ToUtf8Exact("\x83\x5c\x95\x5c\x94\x5c\xfb\xfc\xb1 a", &out));
  EXPECT_EQ(out, "ソ表能髙ｱ a");  // 髙 is an IBM extension, ｱ a single byte
  ASSERT_TRUE(Cp932ToUtf8Exact("\xa1\xdf", &out));
  EXPECT_EQ(out, "｡ﾟ");
  for (const std::string bad : {"ab\x83", "ab\x85\x40", "\x80", "\xa0", "\xfd", "\x82\x20"}) {
    out = "old";
    EXPECT_FALSE(Cp932ToUtf8Exact(bad, &out)) << testing::PrintToString(bad);
    EXPECT_EQ(out, "") << testing::PrintToString(bad);
  }
}

TEST(Cp932CharLengthTest, NeedsARealSecondByte) {
  EXPECT_EQ(Cp932CharLength("\x83\x5c"), 2u);
  EXPECT_EQ(Cp932CharLength("\x83"), 1u);
  EXPECT_EQ(Cp932CharLength("\x83\x0a"), 1u);
  EXPECT_EQ(Cp932CharLength("\xb6\x40"), 1u);  // half-width katakana is no lead byte
  EXPECT_EQ(Cp932CharLength("a\x83"), 1u);
}

}  // namespace
}  // namespace zeldrium
