#ifndef ZELDRIUM_TEXT_CODE_PAGE_WIN_H_
#define ZELDRIUM_TEXT_CODE_PAGE_WIN_H_

// Windows only: conversions between the core's texts and the UTF-16 of the Win32 API. Always
// code page 932 by number: the system code page of the user's machine may be anything, and the
// host hands us Shift-JIS whatever it is.

#include <string>
#include <string_view>

namespace zeldrium {

// Bytes that are not valid Shift-JIS become U+30FB or U+FFFD, as the system converts them; the
// conversion never fails.
std::wstring WideFrom932(std::string_view text);
// The same into *out, whose storage is used again: for texts converted by the million.
void WideFrom932(std::string_view text, std::wstring* out);
// Characters without a code page 932 form become "?" (never a look-alike).
std::string To932(std::wstring_view text);

// For file names the settings keep in UTF-8, so that any name works.
std::string Utf8FromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view text);
// The exact form: false, leaving *out empty, for text that is not valid UTF-8. A file name must
// not be changed behind the user's back.
bool WideFromUtf8Exact(std::string_view text, std::wstring* out);

}  // namespace zeldrium

#endif  // ZELDRIUM_TEXT_CODE_PAGE_WIN_H_
