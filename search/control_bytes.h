#ifndef ZELDRIUM_SEARCH_CONTROL_BYTES_H_
#define ZELDRIUM_SEARCH_CONTROL_BYTES_H_

// The byte scans under the index line readers (folder_idx.cpp, idx_lines.cpp): where the
// separators, 0x00 bytes and line ends of index data are. Only those and their tests include
// this.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "search/str_libs.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zeldrium {

// What a ControlBytes scan hands out.
enum class Control {
  kBelow2,  // 0x00 and 0x01: separators, and 0x00, which ends a line's fields
  kCr,      // CR: the end of a line
};

// Hands out, in order, the positions of the bytes of one kind in [begin, end), never reading
// past end.
#if defined(__SSE2__)
// With SSE2 (every x86-64 build, and the 32-bit DLL) every block of bytes becomes one bit mask,
// sixteen bytes per instruction and without a branch per byte, and the positions come from its
// set bits: many lines share a block's mask, and a line costs no scan that stops and restarts
// at every field. The block is as wide as a register: on 32-bit x86 a 64-bit mask costs pairs of
// instructions for every shift, test and bit count.
template <Control kKind>
class ControlBytes {
 public:
  ControlBytes(const char* begin, const char* end)
      : begin_(begin), size_(static_cast<size_t>(end - begin)) {
    mask_ = BlockMask(0);
  }

  // The next position, or end once there is none.
  const char* Next() { return NextBefore(begin_ + size_); }

  // The next position if it comes before limit; else limit, and that position stays next.
  // REQUIRES: limit <= end.
  const char* NextBefore(const char* limit) {
    while (mask_ == 0) {
      if (block_ + kBlock >= size_) return limit;
      block_ += kBlock;
      mask_ = BlockMask(block_);
    }
    const char* p = begin_ + block_ + std::countr_zero(mask_);
    if (p >= limit) return limit;
    mask_ &= mask_ - 1;
    return p;
  }

  // Drops the positions before p. REQUIRES: p <= end.
  void SkipTo(const char* p) {
    const size_t offset = static_cast<size_t>(p - begin_);
    if (offset < block_) return;  // a look ahead passed p already
    if (offset >= block_ + kBlock) {
      block_ = offset - offset % kBlock;
      mask_ = block_ < size_ ? BlockMask(block_) : 0;
    }
    const size_t below = offset - block_;
    if (below > 0) mask_ &= ~((Mask{1} << below) - 1);
  }

 private:
  using Mask = std::conditional_t<(sizeof(void*) >= 8), uint64_t, uint32_t>;
  static constexpr size_t kBlock = sizeof(Mask) * 8;

  static unsigned Mask16(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hits = kKind == Control::kCr
                             ? _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))
                             : _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(1)), v);
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
  }

  static bool Is(unsigned char c) { return kKind == Control::kCr ? c == '\r' : c < 0x02; }

  // Bit i set when the byte at block + i is of the kind.
  Mask BlockMask(size_t block) const {
    const char* p = begin_ + block;
    const size_t n = std::min(kBlock, size_ - block);
    Mask mask = 0;
    if (n == kBlock) {
      // Every block but the last, written out: as a loop, the compiler keeps the loop and its
      // shifts by a variable count, which cost more than the loads.
      if constexpr (kBlock == 64) {
        return static_cast<Mask>(Mask16(p)) | static_cast<Mask>(Mask16(p + 16)) << 16 |
               static_cast<Mask>(Mask16(p + 32)) << 32 | static_cast<Mask>(Mask16(p + 48)) << 48;
      } else {
        return static_cast<Mask>(Mask16(p)) | static_cast<Mask>(Mask16(p + 16)) << 16;
      }
    }
    size_t i = 0;
    for (; i + 16 <= n; i += 16) mask |= static_cast<Mask>(Mask16(p + i)) << i;
    if (i < n && size_ >= 16) {
      // The last few bytes: one load that ends where the data ends, reaching back over bytes
      // already seen, whose bits are shifted out.
      const size_t rest = n - i;
      return mask | static_cast<Mask>(Mask16(p + n - 16) >> (16 - rest)) << i;
    }
    for (; i < n; ++i) mask |= static_cast<Mask>(Is(static_cast<unsigned char>(p[i]))) << i;
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
// come from the borrow, which is why the scan restarts after each find). A CR is a zero byte of
// w ^ 0x0D0D.., found the same way with 0x0101...
template <Control kKind>
class ControlBytes {
 public:
  ControlBytes(const char* begin, const char* end) : pos_(begin), end_(end) {}

  const char* Next() { return NextBefore(end_); }

  const char* NextBefore(const char* limit) {
    const char* p = Find(pos_);
    if (p >= limit) return limit;
    pos_ = p + 1;
    return p;
  }

  void SkipTo(const char* p) { pos_ = std::max(pos_, p); }

 private:
  static bool Is(unsigned char c) { return kKind == Control::kCr ? c == '\r' : c < 0x02; }

  const char* Find(const char* p) const {
    if constexpr (std::endian::native == std::endian::little) {
      using Word = uintptr_t;
      constexpr Word kOnes = ~Word{0} / 0xFF;
      while (static_cast<size_t>(end_ - p) >= sizeof(Word)) {
        Word w;
        std::memcpy(&w, p, sizeof w);
        Word found;
        if constexpr (kKind == Control::kCr) {
          w ^= kOnes * '\r';
          found = (w - kOnes) & ~w & (kOnes * 0x80);
        } else {
          found = (w - kOnes * 2) & ~w & (kOnes * 0x80);
        }
        if (found != 0) return p + std::countr_zero(found) / 8;
        p += sizeof w;
      }
    }
    while (p < end_ && !Is(static_cast<unsigned char>(*p))) ++p;
    return p;
  }

  const char* pos_;
  const char* end_;
};
#endif

// Trim of str_libs (bytes 0x00-0x20 off both ends), inlined: it runs on six fields of every
// line.
inline std::string_view TrimField(const char* b, const char* e) {
  while (b < e && static_cast<unsigned char>(*b) <= 0x20) ++b;
  while (e > b && static_cast<unsigned char>(e[-1]) <= 0x20) --e;
  return std::string_view(b, static_cast<size_t>(e - b));
}

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

}  // namespace zeldrium

#endif  // ZELDRIUM_SEARCH_CONTROL_BYTES_H_
