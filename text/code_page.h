#ifndef ZELDRIUM_TEXT_CODE_PAGE_H_
#define ZELDRIUM_TEXT_CODE_PAGE_H_

// Conversions between code page 932, the text of the host and of the whole core, and UTF-8, the
// text of terminals, of file names on Linux and of the settings file's path. The platform does
// the real work (iconv natively, the Win32 code page functions on Windows: code_page_posix.cpp,
// code_page_win.cpp); this unit decides what a character is, so that both give the same result
// for broken text. The Windows side's UTF-16 conversions are in code_page_win.h.

#include <cstddef>
#include <string>
#include <string_view>

namespace zeldrium {

// True when the byte after a lead byte can be its second byte.
constexpr bool IsTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// The length of the character at the start of text (which must not be empty): 2 for a lead
// byte with a trail byte after it, else 1.
size_t Cp932CharLength(std::string_view text);

// Appends text as UTF-8. Every byte that does not start a valid character becomes U+FFFD: a
// lone trail-less lead byte, 0x80, 0xA0, 0xFD-0xFF, and a double-byte character the code page
// leaves unassigned (one U+FFFD for its two bytes). Index files hold whatever mailers sent, so
// this never fails.
void AppendCp932AsUtf8(std::string_view text, std::string* out);
std::string Cp932ToUtf8(std::string_view text);

// The exact conversions: false, leaving *out empty, when text holds anything that is not a
// character of its encoding or has no form in the other. A search text or a file name must
// not be changed behind the user's back.
bool Cp932ToUtf8Exact(std::string_view text, std::string* out);
bool Utf8ToCp932(std::string_view text, std::string* out);

namespace internal {
// The platform's converters. They convert a whole text or fail, appending nothing on failure.
bool PlatformCp932ToUtf8(std::string_view text, std::string* out);
bool PlatformUtf8ToCp932(std::string_view text, std::string* out);
}  // namespace internal

}  // namespace zeldrium

#endif  // ZELDRIUM_TEXT_CODE_PAGE_H_
