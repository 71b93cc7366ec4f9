// Built with AVX-512 enabled on x86 (CMakeLists.txt); used only when the processor has it.
// Compares give their masks directly, and a block's positions are listed by one compress
// instead of a bit at a time. On 32-bit x86 a block is 32 bytes, read with the 256-bit forms of
// the same instructions: its positions are what costs a 32-bit build most.
#include "store/line_mask_blocks.h"

#if defined(__AVX512BW__) && defined(__AVX512VBMI2__) && defined(__AVX512VL__)
#define ZELDRIUM_MARK_AVX512 1
#include <immintrin.h>
#endif

namespace zeldrium {
namespace {

#if defined(ZELDRIUM_MARK_AVX512)
// The offsets of a block's bytes, to be packed where its mask has bits.
alignas(64) constexpr char kOffsets[64] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
    22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
    44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};
#endif

#if defined(ZELDRIUM_MARK_AVX512) && UINTPTR_MAX > 0xFFFFFFFFu
struct Avx512Bytes {
  using Reg = __m512i;
  static constexpr size_t kWidth = 64;
  static Reg Load(const char* p) { return _mm512_loadu_si512(p); }
  static Reg Splat(unsigned char c) { return _mm512_set1_epi8(static_cast<char>(c)); }
  static Reg Or(Reg a, Reg b) { return _mm512_or_si512(a, b); }
  static Reg Xor(Reg a, Reg b) { return _mm512_xor_si512(a, b); }
  static Reg Sub(Reg a, Reg b) { return _mm512_sub_epi8(a, b); }
  static Reg Min(Reg a, Reg b) { return _mm512_min_epu8(a, b); }
  static LineMask Eq(Reg a, Reg b) { return _mm512_cmpeq_epi8_mask(a, b); }
  static LineMask LessEq(Reg a, Reg b) { return _mm512_cmple_epu8_mask(a, b); }
  static bool HasZero(Reg r) { return _mm512_testn_epi8_mask(r, r) != 0; }

  // The offsets of the set bits, packed as bytes, widened sixteen at a time.
  static uint32_t* Flatten(uint32_t* out, LineMask m, uint32_t base) {
    const __m512i packed = _mm512_maskz_compress_epi8(m, _mm512_load_si512(kOffsets));
    const __m512i b = _mm512_set1_epi32(static_cast<int>(base));
    // (Zero-masking forms throughout, even for the lowest part: the plain ones start from an
    // undefined register, which GCC 12 takes for a use of an uninitialized value.)
    const auto put = [&](int i, __m128i offsets) {
      _mm512_storeu_si512(out + 16 * i,
                          _mm512_add_epi32(_mm512_maskz_cvtepu8_epi32(0xFFFF, offsets), b));
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
};
#elif defined(ZELDRIUM_MARK_AVX512)
struct Avx512Bytes {
  using Reg = __m256i;
  static constexpr size_t kWidth = 32;
  static Reg Load(const char* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static Reg Splat(unsigned char c) { return _mm256_set1_epi8(static_cast<char>(c)); }
  static Reg Or(Reg a, Reg b) { return _mm256_or_si256(a, b); }
  static Reg Xor(Reg a, Reg b) { return _mm256_xor_si256(a, b); }
  static Reg Sub(Reg a, Reg b) { return _mm256_sub_epi8(a, b); }
  static Reg Min(Reg a, Reg b) { return _mm256_min_epu8(a, b); }
  static LineMask Eq(Reg a, Reg b) { return _mm256_cmpeq_epi8_mask(a, b); }
  static LineMask LessEq(Reg a, Reg b) { return _mm256_cmple_epu8_mask(a, b); }
  static bool HasZero(Reg r) { return _mm256_testn_epi8_mask(r, r) != 0; }

  // The offsets of the set bits, packed as bytes, widened sixteen at a time.
  static uint32_t* Flatten(uint32_t* out, LineMask m, uint32_t base) {
    const __m256i packed = _mm256_maskz_compress_epi8(
        m, _mm256_load_si256(reinterpret_cast<const __m256i*>(kOffsets)));
    const __m512i b = _mm512_set1_epi32(static_cast<int>(base));
    const int count = std::popcount(m);
    // Sixteen written whatever the count: most blocks hold fewer.
    _mm512_storeu_si512(
        out,
        _mm512_add_epi32(_mm512_maskz_cvtepu8_epi32(0xFFFF, _mm256_castsi256_si128(packed)), b));
    if (count > 16) {
      _mm512_storeu_si512(
          out + 16,
          _mm512_add_epi32(_mm512_maskz_cvtepu8_epi32(0xFFFF, _mm256_extracti128_si256(packed, 1)),
                           b));
    }
    return out + count;
  }
};
#endif

#if defined(ZELDRIUM_MARK_AVX512)
constexpr LineMaskFunctions kAvx512 = FunctionsOf<Avx512Bytes>();
#endif

}  // namespace

#if defined(ZELDRIUM_MARK_AVX512)
const LineMaskFunctions* const kAvx512LineMasks = &kAvx512;
#else
const LineMaskFunctions* const kAvx512LineMasks = nullptr;
#endif

}  // namespace zeldrium
