#ifndef ZELDRIUM_SEARCH_BYTE_SCAN_H_
#define ZELDRIUM_SEARCH_BYTE_SCAN_H_

// A memchr of our own. The 32-bit DLL links msvcrt, whose memchr (Wine's, and that of older
// Windows) looks at one byte at a time; the index reader runs it over every byte of every index
// file, so there it cost more than the whole rest of a search.

namespace zeldrium {

// The first byte in [begin, end) that equals c, or end. Never reads outside [begin, end).
const char* FindByte(const char* begin, const char* end, char c);

}  // namespace zeldrium

#endif  // ZELDRIUM_SEARCH_BYTE_SCAN_H_
