#include "text/byte_scan.h"

#include <bit>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zeldrium {

#if defined(__SSE2__)
namespace {

inline __m128i Equal16(const char* p, __m128i needle) {
  return _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), needle);
}

inline unsigned Matches16(const char* p, __m128i needle) {
  return static_cast<unsigned>(_mm_movemask_epi8(Equal16(p, needle)));
}

}  // namespace

const char* FindByteVector(const char* begin, const char* end, char c) {
  const char* p = begin;
  const size_t size = static_cast<size_t>(end - begin);
  if (size < 16) {
    while (p < end && *p != c) ++p;
    return p;
  }
  const __m128i needle = _mm_set1_epi8(c);
  // Lines run to a hundred bytes and more: 64 bytes with one branch keep the loop short.
  while (end - p >= 64) {
    const __m128i a = Equal16(p, needle);
    const __m128i b = Equal16(p + 16, needle);
    const __m128i d = Equal16(p + 32, needle);
    const __m128i e = Equal16(p + 48, needle);
    if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(d, e))) != 0) break;
    p += 64;
  }
  while (end - p >= 16) {
    const unsigned mask = Matches16(p, needle);
    if (mask != 0) return p + std::countr_zero(mask);
    p += 16;
  }
  if (p < end) {
    // The last few bytes: one load that ends where the data ends, reaching back over bytes
    // already seen, whose bits are shifted out.
    const unsigned rest = static_cast<unsigned>(end - p);
    const unsigned mask = Matches16(end - 16, needle) >> (16 - rest);
    if (mask != 0) return p + std::countr_zero(mask);
  }
  return end;
}

#else

const char* FindByteVector(const char* begin, const char* end, char c) {
  const char* p = begin;
  while (p < end && *p != c) ++p;
  return p;
}

#endif

}  // namespace zeldrium
