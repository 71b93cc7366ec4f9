#include "text/str_libs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zeldrium {
namespace {

TEST(StrLibsTest, IsLeadByte) {
  for (int c : {0x00, 0x40, 0x7F, 0x80, 0xA0, 0xB1, 0xDF, 0xFD, 0xFF})
    EXPECT_FALSE(IsLeadByte(c)) << c;
  for (int c : {0x81, 0x83, 0x9F, 0xE0, 0xEA, 0xFC}) EXPECT_TRUE(IsLeadByte(c)) << c;
  EXPECT_TRUE(IsLeadByte('\x83'));  // a plain (signed) char works too
}

TEST(StrLibsTest, Trim) {
  EXPECT_EQ(Trim(std::string_view(" \t\x01\0a b\r\n\0", 10)), "a b");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\x83\x40 "), "\x83\x40");  // ァ
}

TEST(StrLibsTest, DateToUnix) {
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  const double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double d;
    uint32_t u;
  } cases[] = {
      {0, 0},
      {25569, 0},                    // 1970-01-01 00:00
      {25569.5, 43200},              // noon
      {25568, 4294967296u - 86399},  // -86400 + 0.5 truncates towards zero
      {25569 + 1.4 / 86400, 1},
      {25569 + 1.6 / 86400, 2},
      {25569 + 4294967295.0 / 86400, 4294967295u},
      {25569 + 4294967296.0 / 86400, 0},  // wraps
      {kNaN, 0},
      {kInf, 0},
      {-kInf, 0},
      {1e300, 0},
      {-1e300, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(DateToUnix(c.d), c.u) << c.d;
  // Far dates that still fit in 64 bits keep their low 32 bits.
  EXPECT_EQ(DateToUnix(25569 + 1e9), static_cast<uint32_t>(86400000000000ull));
}

TEST(StrLibsTest, UnixToDate) {
  EXPECT_EQ(UnixToDate(0), 0);
  EXPECT_EQ(UnixToDate(86400), 25570);
  EXPECT_EQ(UnixToDate(32400), 25569.375);
  for (uint64_t u = 0; u <= 0xFFFFFFFFu; u += 9973 * 13) {
    ASSERT_EQ(DateToUnix(UnixToDate(static_cast<uint32_t>(u))), u);
  }
  EXPECT_EQ(DateToUnix(UnixToDate(0xFFFFFFFFu)), 0xFFFFFFFFu);
}

TEST(StrLibsTest, UnixToText) {
  const struct {
    uint32_t u;
    const char* text;
  } cases[] = {
      {0, "1899/12/30 00:00:00"},  // "no date", not 1970
      {1, "1970/01/01 00:00:01"},           {32400, "1970/01/01 09:00:00"},
      {86399, "1970/01/01 23:59:59"},       {951782400, "2000/02/29 00:00:00"},
      {2147483647, "2038/01/19 03:14:07"},  {2147483648u, "2038/01/19 03:14:08"},
      {4294967295u, "2106/02/07 06:28:15"},
  };
  for (const auto& c : cases) EXPECT_EQ(UnixToText(c.u), c.text) << c.u;
}

// Text of a naive calendar walk, independent of the fast day arithmetic.
std::string ReferenceText(uint32_t u) {
  int64_t days = u / 86400;
  int y = 1970, m = 1;
  auto leap = [](int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; };
  while (days >= (leap(y) ? 366 : 365)) days -= leap(y) ? 366 : 365, ++y;
  const int month_days[] = {31, leap(y) ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  while (days >= month_days[m - 1]) days -= month_days[m - 1], ++m;
  const int s = u % 86400;
  char buf[64];
  snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", y, m, static_cast<int>(days) + 1,
           s / 3600, s / 60 % 60, s % 60);
  return buf;
}

TEST(StrLibsTest, UnixToTextAgreesWithCalendarAndDayBasedDate) {
  std::string previous;
  for (uint64_t u = 1; u <= 0xFFFFFFFFu; u += 86399 * 7 + 13) {
    for (uint32_t v : {static_cast<uint32_t>(u), static_cast<uint32_t>(u - u % 86400 + 86399)}) {
      const std::string text = UnixToText(v);
      ASSERT_EQ(text, ReferenceText(v));
      // The day-based date-time must name the same second, never rounding 23:59:59 up.
      const DateTimeParts p = DecodeDateTime(UnixToDate(v));
      char buf[64];
      snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", p.Year, p.Month, p.Day, p.Hour,
               p.Minute, p.Second);
      ASSERT_EQ(text, buf);
      ASSERT_EQ(p.Msec, 0);
    }
    const std::string text = UnixToText(static_cast<uint32_t>(u));
    ASSERT_LT(previous, text);  // text order is time order
    previous = text;
  }
}

TEST(StrLibsTest, EncodeDecodeDateTime) {
  const struct {
    DateTimeParts p;
    double d;
  } cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0},
      {{1970, 1, 1, 12, 0, 0, 0}, 25569.5},
      {{2000, 2, 29, 6, 0, 0, 0}, 36585.25},
      {{1, 1, 1, 0, 0, 0, 0}, -693593},
      {{9999, 12, 31, 0, 0, 0, 0}, 2958465},
      {{1899, 12, 29, 6, 0, 0, 0}, -1.25},  // the fraction counts forwards before day 0
  };
  for (const auto& c : cases) {
    double d = -99;
    ASSERT_TRUE(EncodeDateTime(c.p, &d));
    EXPECT_EQ(d, c.d);
    const DateTimeParts back = DecodeDateTime(c.d);
    EXPECT_EQ(back.Year * 10000 + back.Month * 100 + back.Day,
              c.p.Year * 10000 + c.p.Month * 100 + c.p.Day);
    EXPECT_EQ(back.Hour, c.p.Hour);
  }
  const DateTimeParts bad[] = {
      {1900, 2, 29, 0, 0, 0, 0},   {2001, 4, 31, 0, 0, 0, 0}, {0, 1, 1, 0, 0, 0, 0},
      {2000, 13, 1, 0, 0, 0, 0},   {2000, 1, 1, 24, 0, 0, 0}, {2000, 1, 1, 0, 0, 60, 0},
      {2000, 1, 1, 0, 0, 0, 1000},
  };
  for (const auto& p : bad) {
    double d = -99;
    EXPECT_FALSE(EncodeDateTime(p, &d));
    EXPECT_EQ(d, -99);
  }
  for (double d : {std::nan(""), 1e300, -1e300, 2958466.0}) EXPECT_EQ(DecodeDateTime(d).Year, 1899);
  const DateTimeParts last = DecodeDateTime(25569 + 86399.9994 / 86400);  // 23:59:59.999, not 24:00
  EXPECT_EQ(last.Day * 1000000 + last.Hour * 10000 + last.Minute * 100 + last.Second, 1235959);
}

TEST(StrLibsTest, LocalNowIsWithinADayOfTheClock) {
  const double utc_days = 25569 + static_cast<double>(time(nullptr)) / 86400;
  EXPECT_NEAR(LocalNow(), utc_days, 1.0);
}

TEST(StrLibsTest, TrimToWidth) {
  const struct {
    const char* text;
    int width;
    const char* want;
  } cases[] = {
      {"abcdefghij", 8, "abcdefgh..."},
      {"abcdefgh", 8, "abcdefgh"},
      {"   abcdefghij", 8, "abcde..."},              // blanks count, then are trimmed
      {"abcdefg\x83\x5c", 8, "abcdefg\x83\x5c..."},  // ソ begins with one byte left: kept whole
      {"abcdef\x83\x5c", 8, "abcdef\x83\x5c"},
      {"abc\x83", 8, "abc\x83"},  // a lead byte as the last byte
      {"abcdefgh\x83", 8, "abcdefgh..."},
      {"", 8, ""},
      {"ab", 0, "..."},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimToWidth(c.text, c.width), c.want) << c.text;
}

TEST(StrLibsTest, TextBetweenAndFindAtBoundary) {
  const struct {
    const char* text;
    const char* start;
    const char* end;
    const char* want;
  } cases[] = {
      {"Name <addr>", "<", ">", "addr"},
      {"Name <addr>", "[", ">", ""},
      {"Name <addr", "<", ">", ""},
      {" x y ", "", "", "x y"},
      {" local @host", "", "@", "local"},
      {"\x83\x40x@y", "", "@", "\x83\x40x"},  // ァ: its trail byte 0x40 is no "@"
      {"\x83\x40x@y", "@", "", "y"},
      {"<a>b>", "<", ">", "a"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextBetween(c.text, c.start, c.end), c.want) << c.text;
  EXPECT_EQ(FindAtBoundary("\x83\x40@\x83\x40", "\x40"), 2u);
  EXPECT_EQ(FindAtBoundary("\x83\x40\x83\x40", "\x40"), std::string_view::npos);
  EXPECT_EQ(FindAtBoundary("abc", "", 1), 1u);
  EXPECT_EQ(FindAtBoundary("ab\x83", "x"), std::string_view::npos);
}

TEST(StrLibsTest, EscapeCsv) {
  EXPECT_EQ(EscapeCsv("a b,c\"d\\e\tf\r\ng\x83\x5c"),  // ソ, trail byte is a backslash
            "a\\sb\\cc\\qd\\\\e\\tf\\ng\x83\x5c");
  // 0x00 is dropped and the rest still escaped, so the result never needs quoting.
  EXPECT_EQ(EscapeCsv(std::string_view("a\0b c", 5)), "ab\\sc");
  EXPECT_EQ(EscapeCsv(std::string_view("\x83\0 ", 3)), "\x83\\s");
  EXPECT_EQ(EscapeCsv("x\x83"), "x\x83");
  // A stray lead byte does not carry a byte that no trail byte can be: a comma, blank, quote or
  // line break after it is still escaped (found by the fuzzer: "\x83," put a bare comma into the
  // value). A real trail byte is carried whatever it is.
  const struct {
    std::string_view in, out;
  } stray[] = {
      {"\x83,", "\x83\\c"},
      {"\x83 x", "\x83\\sx"},
      {"\x83\"", "\x83\\q"},
      {"\xe0\r\n", "\xe0\\n"},
      {"\x9f\t", "\x9f\\t"},
      {"\x83\x40\x83\xfc", "\x83\x40\x83\xfc"},  // ァ and the last trail byte: carried
  };
  for (const auto& c : stray) EXPECT_EQ(EscapeCsv(c.in), c.out) << c.in;
}

TEST(StrLibsTest, JoinCsv) {
  EXPECT_EQ(JoinCsv({true, 5, -3}), "1,5,-3,");
  EXPECT_EQ(JoinCsv({}), "");
  EXPECT_EQ(JoinCsv({std::string("a b"), "a b", 'x', int64_t{-9000000000}, 1.5, false}),
            "a\\sb,a b,x,-9000000000,1.5,0,");
  EXPECT_EQ(JoinCsv({static_cast<const char*>(nullptr), '\0'}), ",,");
}

}  // namespace
}  // namespace zeldrium
