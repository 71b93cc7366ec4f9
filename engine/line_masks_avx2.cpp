// Built with AVX2 enabled on x86 (CMakeLists.txt); MarkLineBytes calls it only when the
// processor has AVX2.
#include "engine/line_mask_blocks.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace zeldrium {
namespace {

#if defined(__AVX2__)
// The kinds of 32 bytes, each as the low 32 bits of a mask. kLikelySound: 0x00 is taken for a
// separator, and *least keeps the least byte seen (MarkLikelySound).
template <bool kLikelySound>
inline BlockBytes Classify32(const char* p, __m256i* least) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  // x ^ 0x20 moves both lead ranges next to each other: 0xA1-0xDC, 60 values from 0xA1.
  const __m256i lead = _mm256_sub_epi8(_mm256_xor_si256(v, _mm256_set1_epi8(0x20)),
                                       _mm256_set1_epi8(static_cast<char>(0xA1)));
  // Through uint32_t, so that bit 31 does not spread into the upper half.
  auto bits = [](__m256i m) {
    return static_cast<LineMask>(static_cast<uint32_t>(_mm256_movemask_epi8(m)));
  };
  const LineMask cr = bits(_mm256_cmpeq_epi8(v, _mm256_set1_epi8('\r')));
  const LineMask lead_bits = bits(_mm256_cmpeq_epi8(_mm256_min_epu8(lead, _mm256_set1_epi8(0x3B)), lead));
  if constexpr (kLikelySound) {
    *least = _mm256_min_epu8(*least, v);
    const LineMask low = bits(_mm256_cmpeq_epi8(_mm256_min_epu8(v, _mm256_set1_epi8(1)), v));
    return BlockBytes{cr, 0, low, lead_bits};
  } else {
    return BlockBytes{cr, bits(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())),
                      bits(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(1))), lead_bits};
  }
}

template <bool kLikelySound>
inline BlockBytes ClassifyAvx2(const char* block, __m256i* least) {
  if constexpr (kLineMaskBits == 32) {
    return Classify32<kLikelySound>(block, least);
  } else {
    // Written out: as a loop, the compiler keeps it, with shifts by a variable count.
    const BlockBytes lo = Classify32<kLikelySound>(block, least);
    const BlockBytes hi = Classify32<kLikelySound>(block + 32, least);
    constexpr int kHalf = kLineMaskBits / 2;
    return BlockBytes{lo.cr | hi.cr << kHalf, lo.nul | hi.nul << kHalf,
                      lo.separator | hi.separator << kHalf, lo.lead | hi.lead << kHalf};
  }
}

// Where the probe's first byte stands at one of 32 starts and its last byte at the distance.
inline LineMask Probe32(const char* p, const LineProbe& probe) {
  const __m256i a = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                                    _mm256_set1_epi8(static_cast<char>(probe.first_fold)));
  const __m256i b =
      _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + probe.distance)),
                      _mm256_set1_epi8(static_cast<char>(probe.last_fold)));
  return static_cast<LineMask>(static_cast<uint32_t>(_mm256_movemask_epi8(
      _mm256_and_si256(_mm256_cmpeq_epi8(a, _mm256_set1_epi8(static_cast<char>(probe.first))),
                       _mm256_cmpeq_epi8(b, _mm256_set1_epi8(static_cast<char>(probe.last)))))));
}

inline LineMask ProbeAvx2(const char* block, const LineProbe& probe) {
  if constexpr (kLineMaskBits == 32) {
    return Probe32(block, probe);
  } else {
    return Probe32(block, probe) | Probe32(block + 32, probe) << (kLineMaskBits / 2);
  }
}
#endif

}  // namespace

void MarkLineBytesAvx2(const char* data, size_t n, LineMarks* out, const LineProbe* probe) {
#if defined(__AVX2__)
  // Through lambdas, so that they are inlined into the loop.
  __m256i least = _mm256_set1_epi8(-1);
  MarkLikelySound(
      data, n, out, probe,
      [&least](const char* block) { return ClassifyAvx2<true>(block, &least); },
      [&least](const char* block) { return ClassifyAvx2<false>(block, &least); },
      [](const char* block, const LineProbe& p) { return ProbeAvx2(block, p); },
      [](uint32_t* at, LineMask m, uint32_t base) { return Flatten(at, m, base); },
      [&least] {
        return _mm256_movemask_epi8(_mm256_cmpeq_epi8(least, _mm256_setzero_si256())) != 0;
      });
#else
  // Not built for AVX2 (not x86): never chosen, but must still give the right answer.
  MarkLineBytesWith(LineMaskCode::kPortable, data, n, out, probe);
#endif
}

}  // namespace zeldrium
