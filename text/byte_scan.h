#ifndef ZELDRIUM_TEXT_BYTE_SCAN_H_
#define ZELDRIUM_TEXT_BYTE_SCAN_H_

// The byte search the index reader runs over every byte of every index file. The 32-bit DLL
// links msvcrt, whose memchr (Wine's, and that of older Windows) looks at one byte at a time, so
// there it cost more than the whole rest of a search: Windows builds use a vector search of our
// own. The GNU C library's memchr is faster still, for the processor it finds itself on.

namespace zeldrium {

// The first byte in [begin, end) that equals c, or end. Never reads outside [begin, end).
const char* FindByte(const char* begin, const char* end, char c);

// Ours, the same with SSE2 (a byte at a time without it); what FindByte is on Windows.
const char* FindByteVector(const char* begin, const char* end, char c);

}  // namespace zeldrium

#endif  // ZELDRIUM_TEXT_BYTE_SCAN_H_
