#include "search/folder_idx.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "search/str_libs.h"

namespace zeldrium {
namespace {

// "は整数ではありません" (is not an integer), code page 932.
constexpr std::string_view kNotAnInteger =
    "\x82\xcd\x90\xae\x90\x94\x82\xc5\x82\xcd\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";

constexpr int kIdxFieldsRead = 9;

// Trim of str_libs, inlined: it runs on six fields of every line.
inline std::string_view TrimField(const char* b, const char* e) {
  while (b < e && static_cast<unsigned char>(*b) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(e[-1]) <= 0x20) --e;
  return std::string_view(b, static_cast<size_t>(e - b));
}

// Hands out, in order, the positions of the bytes below 0x02 (separators and ends of line) in
// [begin, end), never reading past end.
#if defined(__SSE2__)
// With SSE2 (every x86-64 build, and the 32-bit DLL) every block of bytes becomes one bit mask,
// sixteen bytes per instruction and without a branch per byte, and the positions come from its
// set bits: a line costs a few masks rather than a scan that stops and restarts at every field.
// The block is as wide as a register: on 32-bit x86 a 64-bit mask costs pairs of instructions
// for every shift, test and bit count.
class ControlBytes {
 public:
  ControlBytes(const char* begin, const char* end)
      : begin_(begin), size_(static_cast<size_t>(end - begin)) {
    mask_ = BlockMask(0);
  }

  // The next position, or end once there is none.
  const char* Next() {
    while (mask_ == 0) {
      block_ += kBlock;
      if (block_ >= size_) return begin_ + size_;
      mask_ = BlockMask(block_);
    }
    const char* p = begin_ + block_ + std::countr_zero(mask_);
    mask_ &= mask_ - 1;
    return p;
  }

 private:
  using Mask = std::conditional_t<(sizeof(void*) >= 8), uint64_t, uint32_t>;
  static constexpr size_t kBlock = sizeof(Mask) * 8;

  static unsigned Mask16(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i below2 = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(1)), v);
    return static_cast<unsigned>(_mm_movemask_epi8(below2));
  }

  // Bit i set when the byte at block + i is below 0x02.
  Mask BlockMask(size_t block) const {
    const char* p = begin_ + block;
    const size_t n = std::min(kBlock, size_ - block);
    Mask mask = 0;
    size_t i = 0;
    for (; i + 16 <= n; i += 16) mask |= static_cast<Mask>(Mask16(p + i)) << i;
    if (i < n && size_ >= 16) {
      // The last few bytes: one load that ends where the data ends, reaching back over bytes
      // already seen, whose bits are shifted out.
      const size_t rest = n - i;
      return mask | static_cast<Mask>(Mask16(p + n - 16) >> (16 - rest)) << i;
    }
    for (; i < n; ++i) {
      mask |= static_cast<Mask>(static_cast<unsigned char>(p[i]) < 0x02) << i;
    }
    return mask;
  }

  const char* begin_;
  size_t size_;
  size_t block_ = 0;
  Mask mask_;
};
#else
// Elsewhere (a build without SSE2) a word at a time: (w - 0x0202..) & ~w & 0x8080.. marks every
// byte below 2 and nothing before the first of them, so its lowest bit is exact (bits above it may
// come from the borrow, which is why the scan restarts after each find).
class ControlBytes {
 public:
  ControlBytes(const char* begin, const char* end) : pos_(begin), end_(end) {}

  const char* Next() {
    const char* p = Find(pos_);
    pos_ = p < end_ ? p + 1 : end_;
    return p;
  }

 private:
  const char* Find(const char* p) const {
    if constexpr (std::endian::native == std::endian::little) {
      using Word = uintptr_t;
      constexpr Word kOnes = ~Word{0} / 0xFF;
      while (static_cast<size_t>(end_ - p) >= sizeof(Word)) {
        Word w;
        std::memcpy(&w, p, sizeof w);
        const Word below2 = (w - kOnes * 2) & ~w & (kOnes * 0x80);
        if (below2 != 0) return p + std::countr_zero(below2) / 8;
        p += sizeof w;
      }
    }
    while (p < end_ && static_cast<unsigned char>(*p) >= 0x02) ++p;
    return p;
  }

  const char* pos_;
  const char* end_;
};
#endif

// True when the 0x01 at p is the second byte of a double-byte character of the field that
// starts at field, which is a character boundary. That is so when an odd run of lead-range
// bytes stands right before p: a byte outside the range always ends a character, so the run
// starts on a boundary and its bytes pair up from there. The walk never passes field and stops
// at the first byte outside the range, so it is short.
inline bool CarriedByLeadByte(const char* field, const char* p) {
  const char* run = p;
  while (run > field && IsLeadByte(static_cast<unsigned char>(run[-1]))) --run;
  return ((p - run) & 1) != 0;
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
  if (text.size() <= 8) {
    // Dates have eight digits, which cannot overflow 32 bits. On 32-bit x86 this loop is several
    // times cheaper than the 64-bit one below, and it runs on every line.
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
  ControlBytes controls(begin, end);
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
  // Field k (0-based) is [start[k], stop[k]); fields past the end of the line are empty views
  // at the end. Fields 1, 3 and 8 are only stepped over, and nothing after field 9 is looked at.
  const char* start[kIdxFieldsRead];
  const char* stop[kIdxFieldsRead];
  const char* const end = line.data() + line.size();
  ControlBytes controls(line.data(), end);
  const char* field = line.data();
  int k = 0;
  while (k < kIdxFieldsRead) {
    const char* p = controls.Next();
    if (p == end || *p == '\0') {
      start[k] = field;
      stop[k] = p;
      for (++k; k < kIdxFieldsRead; ++k) start[k] = stop[k] = p;
      break;
    }
    if (CarriedByLeadByte(field, p)) continue;
    start[k] = field;
    stop[k] = p;
    ++k;
    field = p + 1;
  }
  const std::string_view date = TrimField(start[8], stop[8]);
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
  rec->MessageKey = TrimField(start[1], stop[1]);
  rec->Subject = TrimField(start[3], stop[3]);
  rec->From = TrimField(start[4], stop[4]);
  rec->To = TrimField(start[5], stop[5]);
  rec->Extra = TrimField(start[6], stop[6]);
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
