#ifndef ZELDRIUM_STORE_LINE_MASKS_H_
#define ZELDRIUM_STORE_LINE_MASKS_H_

// The structure of a window of index data: where its lines end and where their fields end.
// Every byte of every line must be looked at (each line's date field has to be found, and a bad
// one anywhere ends the run), so this is the one pass over the data that everything else leans
// on. It runs over whole windows with the widest vectors the processor has, one bit per byte,
// and writes the positions out as lists, without a branch per byte, per field or per line: the
// line scanner (idx_lines.h) then finds a line's fields by indexing.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zeldrium {

// One mask per block of as many bytes as a register has bits: on 32-bit x86 a 64-bit mask would
// cost pairs of instructions for every shift, add and bit count.
using LineMask = uintptr_t;
inline constexpr size_t kLineMaskBits = sizeof(LineMask) * 8;

inline size_t LineMaskBlocks(size_t n) { return (n + kLineMaskBits - 1) / kLineMaskBits; }

// Two bytes of a word looked for, the first and the one at the distance after it: the bytes are
// lower-cased, and a fold of 0x20 lets a byte match in either ASCII case (set only for letters).
struct LineProbe {
  unsigned char first;
  unsigned char last;
  unsigned char first_fold;
  unsigned char last_fold;
  size_t distance;  // from the first byte to the last
};

// How many probes one marking pass lists the places of at most: every further probe costs the
// pass about a tenth of its time.
inline constexpr size_t kMaxLineProbes = 2;

// What MarkLineBytes finds in a window. The lists keep their memory from window to window, and
// may be longer than their counts.
struct LineMarks {
  size_t lines = 0;                   // CRs in the window
  std::vector<uint32_t> line_ends;    // offset of each CR
  std::vector<uint32_t> ends_before;  // for each CR: how many field ends come before it
  size_t fields = 0;                  // field ends in the window
  std::vector<uint32_t> field_ends;   // offset of each field end
  size_t probes = 0;                  // with probes: places found
  std::vector<uint32_t> probe_at;     // offset of each, ascending
  bool has_nul = false;               // a 0x00 stands in the window (never in a sound file)
};

// Marks the n bytes at data, which start at the start of a line. A field end is a 0x00, or a
// 0x01 that is not the second byte of a double-byte character: a byte in a lead range
// (0x81-0x9F, 0xE0-0xFC) that starts a character carries the next byte with it, unless that
// ends the line (a CR) or the line's fields (a 0x00); the next line starts on a character
// boundary. With probes, probe_at lists the offsets where the first and last byte of one of them
// stand: at least wherever they do (near the end of the data it may list places where they do
// not: each one is to be checked), and never n or past it.
// REQUIRES: n < 4 GiB; probes.size() <= kMaxLineProbes.
void MarkLineBytes(const char* data, size_t n, LineMarks* out,
                   std::span<const LineProbe> probes = {});

// The first place in [from, end) where the probe's first byte stands with its last byte at the
// distance, also inside; end when there is none.
const char* FindProbe(const char* from, const char* end, const LineProbe& probe);

// The versions of the two above, one per instruction set. The best one this processor runs is
// used unless a test chooses another, so that every version is tested where it can run.
enum class LineMaskCode { kPortable, kSse2, kAvx2, kAvx512 };
std::vector<LineMaskCode> LineMaskCodesHere();
// REQUIRES: code is one of LineMaskCodesHere().
void UseLineMaskCode(LineMaskCode code);
LineMaskCode LineMaskCodeInUse();

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_LINE_MASKS_H_
