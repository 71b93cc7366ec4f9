#ifndef ZELDRIUM_STORE_IDX_DATE_H_
#define ZELDRIUM_STORE_IDX_DATE_H_

// Field 9 of an index line, the mail's date: Unix seconds (UTC) in hexadecimal, almost always
// eight digits. Every dated line of every searched file is converted, so the common form has a
// path of its own that looks at the eight bytes side by side.

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "store/folder_idx.h"

namespace zeldrium {

// Bytes 0x00-0x20 off both ends, as the fields of an index line are trimmed.
inline std::string_view TrimIdxField(const char* b, const char* e) {
  while (b < e && static_cast<unsigned char>(*b) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(e[-1]) <= 0x20) --e;
  return std::string_view(b, static_cast<size_t>(e - b));
}

// TFolderIdx::Date of a field 9 read as value. Unsigned arithmetic wraps by definition; the
// conversion to int32 is modular since C++20.
inline int32_t ShiftedIdxDate(uint32_t value) {
  return static_cast<int32_t>(value + static_cast<uint32_t>(kIdxDateShift));
}

// The sizeof(W) hexadecimal digits packed in x, the first digit in the lowest byte, checked and
// converted side by side, without a branch or a table lookup per digit: false if a byte is no
// digit.
template <typename W>
inline bool PackedHexDigits(W x, uint32_t* value) {
  constexpr W k01 = ~W{0} / 0xFF;
  constexpr W k80 = k01 * 0x80;
  // For bytes below 0x80, (b + (0x80 - c)) has its top bit set exactly when b >= c. A byte of
  // 0x80 or more may carry into the next one, but is itself refused by ~x.
  const W lower = x | k01 * 0x20;
  const W digit = (x + k01 * (0x80 - '0')) & ~(x + k01 * (0x80 - '9' - 1));
  const W letter = (lower + k01 * (0x80 - 'a')) & ~(lower + k01 * (0x80 - 'f' - 1));
  if ((((digit | letter) & ~x) & k80) != k80) return false;
  // A digit's value is its low four bits; a letter's is those plus 9 (bit 6 marks letters).
  W v = (x & k01 * 0x0F) + ((x >> 6) & k01) * 9;
  // Bytes in memory order, first digit lowest: pair them up into the number, highest first.
  v = ((v << 4) | (v >> 8)) & (~W{0} / 0xFFFF * 0xFF);
  v = ((v << 8) | (v >> 16)) & (~W{0} / 0xFFFFFFFF * 0xFFFF);
  if constexpr (sizeof(W) > 4) v = (v << 16) | (v >> 32);
  *value = static_cast<uint32_t>(v);
  return true;
}

// The sizeof(W) bytes at p as a little-endian word, whatever the machine: the first byte lowest.
template <typename W>
inline W LittleEndianWord(const char* p) {
  W x = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&x, p, sizeof x);
  } else {
    for (int i = static_cast<int>(sizeof x) - 1; i >= 0; --i) {
      x = (x << 8) | static_cast<unsigned char>(p[i]);
    }
  }
  return x;
}

// Eight hexadecimal digits at text: in one word where registers have 64 bits, else in two, so
// that a 32-bit build does no 64-bit arithmetic for every line.
inline bool ParseHex8(const char* text, uint32_t* value) {
  if constexpr (sizeof(uintptr_t) >= 8) {
    return PackedHexDigits(LittleEndianWord<uint64_t>(text), value);
  } else {
    uint32_t high;
    uint32_t low;
    if (!PackedHexDigits(LittleEndianWord<uint32_t>(text), &high) ||
        !PackedHexDigits(LittleEndianWord<uint32_t>(text + 4), &low)) {
      return false;
    }
    *value = high << 16 | low;
    return true;
  }
}

// Converts a line's trimmed field 9 into *date (with the time zone shift): kRecord, or kSkip
// for an empty field, or kError with *err saying "'$<field>' は整数ではありません". Any count of
// leading zeros is taken; the value must fit in 64 bits, and its low 32 bits are the date.
IdxLine ConvertIdxDate(std::string_view field, int32_t* date, std::string* err);

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_IDX_DATE_H_
