#include "store/line_masks.h"

#include <algorithm>

#include "store/line_mask_blocks.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zeldrium {
namespace {

// One byte at a time, for processors without the vector instructions below: the same pass, the
// compiler free to do with it what it can.
struct PortableBytes {
  using Reg = uint8_t;
  static constexpr size_t kWidth = 1;
  static Reg Load(const char* p) { return static_cast<Reg>(*p); }
  static Reg Splat(unsigned char c) { return c; }
  static Reg Or(Reg a, Reg b) { return a | b; }
  static Reg Xor(Reg a, Reg b) { return a ^ b; }
  static Reg Sub(Reg a, Reg b) { return static_cast<Reg>(a - b); }
  static Reg Min(Reg a, Reg b) { return std::min(a, b); }
  static LineMask Eq(Reg a, Reg b) { return a == b; }
  static LineMask LessEq(Reg a, Reg b) { return a <= b; }
  static bool HasZero(Reg r) { return r == 0; }
};

#if defined(__SSE2__)
struct Sse2Bytes {
  using Reg = __m128i;
  static constexpr size_t kWidth = 16;
  static Reg Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static Reg Splat(unsigned char c) { return _mm_set1_epi8(static_cast<char>(c)); }
  static Reg Or(Reg a, Reg b) { return _mm_or_si128(a, b); }
  static Reg Xor(Reg a, Reg b) { return _mm_xor_si128(a, b); }
  static Reg Sub(Reg a, Reg b) { return _mm_sub_epi8(a, b); }
  static Reg Min(Reg a, Reg b) { return _mm_min_epu8(a, b); }
  static LineMask Eq(Reg a, Reg b) {
    return static_cast<LineMask>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, b))));
  }
  static LineMask LessEq(Reg a, Reg b) { return Eq(Min(a, b), a); }
  static bool HasZero(Reg r) { return Eq(r, _mm_setzero_si128()) != 0; }
};
#endif

constexpr LineMaskFunctions kPortable = FunctionsOf<PortableBytes>();
#if defined(__SSE2__)
constexpr LineMaskFunctions kSse2 = FunctionsOf<Sse2Bytes>();
#endif

const LineMaskFunctions* FunctionsFor(LineMaskCode code) {
  switch (code) {
    case LineMaskCode::kPortable:
      return &kPortable;
    case LineMaskCode::kSse2:
#if defined(__SSE2__)
      return &kSse2;
#else
      return nullptr;
#endif
    case LineMaskCode::kAvx2:
      return kAvx2LineMasks;
    case LineMaskCode::kAvx512:
      return kAvx512LineMasks;
  }
  return nullptr;
}

bool ProcessorRuns(LineMaskCode code) {
#if defined(__i386__) || defined(__x86_64__)
  switch (code) {
    case LineMaskCode::kPortable:
    case LineMaskCode::kSse2:
      return true;  // built only where the build assumes it
    case LineMaskCode::kAvx2:
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
             __builtin_cpu_supports("popcnt");
    case LineMaskCode::kAvx512:
      return ProcessorRuns(LineMaskCode::kAvx2) && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi2");
  }
  return false;
#else
  return code == LineMaskCode::kPortable;
#endif
}

struct InUse {
  LineMaskCode code;
  const LineMaskFunctions* functions;
};

InUse& Current() {
  static InUse in_use = [] {
    const std::vector<LineMaskCode> here = LineMaskCodesHere();
    return InUse{here.back(), FunctionsFor(here.back())};
  }();
  return in_use;
}

}  // namespace

std::vector<LineMaskCode> LineMaskCodesHere() {
  std::vector<LineMaskCode> codes;
  for (LineMaskCode code :
       {LineMaskCode::kPortable, LineMaskCode::kSse2, LineMaskCode::kAvx2, LineMaskCode::kAvx512}) {
    if (FunctionsFor(code) != nullptr && ProcessorRuns(code)) codes.push_back(code);
  }
  return codes;
}

void UseLineMaskCode(LineMaskCode code) { Current() = InUse{code, FunctionsFor(code)}; }

LineMaskCode LineMaskCodeInUse() { return Current().code; }

void MarkLineBytes(const char* data, size_t n, LineMarks* out, std::span<const LineProbe> probes) {
  Current().functions->mark(data, n, out, probes);
}

const char* FindProbe(const char* from, const char* end, const LineProbe& probe) {
  return Current().functions->find_probe(from, end, probe);
}

}  // namespace zeldrium
