#include "store/idx_date.h"

#include <array>

namespace zeldrium {
namespace {

// "は整数ではありません" (is not an integer), code page 932.
constexpr std::string_view kNotAnInteger =
    "\x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";

constexpr unsigned char kNotHex = 0xFF;

constexpr std::array<unsigned char, 256> MakeHexDigits() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c) {
    t[c] = c >= '0' && c <= '9'   ? static_cast<unsigned char>(c - '0')
           : c >= 'a' && c <= 'f' ? static_cast<unsigned char>(c - 'a' + 10)
           : c >= 'A' && c <= 'F' ? static_cast<unsigned char>(c - 'A' + 10)
                                  : kNotHex;
  }
  return t;
}

constexpr std::array<unsigned char, 256> kHexDigits = MakeHexDigits();

bool ParseHex64(std::string_view text, uint64_t* value) {
  if (text.empty()) return false;
  if (text.size() < 8) {
    // Cannot overflow 32 bits. On 32-bit x86 this loop is several times cheaper than the 64-bit
    // one below.
    uint32_t v = 0;
    for (char ch : text) {
      const unsigned char digit = kHexDigits[static_cast<unsigned char>(ch)];
      if (digit == kNotHex) return false;
      v = (v << 4) | digit;
    }
    *value = v;
    return true;
  }
  uint64_t v = 0;
  for (char ch : text) {
    const unsigned char digit = kHexDigits[static_cast<unsigned char>(ch)];
    if (digit == kNotHex || (v >> 60) != 0) return false;
    v = (v << 4) | digit;
  }
  *value = v;
  return true;
}

// Dates that are not eight digits, and the error: out of the way of the common case.
[[gnu::noinline]] IdxLine ConvertOtherDate(std::string_view field, int32_t* date,
                                           std::string* err) {
  uint64_t value;
  if (!ParseHex64(field, &value)) {
    err->clear();
    err->append("'$").append(field).append("' ").append(kNotAnInteger);
    return IdxLine::kError;
  }
  *date = ShiftedIdxDate(static_cast<uint32_t>(value));
  return IdxLine::kRecord;
}

}  // namespace

IdxLine ConvertIdxDate(std::string_view field, int32_t* date, std::string* err) {
  uint32_t value;
  if (field.size() == 8 && ParseHex8(field.data(), &value)) {
    *date = ShiftedIdxDate(value);
    return IdxLine::kRecord;
  }
  if (field.empty()) return IdxLine::kSkip;
  return ConvertOtherDate(field, date, err);
}

}  // namespace zeldrium
