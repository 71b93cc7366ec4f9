#include "text/code_page_win.h"

#include <gtest/gtest.h>

namespace {

struct Case {
  const char* sjis;
  const wchar_t* wide;
};

TEST(Text932, ConvertsBothWaysWhateverTheSystemCodePage) {
  const Case cases[] = {
      {"", L""},
      {"plain ascii", L"plain ascii"},
      {"\x83\x5c", L"\u30bd"},                // ソ, trail byte is a backslash
      {"\x95\x5c\x8e\xa6", L"\u8868\u793a"},  // 表示, trail byte 0x5c again
      {"\xb1\xb2", L"\uff71\uff72"},          // ｱｲ, single-byte katakana
      {"\x83\x4e\x83\x43\x83\x62\x83\x4e\x8c\x9f\x8d\xf5", L"\u30af\u30a4\u30c3\u30af\u691c\u7d22"},
      {"a\x81\x5f"
       "b",
       L"a\uff3c"
       "b"},  // ＼ full-width reverse solidus
  };
  for (const Case& c : cases) {
    EXPECT_EQ(zeldrium::WideFrom932(c.sjis), c.wide) << c.sjis;
    EXPECT_EQ(zeldrium::To932(c.wide), c.sjis) << c.sjis;
    std::wstring reused = L"an earlier, longer text";
    zeldrium::WideFrom932(c.sjis, &reused);
    EXPECT_EQ(reused, c.wide) << c.sjis;
  }
}

TEST(Text932, CharactersOutsideTheCodePageBecomeQuestionMarks) {
  EXPECT_EQ(zeldrium::To932(L"caf\u00e9 \U0001F600"), "caf? ??");
}

TEST(Text932, EmbeddedZeroBytesAreKept) {
  std::string with_zero("a\0b", 3);
  EXPECT_EQ(zeldrium::WideFrom932(with_zero), std::wstring(L"a\0b", 3));
}

TEST(TextUtf8, FileNamesOutsideCodePage932SurviveTheRoundTrip) {
  std::wstring name = L"C:\\\u00e9t\u00e9\\\u691c\u7d22.ini";
  EXPECT_EQ(zeldrium::WideFromUtf8(zeldrium::Utf8FromWide(name)), name);
  EXPECT_EQ(zeldrium::Utf8FromWide(L"\u691c"), "\xe6\xa4\x9c");
  std::wstring wide = L"left over";
  EXPECT_TRUE(zeldrium::WideFromUtf8Exact(zeldrium::Utf8FromWide(name), &wide));
  EXPECT_EQ(wide, name);
  // Not UTF-8: a settings file of another name must not be written instead.
  EXPECT_FALSE(zeldrium::WideFromUtf8Exact("C:\\\x82\xa0.ini", &wide));
  EXPECT_TRUE(wide.empty());
}

}  // namespace
