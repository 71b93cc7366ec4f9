#include "store/idx_date.h"

#include <cctype>
#include <string>

#include "gtest/gtest.h"

namespace zeldrium {
namespace {

// Field 9 as the scanner hands it to the conversion: trimmed.
IdxLine Convert(const std::string& field9, int32_t* date, std::string* err) {
  return ConvertIdxDate(TrimIdxField(field9.data(), field9.data() + field9.size()), date, err);
}

TEST(IdxDateTest, ShiftedAndWrappedTo32Bits) {
  struct Case {
    std::string field9;
    int32_t date;
  } cases[] = {
      {"0", 32400},
      {"  5F5E1000\t", 0x5f5e1000 + 32400},
      {"0000000000000000000000001", 32401},  // leading zeros do not count against 64 bits
      {"ffffffffffffffff", 32399},           // low 32 bits 0xffffffff, + 32400 wraps
      {"123456789abcdef0", static_cast<int32_t>(0x9abcdef0u + 32400u)},
      {"7fffffff", static_cast<int32_t>(0x7fffffffu + 32400u)},  // past INT32_MAX: negative
      // Eight digits take a path of their own, fewer a 32-bit one, nine and more a 64-bit one.
      {"ffffffff", 32399},
      {"100000000", 32400},  // the low 32 bits are zero
      {"fffffffff", 32399},
  };
  for (const Case& c : cases) {
    int32_t date = 0;
    std::string err;
    ASSERT_EQ(Convert(c.field9, &date, &err), IdxLine::kRecord) << c.field9;
    EXPECT_EQ(date, c.date) << c.field9;
  }
  int32_t date = 0;
  std::string err;
  ASSERT_EQ(Convert("7fffffff", &date, &err), IdxLine::kRecord);
  EXPECT_LT(date, 0);
  EXPECT_EQ(Convert(" \t ", &date, &err), IdxLine::kSkip);  // blanks only: no date
}

TEST(IdxDateTest, EightDigitDatesCheckEveryDigit) {
  // Dates have eight digits and take a path of their own: every byte at every place.
  for (int place = 0; place < 8; ++place) {
    for (int c = 0x21; c < 0x100; ++c) {
      std::string field = "5f5E1000";
      field[place] = static_cast<char>(c);
      const bool hex = std::isxdigit(c) != 0;
      uint32_t value = 0;
      ASSERT_EQ(ParseHex8(field.data(), &value), hex) << place << " " << c;
      int32_t date = 0;
      std::string err;
      ASSERT_EQ(Convert(field, &date, &err), hex ? IdxLine::kRecord : IdxLine::kError)
          << place << " " << c;
      if (hex) {
        ASSERT_EQ(value, std::stoul(field, nullptr, 16)) << field;
        ASSERT_EQ(static_cast<uint32_t>(date) - 32400u, value) << field;
      }
    }
  }
}

TEST(IdxDateTest, BadDateIsAConversionError) {
  // "'$%s' は整数ではありません" in code page 932.
  const std::string suffix =
      "' \x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
  const std::string cases[] = {"xyz",      "0x10",     "-1",      "+1", "1 2", "10000000000000000",
                               "1234567g", "g1234567", "\x82\x4f"};  // full-width ０
  for (const std::string& field : cases) {
    int32_t date = 0;
    std::string err;
    EXPECT_EQ(Convert(" " + field + " ", &date, &err), IdxLine::kError) << field;
    EXPECT_EQ(err, "'$" + field + suffix) << field;
  }
}

}  // namespace
}  // namespace zeldrium
