#include "engine/line_masks.h"

#include "engine/line_mask_blocks.h"
#include "text/str_libs.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zeldrium {
namespace {

#if defined(__i386__) || defined(__x86_64__)
constexpr bool kX86 = true;
#else
constexpr bool kX86 = false;
#endif

BlockBytes ClassifyByByte(const char* block) {
  BlockBytes bytes{0, 0, 0, 0};
  for (size_t i = 0; i < kLineMaskBits; ++i) {
    const auto c = static_cast<unsigned char>(block[i]);
    bytes.cr |= static_cast<LineMask>(c == '\r') << i;
    bytes.nul |= static_cast<LineMask>(c == 0x00) << i;
    bytes.separator |= static_cast<LineMask>(c == 0x01) << i;
    bytes.lead |= static_cast<LineMask>(IsLeadByte(c)) << i;
  }
  return bytes;
}

bool ProbeHitAt(const char* p, const LineProbe& probe) {
  return (static_cast<unsigned char>(p[0]) | probe.first_fold) == probe.first &&
         (static_cast<unsigned char>(p[probe.distance]) | probe.last_fold) == probe.last;
}

LineMask ProbeByByte(const char* block, const LineProbe& probe) {
  LineMask hits = 0;
  for (size_t i = 0; i < kLineMaskBits; ++i) {
    hits |= static_cast<LineMask>(ProbeHitAt(block + i, probe)) << i;
  }
  return hits;
}

void MarkPortable(const char* data, size_t n, LineMarks* out, const LineProbe* probe) {
  MarkAll(data, n, out, probe, ClassifyByByte, ProbeByByte);
}

#if defined(__SSE2__)
// The kinds of 16 bytes, each as the low 16 bits of a mask. kLikelySound: 0x00 is taken for a
// separator, and *least keeps the least byte seen (MarkLikelySound).
template <bool kLikelySound>
inline BlockBytes Classify16(const char* p, __m128i* least) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  // x ^ 0x20 moves both lead ranges next to each other: 0xA1-0xDC, 60 values from 0xA1.
  const __m128i lead =
      _mm_sub_epi8(_mm_xor_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8(static_cast<char>(0xA1)));
  auto bits = [](__m128i m) { return static_cast<LineMask>(_mm_movemask_epi8(m)); };
  const LineMask cr = bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
  const LineMask lead_bits = bits(_mm_cmpeq_epi8(_mm_min_epu8(lead, _mm_set1_epi8(0x3B)), lead));
  if constexpr (kLikelySound) {
    *least = _mm_min_epu8(*least, v);
    return BlockBytes{cr, 0, bits(_mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(1)), v)),
                      lead_bits};
  } else {
    return BlockBytes{cr, bits(_mm_cmpeq_epi8(v, _mm_setzero_si128())),
                      bits(_mm_cmpeq_epi8(v, _mm_set1_epi8(1))), lead_bits};
  }
}

template <bool kLikelySound>
inline BlockBytes ClassifySse2(const char* block, __m128i* least) {
  // Written out: as a loop, the compiler keeps it, with shifts by a variable count.
  BlockBytes bytes = Classify16<kLikelySound>(block, least);
  auto add = [&bytes](const BlockBytes& more, int shift) {
    bytes.cr |= more.cr << shift;
    bytes.nul |= more.nul << shift;
    bytes.separator |= more.separator << shift;
    bytes.lead |= more.lead << shift;
  };
  add(Classify16<kLikelySound>(block + 16, least), 16);
  if constexpr (kLineMaskBits == 64) {
    add(Classify16<kLikelySound>(block + 32, least), 32);
    add(Classify16<kLikelySound>(block + 48, least), 48);
  }
  return bytes;
}

// Where the probe's first byte stands at one of 16 starts and its last byte at the distance.
inline LineMask Probe16(const char* p, const LineProbe& probe) {
  const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                                 _mm_set1_epi8(static_cast<char>(probe.first_fold)));
  const __m128i b =
      _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + probe.distance)),
                   _mm_set1_epi8(static_cast<char>(probe.last_fold)));
  return static_cast<LineMask>(_mm_movemask_epi8(
      _mm_and_si128(_mm_cmpeq_epi8(a, _mm_set1_epi8(static_cast<char>(probe.first))),
                    _mm_cmpeq_epi8(b, _mm_set1_epi8(static_cast<char>(probe.last))))));
}

inline LineMask ProbeSse2(const char* block, const LineProbe& probe) {
  LineMask hits = Probe16(block, probe) | Probe16(block + 16, probe) << 16;
  if constexpr (kLineMaskBits == 64) {
    hits |= Probe16(block + 32, probe) << (kLineMaskBits / 2);
    hits |= Probe16(block + 48, probe) << (kLineMaskBits / 4 * 3);
  }
  return hits;
}

void MarkSse2(const char* data, size_t n, LineMarks* out, const LineProbe* probe) {
  // Through lambdas, so that they are inlined into the loop.
  __m128i least = _mm_set1_epi8(-1);
  MarkLikelySound(
      data, n, out, probe,
      [&least](const char* block) { return ClassifySse2<true>(block, &least); },
      [&least](const char* block) { return ClassifySse2<false>(block, &least); },
      [](const char* block, const LineProbe& p) { return ProbeSse2(block, p); },
      [](uint32_t* at, LineMask m, uint32_t base) { return Flatten(at, m, base); },
      [&least] { return _mm_movemask_epi8(_mm_cmpeq_epi8(least, _mm_setzero_si128())) != 0; });
}
#endif

using MarkFunction = void (*)(const char*, size_t, LineMarks*, const LineProbe*);

MarkFunction MarkFunctionFor(LineMaskCode code) {
  switch (code) {
    case LineMaskCode::kAvx512:
      return MarkLineBytesAvx512;
    case LineMaskCode::kAvx2:
      return MarkLineBytesAvx2;
    case LineMaskCode::kSse2:
#if defined(__SSE2__)
      return MarkSse2;
#else
      break;
#endif
    case LineMaskCode::kPortable:
      break;
  }
  return MarkPortable;
}

MarkFunction BestMarkFunction() {
  for (LineMaskCode code : {LineMaskCode::kAvx512, LineMaskCode::kAvx2, LineMaskCode::kSse2}) {
    if (CanMarkLineBytesWith(code)) return MarkFunctionFor(code);
  }
  return MarkPortable;
}

}  // namespace

bool CanMarkLineBytesWith(LineMaskCode code) {
  switch (code) {
    case LineMaskCode::kAvx512:
#if (defined(__i386__) || defined(__x86_64__)) && UINTPTR_MAX > 0xFFFFFFFFu
      return CanMarkLineBytesWith(LineMaskCode::kAvx2) &&
             __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi2");
#else
      return false;
#endif
    case LineMaskCode::kAvx2:
#if defined(__i386__) || defined(__x86_64__)
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
             __builtin_cpu_supports("popcnt");
#else
      return false;
#endif
    case LineMaskCode::kSse2:
#if defined(__SSE2__)
      return kX86;
#else
      return false;
#endif
    case LineMaskCode::kPortable:
      return true;
  }
  return false;
}

void MarkLineBytesWith(LineMaskCode code, const char* data, size_t n, LineMarks* out,
                       const LineProbe* probe) {
  MarkFunctionFor(code)(data, n, out, probe);
}

void MarkLineBytes(const char* data, size_t n, LineMarks* out, const LineProbe* probe) {
  static const MarkFunction best = BestMarkFunction();
  best(data, n, out, probe);
}

void MarkLineBytesByByte(const char* data, size_t n, LineMarks* out, const LineProbe* probe) {
  out->line_ends.clear();
  out->ends_before.clear();
  out->field_ends.clear();
  out->has_nul = false;
  out->probe_at.clear();
  for (size_t i = 0; probe != nullptr && i + probe->distance < n; ++i) {
    if (ProbeHitAt(data + i, *probe)) out->probe_at.push_back(static_cast<uint32_t>(i));
  }
  out->probes = out->probe_at.size();
  bool carried = false;  // the byte is the second one of a double-byte character
  for (size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(data[i]);
    const auto at = static_cast<uint32_t>(i);
    if (c == '\r') {
      out->line_ends.push_back(at);
      out->ends_before.push_back(static_cast<uint32_t>(out->field_ends.size()));
      carried = false;
    } else if (c == 0x00) {
      out->field_ends.push_back(at);
      out->has_nul = true;
      carried = false;
    } else if (carried) {
      carried = false;
    } else if (c == 0x01) {
      out->field_ends.push_back(at);
    } else {
      carried = IsLeadByte(c);
    }
  }
  out->lines = out->line_ends.size();
  out->fields = out->field_ends.size();
}

}  // namespace zeldrium
