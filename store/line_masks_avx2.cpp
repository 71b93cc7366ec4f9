// Built with AVX2 enabled on x86 (CMakeLists.txt); used only when the processor has AVX2.
#include "store/line_mask_blocks.h"

#if defined(__AVX2__)
#include <immintrin.h>
#endif

namespace zeldrium {
namespace {

#if defined(__AVX2__)
struct Avx2Bytes {
  using Reg = __m256i;
  static constexpr size_t kWidth = 32;
  static Reg Load(const char* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static Reg Splat(unsigned char c) { return _mm256_set1_epi8(static_cast<char>(c)); }
  static Reg Or(Reg a, Reg b) { return _mm256_or_si256(a, b); }
  static Reg Xor(Reg a, Reg b) { return _mm256_xor_si256(a, b); }
  static Reg Sub(Reg a, Reg b) { return _mm256_sub_epi8(a, b); }
  static Reg Min(Reg a, Reg b) { return _mm256_min_epu8(a, b); }
  // Through uint32_t, so that bit 31 does not spread into the upper half.
  static LineMask Eq(Reg a, Reg b) {
    return static_cast<LineMask>(
        static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, b))));
  }
  static LineMask LessEq(Reg a, Reg b) { return Eq(Min(a, b), a); }
  static bool HasZero(Reg r) { return Eq(r, _mm256_setzero_si256()) != 0; }
};

constexpr LineMaskFunctions kAvx2 = FunctionsOf<Avx2Bytes>();
#endif

}  // namespace

#if defined(__AVX2__)
const LineMaskFunctions* const kAvx2LineMasks = &kAvx2;
#else
const LineMaskFunctions* const kAvx2LineMasks = nullptr;
#endif

}  // namespace zeldrium
