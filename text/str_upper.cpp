#include "text/str_upper.h"

#include <array>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/str_libs.h"

namespace zeldrium {

namespace {

// Per byte: its upper-case form when it stands alone, and whether it starts a double-byte
// character. One lookup serves both tests in the hot loop.
struct ByteClass {
  std::array<unsigned char, 256> upper;
  std::array<bool, 256> lead;
};

constexpr ByteClass MakeByteClass() {
  ByteClass t{};
  for (int c = 0; c < 256; ++c) {
    t.upper[c] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    t.lead[c] = IsLeadByte(static_cast<unsigned char>(c));
  }
  return t;
}

constexpr ByteClass kByteClass = MakeByteClass();

// The trail byte of the capital for a small full-width Latin, Greek or Cyrillic letter; other
// characters keep their trail byte.
inline unsigned char UpperTrail(unsigned char lead, unsigned char trail) {
  switch (lead) {
    case 0x82:  // Ａ-Ｚ 0x8260-0x8279, ａ-ｚ 0x8281-0x829A
      if (trail >= 0x81 && trail <= 0x9A) return trail - 0x21;
      break;
    case 0x83:  // Α-Ω 0x839F-0x83B6, α-ω 0x83BF-0x83D6
      if (trail >= 0xBF && trail <= 0xD6) return trail - 0x20;
      break;
    case 0x84:  // А-Я 0x8440-0x8460; а-н 0x8470-0x847E and о-я 0x8480-0x8491 (0x7F is no
                // trail byte, so the small letters skip it)
      if (trail >= 0x70 && trail <= 0x7E) return trail - 0x30;
      if (trail >= 0x80 && trail <= 0x91) return trail - 0x31;
      break;
  }
  return trail;
}

// REQUIRES: out has room for n bytes; out may equal in.
void UpperBytes(const char* in, size_t n, char* out) {
  size_t i = 0;
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    if (!kByteClass.lead[c]) {
      out[i] = static_cast<char>(kByteClass.upper[c]);
      ++i;
    } else if (i + 1 < n) {
      out[i] = static_cast<char>(c);
      out[i + 1] = static_cast<char>(UpperTrail(c, static_cast<unsigned char>(in[i + 1])));
      i += 2;
    } else {
      out[i] = static_cast<char>(c);  // a lead byte as the last byte stays
      ++i;
    }
  }
}

// The first position from `from` on whose byte is a or b, or text.size().
inline size_t FindEither(std::string_view text, size_t from, char a, char b) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* p = begin + from;
#if defined(__SSE2__)
  const __m128i va = _mm_set1_epi8(a);
  const __m128i vb = _mm_set1_epi8(b);
  while (end - p >= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned mask = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb))));
    if (mask != 0) return static_cast<size_t>(p - begin) + std::countr_zero(mask);
    p += 16;
  }
  if (p < end && end - begin >= 16) {
    // The last few bytes: one load that ends where the text ends, reaching back over bytes
    // already seen, whose bits are shifted out.
    const size_t rest = static_cast<size_t>(end - p);
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 16));
    const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                              _mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)))) >>
                          (16 - rest);
    return mask != 0 ? static_cast<size_t>(p - begin) + std::countr_zero(mask) : text.size();
  }
#endif
  while (p < end && *p != a && *p != b) ++p;
  return static_cast<size_t>(p - begin);
}

// True when UpperCase of text from the character boundary at i starts with upper_word.
// Walks text by its own characters, so a trail byte is folded only as part of its character.
bool UpperCasedStartsWith(std::string_view text, size_t i, std::string_view upper_word) {
  const size_t n = text.size();
  const size_t m = upper_word.size();
  size_t k = 0;
  while (k < m) {
    if (i >= n) return false;
    const auto c = static_cast<unsigned char>(text[i]);
    if (kByteClass.lead[c] && i + 1 < n) {
      if (static_cast<char>(c) != upper_word[k]) return false;
      // A word ending in a lead byte compares that byte only.
      if (k + 1 < m && static_cast<char>(UpperTrail(c, static_cast<unsigned char>(text[i + 1]))) !=
                           upper_word[k + 1]) {
        return false;
      }
      i += 2;
      k += 2;
    } else {
      if (static_cast<char>(kByteClass.upper[c]) != upper_word[k]) return false;
      ++i;
      ++k;
    }
  }
  return true;
}

}  // namespace

size_t FindUpperCased(std::string_view text, std::string_view upper_word, size_t from) {
  if (upper_word.size() > text.size()) return std::string_view::npos;
  // Upper-casing keeps the length, so a match needs as many bytes of text as the word has.
  const size_t last = text.size() - upper_word.size();
  const char first = upper_word[0];
  // The first byte of an upper-cased word is never a small letter: only a capital has two
  // forms in text. A lead byte never changes.
  const char other = first >= 'A' && first <= 'Z' ? static_cast<char>(first + 0x20) : first;
  // Every position from floor on that the walk below meets is known to start a character.
  size_t floor = from;
  for (size_t i = FindEither(text, from, first, other); i <= last;
       i = FindEither(text, i + 1, first, other)) {
    // A candidate is the second byte of a double-byte character exactly when an odd run of
    // lead-range bytes stands before it; bytes outside that range always end a character, and
    // floor is a boundary, so the run pairs up from its start.
    size_t run = i;
    while (run > floor && kByteClass.lead[static_cast<unsigned char>(text[run - 1])]) --run;
    if (((i - run) & 1) != 0) {
      floor = i + 1;
      continue;
    }
    if (UpperCasedStartsWith(text, i, upper_word)) return i;
    floor = i;
  }
  return std::string_view::npos;
}

void UpperCaseInPlace(std::string* s) { UpperBytes(s->data(), s->size(), s->data()); }

std::string UpperCase(std::string_view text) {
  std::string out(text.size(), '\0');
  UpperBytes(text.data(), text.size(), out.data());
  return out;
}

void UpperCaseTo(std::string_view in, std::string* out) {
  out->resize(in.size());
  UpperBytes(in.data(), in.size(), out->data());
}

}  // namespace zeldrium
