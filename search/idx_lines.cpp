#include "search/idx_lines.h"

#include <array>
#include <cstdint>

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

// Any count of leading zeros is fine; the value itself must fit in 64 bits.
bool ParseHex64(std::string_view text, uint64_t* value) {
  if (text.empty()) return false;
  if (text.size() == 8) {
    // A date, on every line: eight lookups that do not wait for each other and one test,
    // rather than a chain of eight shifts each behind a test.
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const uint32_t d[8] = {kHexDigits[s[0]], kHexDigits[s[1]], kHexDigits[s[2]], kHexDigits[s[3]],
                           kHexDigits[s[4]], kHexDigits[s[5]], kHexDigits[s[6]], kHexDigits[s[7]]};
    if (((d[0] | d[1] | d[2] | d[3] | d[4] | d[5] | d[6] | d[7]) & 0xF0) != 0) return false;
    *value = (d[0] << 28) | (d[1] << 24) | (d[2] << 20) | (d[3] << 16) | (d[4] << 12) |
             (d[5] << 8) | (d[6] << 4) | d[7];
    return true;
  }
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

// The first nine fields of a line, untrimmed: field k is [start[k], stop[k]). Fields past the
// end of the line, or past a 0x00, are empty.
struct IdxFields {
  static constexpr int kCount = 9;
  const char* start[kCount];
  const char* stop[kCount];
};

// The record of a line once its fields are found: fields 2, 4, 5, 6 and 7 trimmed, and field 9
// a hexadecimal date. Fields 1, 3 and 8 are only stepped over.
inline IdxLine IdxLineOfFields(const IdxFields& f, TFolderIdx* rec, std::string* err) {
  const std::string_view date = TrimField(f.start[8], f.stop[8]);
  if (date.empty()) return IdxLine::kSkip;

  uint64_t value;
  if (!ParseHex64(date, &value)) {
    err->clear();
    err->append("'$").append(date).append("' ").append(kNotAnInteger);
    return IdxLine::kError;
  }
  // Unsigned arithmetic wraps by definition; the conversion to int32 is modular since C++20.
  rec->Date =
      static_cast<int32_t>(static_cast<uint32_t>(value) + static_cast<uint32_t>(kIdxDateShift));
  rec->MessageKey = TrimField(f.start[1], f.stop[1]);
  rec->Subject = TrimField(f.start[3], f.stop[3]);
  rec->From = TrimField(f.start[4], f.stop[4]);
  rec->To = TrimField(f.start[5], f.stop[5]);
  rec->Extra = TrimField(f.start[6], f.stop[6]);
  return IdxLine::kRecord;
}

}  // namespace

TIdxLineScanner::TIdxLineScanner(std::string_view data, bool at_end)
    : begin_(data.data()),
      end_(data.data() + data.size()),
      line_(begin_),
      at_end_(at_end),
      line_ends_(begin_, end_),
      separators_(begin_, end_) {}

bool TIdxLineScanner::Next(IdxLine* kind, TFolderIdx* rec, std::string* err) {
  // The line's end first: then the separators are walked only as far as field 9, and a line
  // end never stands among them.
  const char* const cr = line_ends_.Next();
  if (cr == end_) {
    // No CR: the last line of the file, or one that goes on in data not yet read. A file
    // that ends with a line end has no line after it.
    if (!at_end_ || line_ == end_) return false;
  }

  IdxFields f;
  const char* field = line_;
  int k = 0;
  while (k < IdxFields::kCount) {
    const char* p = separators_.NextBefore(cr);
    if (p == cr || *p == '\0') {
      // The end of the line's fields: the one being read ends here, those after it are empty.
      f.start[k] = field;
      f.stop[k] = p;
      for (++k; k < IdxFields::kCount; ++k) f.start[k] = f.stop[k] = p;
      break;
    }
    if (CarriedByLeadByte(field, p)) continue;
    f.start[k] = field;
    f.stop[k] = p;
    ++k;
    field = p + 1;
  }
  separators_.SkipTo(cr);
  line_ = cr == end_ ? end_ : cr + 1 < end_ && cr[1] == '\n' ? cr + 2 : cr + 1;
  *kind = IdxLineOfFields(f, rec, err);
  return true;
}

}  // namespace zeldrium
