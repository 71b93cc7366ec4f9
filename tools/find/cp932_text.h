#ifndef ZELDRIUM_TOOLS_FIND_CP932_TEXT_H_
#define ZELDRIUM_TOOLS_FIND_CP932_TEXT_H_

// Conversion between the core's code page 932 texts and the UTF-8 of a terminal, a file or the
// command line. The platform does the real work (iconv natively, the Win32 code page functions
// on Windows); this unit decides what a character is, so that both give the same result for
// broken text.

#include <string>
#include <string_view>

namespace zeldrium::find {

// Appends text as UTF-8. Every byte that does not start a valid character becomes U+FFFD: a
// lone trail-less lead byte, 0x80, 0xA0, 0xFD-0xFF, and a double-byte character the code page
// leaves unassigned (one U+FFFD for its two bytes). Index files hold whatever mailers sent, so
// this never fails.
void AppendCp932AsUtf8(std::string_view text, std::string* out);
std::string Cp932ToUtf8(std::string_view text);

// False, leaving *out empty, for text that is not valid UTF-8 or holds a character that code
// page 932 cannot represent: a search text must not be changed behind the user's back.
bool Utf8ToCp932(std::string_view text, std::string* out);

// True when the byte after a lead byte can be its second byte.
constexpr bool IsTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// The length of the character at the start of text (which must not be empty): 2 for a lead
// byte with a trail byte after it, else 1.
size_t Cp932CharLength(std::string_view text);

namespace internal {
// The platform's converters. They convert a whole text or fail, appending nothing on failure.
bool PlatformCp932ToUtf8(std::string_view text, std::string* out);
bool PlatformUtf8ToCp932(std::string_view text, std::string* out);
}  // namespace internal

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_CP932_TEXT_H_
