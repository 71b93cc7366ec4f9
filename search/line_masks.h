#ifndef ZELDRIUM_SEARCH_LINE_MASKS_H_
#define ZELDRIUM_SEARCH_LINE_MASKS_H_

// The structure of a window of index data as bit masks, one bit per byte: where lines end and
// where fields end. Every byte of every line must be looked at (each line's date field has to
// be found, and a bad one anywhere ends the run), so this is the one pass over the data that
// everything else leans on; it runs over whole windows with the widest vectors the processor
// has, without a branch per byte or per line. The line scanner (idx_lines.h) then finds a
// line's fields by walking set bits.

#include <cstddef>
#include <cstdint>

namespace zeldrium {

// One mask per block of as many bytes as a register has bits: on 32-bit x86 a 64-bit mask would
// cost pairs of instructions for every shift, add and bit count.
using LineMask = uintptr_t;
inline constexpr size_t kLineMaskBits = sizeof(LineMask) * 8;

// A word looked for while marking, by its first and last byte: the bytes are lower-cased, and
// a fold of 0x20 lets a byte match in either ASCII case (set only for letters).
struct LineProbe {
  unsigned char first;
  unsigned char last;
  unsigned char first_fold;
  unsigned char last_fold;
  size_t distance;  // from the first byte to the last: the word's length - 1
};

// Where MarkLineBytes writes, LineMaskBlocks(n) masks each.
struct LineMarks {
  LineMask* line_ends;
  LineMask* field_ends;
  LineMask* probe_hits;  // only with a probe
};

// For the n bytes at data, which start at the start of a line, block b = bytes
// [b * kLineMaskBits, (b + 1) * kLineMaskBits):
// - bit i of line_ends[b] is set when that byte is a CR;
// - bit i of field_ends[b] is set when it is a 0x00, or a 0x01 that is not the second byte of
//   a double-byte character: a byte in a lead range (0x81-0x9F, 0xE0-0xFC) that starts a
//   character carries the next byte with it, unless that ends the line (a CR) or the line's
//   fields (a 0x00). The next line starts on a character boundary;
// - with a probe, bit i of probe_hits[b] is set when the probe's first and last byte stand
//   there: at least wherever they do (near the end of the data, bits may be set where they do
//   not: each one is to be checked).
// Bits of bytes past n are clear. Returns true when the data holds a 0x00 (never in a sound
// index file).
bool MarkLineBytes(const char* data, size_t n, const LineMarks& out,
                   const LineProbe* probe = nullptr);

inline size_t LineMaskBlocks(size_t n) { return (n + kLineMaskBits - 1) / kLineMaskBits; }

// The same, one byte at a time and exactly, as the vector versions are checked against (tests
// only).
bool MarkLineBytesByByte(const char* data, size_t n, const LineMarks& out,
                         const LineProbe* probe = nullptr);

// Which implementations this processor can run, and switching between them, for tests that
// compare each with MarkLineBytesByByte.
enum class LineMaskCode { kPortable, kSse2, kAvx2 };
bool CanMarkLineBytesWith(LineMaskCode code);
bool MarkLineBytesWith(LineMaskCode code, const char* data, size_t n, const LineMarks& out,
                       const LineProbe* probe = nullptr);

}  // namespace zeldrium

#endif  // ZELDRIUM_SEARCH_LINE_MASKS_H_
