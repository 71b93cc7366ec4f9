#ifndef ZELDRIUM_TEXT_TEXT_COMPARE_H_
#define ZELDRIUM_TEXT_TEXT_COMPARE_H_

// Locale-aware comparison of code page 932 texts. Both return <0, 0 or >0.
//
// On Windows: CompareStringW of the user's default locale on the texts converted from code
// page 932 (NORM_IGNORECASE for the second).
//
// Elsewhere (the stand-in host, the command line and the tests) a fixed approximation:
// - CompareTextIgnoreCase compares the upper-cased texts (UpperCase) byte by byte as unsigned.
// - CompareText orders as Windows does for plain ASCII words: first by the texts ignoring case,
//   then, for texts equal but for case, by the first difference with the small letter first
//   ("a" < "A" < "b" < "B"). Other bytes compare as unsigned.
// On both, a 0x00 byte sorts before every other character and does not end the text, so texts
// that differ after one never compare equal.

#include <string_view>

namespace zeldrium {

int CompareText(std::string_view a, std::string_view b);
int CompareTextIgnoreCase(std::string_view a, std::string_view b);

}  // namespace zeldrium

#endif  // ZELDRIUM_TEXT_TEXT_COMPARE_H_
