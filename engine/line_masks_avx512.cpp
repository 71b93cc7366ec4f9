// Built with AVX-512 enabled on x86 (CMakeLists.txt); MarkLineBytes calls it only when the
// processor has it. Compares give their masks directly, and the field ends of a block are
// listed by one compress instead of a bit at a time. 64-bit only: on 32-bit x86 a block is 32
// bytes, and the AVX2 version serves.
#include "engine/line_mask_blocks.h"

#if defined(__AVX512BW__) && defined(__AVX512VBMI2__) && UINTPTR_MAX > 0xFFFFFFFFu
#define ZELDRIUM_MARK_AVX512 1
#include <immintrin.h>
#endif

namespace zeldrium {
namespace {

#if defined(ZELDRIUM_MARK_AVX512)
// kLikelySound: 0x00 is taken for a separator, and *least keeps the least byte seen
// (MarkLikelySound).
template <bool kLikelySound>
inline BlockBytes ClassifyAvx512(const char* block, __m512i* least) {
  const __m512i v = _mm512_loadu_si512(block);
  // x ^ 0x20 moves both lead ranges next to each other: 0xA1-0xDC, 60 values from 0xA1.
  const __m512i lead = _mm512_sub_epi8(_mm512_xor_si512(v, _mm512_set1_epi8(0x20)),
                                       _mm512_set1_epi8(static_cast<char>(0xA1)));
  const LineMask cr = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\r'));
  const LineMask lead_bits = _mm512_cmple_epu8_mask(lead, _mm512_set1_epi8(0x3B));
  if constexpr (kLikelySound) {
    *least = _mm512_min_epu8(*least, v);
    return BlockBytes{cr, 0, _mm512_cmple_epu8_mask(v, _mm512_set1_epi8(1)), lead_bits};
  } else {
    return BlockBytes{cr, _mm512_testn_epi8_mask(v, v),
                      _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(1)), lead_bits};
  }
}

// Where the probe's first byte stands at one of 64 starts and its last byte at the distance.
inline LineMask ProbeAvx512(const char* block, const LineProbe& probe) {
  const __m512i a = _mm512_or_si512(_mm512_loadu_si512(block),
                                    _mm512_set1_epi8(static_cast<char>(probe.first_fold)));
  const __m512i b = _mm512_or_si512(_mm512_loadu_si512(block + probe.distance),
                                    _mm512_set1_epi8(static_cast<char>(probe.last_fold)));
  const __mmask64 first =
      _mm512_cmpeq_epi8_mask(a, _mm512_set1_epi8(static_cast<char>(probe.first)));
  return _mm512_mask_cmpeq_epi8_mask(first, b, _mm512_set1_epi8(static_cast<char>(probe.last)));
}

// The offsets of the set bits, packed as bytes, widened sixteen at a time.
inline uint32_t* FlattenAvx512(uint32_t* out, LineMask m, uint32_t base) {
  alignas(64) static constexpr char kOffsets[64] = {
      0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
      22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
      44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};
  const __m512i packed = _mm512_maskz_compress_epi8(m, _mm512_load_si512(kOffsets));
  const __m512i b = _mm512_set1_epi32(static_cast<int>(base));
  // (Zero-masking forms throughout, even for the lowest part: the plain ones start from an
  // undefined register, which GCC 12 takes for a use of an uninitialized value.)
  const auto put = [&](int i, __m128i offsets) {
    _mm512_storeu_si512(out + 16 * i, _mm512_add_epi32(_mm512_maskz_cvtepu8_epi32(0xFFFF, offsets), b));
  };
  const int count = std::popcount(m);
  // Sixteen written whatever the count: most blocks hold fewer.
  put(0, _mm512_maskz_extracti32x4_epi32(0xF, packed, 0));
  if (count > 16) {
    put(1, _mm512_maskz_extracti32x4_epi32(0xF, packed, 1));
    put(2, _mm512_maskz_extracti32x4_epi32(0xF, packed, 2));
    put(3, _mm512_maskz_extracti32x4_epi32(0xF, packed, 3));
  }
  return out + count;
}
#endif

}  // namespace

void MarkLineBytesAvx512(const char* data, size_t n, LineMarks* out, const LineProbe* probe) {
#if defined(ZELDRIUM_MARK_AVX512)
  // Through lambdas, so that they are inlined into the loop.
  __m512i least = _mm512_set1_epi8(-1);
  MarkLikelySound(
      data, n, out, probe,
      [&least](const char* block) { return ClassifyAvx512<true>(block, &least); },
      [&least](const char* block) { return ClassifyAvx512<false>(block, &least); },
      [](const char* block, const LineProbe& p) { return ProbeAvx512(block, p); },
      [](uint32_t* at, LineMask m, uint32_t base) { return FlattenAvx512(at, m, base); },
      [&least] { return _mm512_cmpeq_epi8_mask(least, _mm512_setzero_si512()) != 0; });
#else
  // Not built for it (not 64-bit x86): never chosen, but must still give the right answer.
  MarkLineBytesAvx2(data, n, out, probe);
#endif
}

}  // namespace zeldrium
