#ifndef ZELDRIUM_TEXT_STR_UPPER_H_
#define ZELDRIUM_TEXT_STR_UPPER_H_

// Upper-casing of code page 932 text as Windows does it: ASCII a-z, and among double-byte
// characters the full-width Latin, Greek and Cyrillic small letters. The byte after a lead byte
// is never changed on its own (0x83 0x61 stays), and the length never changes.

#include <cstddef>
#include <string>
#include <string_view>

namespace zeldrium {

void UpperCaseInPlace(std::string* s);
std::string UpperCase(std::string_view text);
// For the search's hot loop: reuses out's storage, so no allocation once it has capacity.
// REQUIRES: in does not point into *out.
void UpperCaseTo(std::string_view in, std::string* out);

// The first place at or after from where upper_word occurs in UpperCase(text) at a character
// boundary of text, or npos; found without upper-casing a copy of text: candidates for the
// first byte come from a plain byte search (a letter in either case), and only they are
// checked, by folding text on the fly.
// REQUIRES: upper_word is not empty; from is a character boundary of text (or its end).
size_t FindUpperCased(std::string_view text, std::string_view upper_word, size_t from = 0);
inline bool OccursUpperCased(std::string_view text, std::string_view upper_word) {
  return FindUpperCased(text, upper_word) != std::string_view::npos;
}

}  // namespace zeldrium

#endif  // ZELDRIUM_TEXT_STR_UPPER_H_
