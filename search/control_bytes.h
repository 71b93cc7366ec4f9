#ifndef ZELDRIUM_SEARCH_CONTROL_BYTES_H_
#define ZELDRIUM_SEARCH_CONTROL_BYTES_H_

// The byte scan under the index line readers (folder_idx.cpp): where the separators, 0x00 bytes
// and line ends of index data are. Only folder_idx.cpp and its tests include this.

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

// Hands out, in order, the positions of the bytes below 0x02 (separators and ends of line) in
// [begin, end), and with kWithCr those of CR bytes too, never reading past end.
#if defined(__SSE2__)
// With SSE2 (every x86-64 build, and the 32-bit DLL) every block of bytes becomes one bit mask,
// sixteen bytes per instruction and without a branch per byte, and the positions come from its
// set bits: a line costs a few masks rather than a scan that stops and restarts at every field.
// The block is as wide as a register: on 32-bit x86 a 64-bit mask costs pairs of instructions
// for every shift, test and bit count.
template <bool kWithCr>
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
    __m128i hits = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(1)), v);
    if constexpr (kWithCr) hits = _mm_or_si128(hits, _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
  }

  static bool IsControl(unsigned char c) { return c < 0x02 || (kWithCr && c == '\r'); }

  // Bit i set when the byte at block + i is below 0x02.
  Mask BlockMask(size_t block) const {
    const char* p = begin_ + block;
    const size_t n = std::min(kBlock, size_ - block);
    Mask mask = 0;
    if (n == kBlock) {
      // Every block but the last: a fixed count of loads, unrolled.
      for (size_t i = 0; i < kBlock; i += 16) mask |= static_cast<Mask>(Mask16(p + i)) << i;
      return mask;
    }
    size_t i = 0;
    for (; i + 16 <= n; i += 16) mask |= static_cast<Mask>(Mask16(p + i)) << i;
    if (i < n && size_ >= 16) {
      // The last few bytes: one load that ends where the data ends, reaching back over bytes
      // already seen, whose bits are shifted out.
      const size_t rest = n - i;
      return mask | static_cast<Mask>(Mask16(p + n - 16) >> (16 - rest)) << i;
    }
    for (; i < n; ++i) {
      mask |= static_cast<Mask>(IsControl(static_cast<unsigned char>(p[i]))) << i;
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
// come from the borrow, which is why the scan restarts after each find). A CR is a zero byte of
// w ^ 0x0D0D.., found the same way.
template <bool kWithCr>
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
        Word found = (w - kOnes * 2) & ~w & (kOnes * 0x80);
        if constexpr (kWithCr) {
          const Word cr = w ^ (kOnes * '\r');
          found |= (cr - kOnes) & ~cr & (kOnes * 0x80);
        }
        if (found != 0) return p + std::countr_zero(found) / 8;
        p += sizeof w;
      }
    }
    while (p < end_ && !(static_cast<unsigned char>(*p) < 0x02 ||
                         (kWithCr && *p == '\r'))) {
      ++p;
    }
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

}  // namespace zeldrium

#endif  // ZELDRIUM_SEARCH_CONTROL_BYTES_H_
