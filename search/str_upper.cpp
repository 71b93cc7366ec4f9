#include "search/str_upper.h"

#include <array>

#include "search/str_libs.h"

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

}  // namespace

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
