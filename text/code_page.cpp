#include "text/code_page.h"

#include "text/str_libs.h"

namespace zeldrium {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool IsHalfWidthKatakana(unsigned char c) { return c >= 0xA1 && c <= 0xDF; }

// Decides by structure alone; whether a double-byte character is assigned is the platform's
// table's business.
bool IsValidSingle(unsigned char c) { return c < 0x80 || IsHalfWidthKatakana(c); }

bool StructurallyValid(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const size_t n = Cp932CharLength(text.substr(i));
    if (n == 1 && !IsValidSingle(c)) return false;
    i += n;
  }
  return true;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

size_t Cp932CharLength(std::string_view text) {
  const auto c = static_cast<unsigned char>(text[0]);
  if (IsLeadByte(c) && text.size() >= 2 && IsTrailByte(static_cast<unsigned char>(text[1]))) {
    return 2;
  }
  return 1;
}

void AppendCp932AsUtf8(std::string_view text, std::string* out) {
  // Most header text is ASCII, and code page 932 leaves ASCII as it is (0x5C included).
  if (IsAscii(text)) {
    out->append(text);
    return;
  }
  if (StructurallyValid(text) && internal::PlatformCp932ToUtf8(text, out)) return;

  // Broken text is rare: one character at a time, so that one bad byte costs one U+FFFD.
  size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      size_t j = i;
      while (j < text.size() && static_cast<unsigned char>(text[j]) < 0x80) ++j;
      out->append(text.substr(i, j - i));
      i = j;
      continue;
    }
    const size_t n = Cp932CharLength(text.substr(i));
    const bool convertible = n == 2 || IsValidSingle(c);
    if (!convertible || !internal::PlatformCp932ToUtf8(text.substr(i, n), out)) {
      out->append(kReplacement);
    }
    i += n;
  }
}

std::string Cp932ToUtf8(std::string_view text) {
  std::string out;
  AppendCp932AsUtf8(text, &out);
  return out;
}

bool Cp932ToUtf8Exact(std::string_view text, std::string* out) {
  out->clear();
  if (IsAscii(text)) {
    out->assign(text);
    return true;
  }
  return StructurallyValid(text) && internal::PlatformCp932ToUtf8(text, out);
}

bool Utf8ToCp932(std::string_view text, std::string* out) {
  out->clear();
  if (IsAscii(text)) {
    out->assign(text);
    return true;
  }
  return internal::PlatformUtf8ToCp932(text, out);
}

}  // namespace zeldrium
