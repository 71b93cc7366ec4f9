#include "search/folder_idx.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>

#include "search/control_bytes.h"
#include "search/idx_lines.h"
#include "search/str_libs.h"

namespace zeldrium {
namespace {

// "は整数ではありません" (is not an integer), code page 932.
constexpr std::string_view kNotAnInteger =
    "\x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";

// Trim of str_libs, inlined: it runs on six fields of every line.
inline std::string_view TrimField(const char* b, const char* e) {
  while (b < e && static_cast<unsigned char>(*b) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(e[-1]) <= 0x20) --e;
  return std::string_view(b, static_cast<size_t>(e - b));
}

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

// Position of the last backslash that is a character of its own, or npos.
size_t LastBackslash(std::string_view text) {
  size_t found = std::string_view::npos;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (IsLeadByte(c)) {
      i += 2;
    } else {
      if (c == '\\') found = i;
      ++i;
    }
  }
  return found;
}

}  // namespace

std::string_view NextIdxField(std::string_view* cursor) {
  const char* const begin = cursor->data();
  const char* const end = begin + cursor->size();
  ControlBytes<false> controls(begin, end);
  for (;;) {
    const char* p = controls.Next();
    if (p == end || *p == '\0') {
      // The end of the line: the cursor stays parked there, so further calls return "".
      cursor->remove_prefix(static_cast<size_t>(p - begin));
      return TrimField(begin, p);
    }
    if (!CarriedByLeadByte(begin, p)) {
      cursor->remove_prefix(static_cast<size_t>(p - begin) + 1);
      return TrimField(begin, p);
    }
  }
}

IdxLine ReadIdxLine(std::string_view line, TFolderIdx* rec, std::string* err) {
  // A line holds no CR (the reader ends lines there): to the scanner it is the last line of a
  // file, and an empty one is no line at all.
  TIdxLineScanner scanner(line, true);
  IdxLine kind;
  return scanner.Next(&kind, rec, err) ? kind : IdxLine::kSkip;
}

IdxLine IdxLineOfFields(const IdxFields& f, TFolderIdx* rec, std::string* err) {
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

std::string_view FolderIdOfIndexPath(std::string_view index_path, std::string_view data_folder) {
  const size_t slash = LastBackslash(index_path);
  if (slash == std::string_view::npos) return {};
  const std::string_view dir = index_path.substr(0, slash + 1);
  if (dir.size() <= data_folder.size()) return {};
  return dir.substr(data_folder.size());
}

std::string MakeMailID(std::string_view folder_id, std::string_view message_key) {
  std::string id;
  id.reserve(folder_id.size() + 1 + message_key.size());
  id.append(folder_id).append(1, '?').append(message_key);
  return id;
}

bool EndsWithBackslash(std::string_view text) {
  const size_t slash = LastBackslash(text);
  return slash != std::string_view::npos && slash + 1 == text.size();
}

}  // namespace zeldrium
