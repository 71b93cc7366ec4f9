#ifndef ZELDRIUM_SEARCH_LINE_MASK_BLOCKS_H_
#define ZELDRIUM_SEARCH_LINE_MASK_BLOCKS_H_

// What every implementation of MarkLineBytes shares: turning the masks of a block's bytes of
// each kind into its line and field ends, and the loop over blocks.
// Included only by line_masks*.cpp. Everything here has internal linkage on purpose: the files
// are compiled for different processors, and an inline function of one must never be picked
// by the linker for another.

#include <cstring>

#include "search/line_masks.h"

namespace zeldrium {
namespace {

// The bytes of one block, each kind as a mask.
struct BlockBytes {
  LineMask cr;
  LineMask nul;
  LineMask separator;  // 0x01
  LineMask lead;       // 0x81-0x9F and 0xE0-0xFC
};

// Which bytes of a block are carried as the second byte of a double-byte character. *carry is
// 1 when the block's first byte is (the block before ended in a character's first byte), and
// becomes the same for the next block.
//
// A byte outside the lead ranges always ends a character, so a run of lead-range bytes starts on
// a character boundary and its bytes pair up from there: the byte right after the run is carried
// exactly when the run is odd. Adding a run's lowest bit to the mask carries through the run and
// sets the bit right after it; a run of odd length ends on the other parity than it started.
inline LineMask CarriedBytes(LineMask lead, LineMask* carry) {
  constexpr LineMask kEvenBits = ~LineMask{0} / 3;  // 0101...
  constexpr LineMask kOddBits = ~kEvenBits;
  const LineMask carried_in = *carry;
  const LineMask runs = lead & ~carried_in;  // a carried lead-range byte starts no run
  const LineMask starts = runs & ~(runs << 1);
  const LineMask after_even_starts = (runs + (starts & kEvenBits)) & ~runs;
  LineMask sum;
  // Only a run started on an odd bit that reaches the block's end is odd there (blocks have an
  // even count of bits): its carry out is the next block's first byte.
  const bool out = __builtin_add_overflow(runs, starts & kOddBits, &sum);
  const LineMask after_odd_starts = sum & ~runs;
  *carry = out ? 1 : 0;
  return (after_even_starts & kOddBits) | (after_odd_starts & kEvenBits) | carried_in;
}

// A 0x00 ends the line's fields even right after a lead byte; a carried 0x01 is text.
inline LineMask FieldEnds(const BlockBytes& bytes, LineMask* carry) {
  return (bytes.separator & ~CarriedBytes(bytes.lead, carry)) | bytes.nul;
}

// Runs classify (const char* block) -> BlockBytes over every block of data, and with a probe
// probe_bits (const char* block, const LineProbe&) -> LineMask where the probe's last byte can
// be loaded for every start in the block. Tells whether any byte was a 0x00.
template <bool kProbe, typename Classify, typename ProbeBits>
inline bool MarkBlocks(const char* data, size_t n, const LineMarks& out, const LineProbe* probe,
                       Classify classify, ProbeBits probe_bits) {
  LineMask carry = 0;
  LineMask nuls = 0;
  const size_t full = n / kLineMaskBits;
  // Blocks from here on are marked as candidates everywhere: the loads for the probe's last
  // byte would pass the end, and every candidate is checked anyway.
  const size_t probed =
      kProbe && n >= probe->distance + kLineMaskBits ? (n - probe->distance) / kLineMaskBits : 0;
  for (size_t b = 0; b < full; ++b) {
    const char* block = data + b * kLineMaskBits;
    const BlockBytes bytes = classify(block);
    out.line_ends[b] = bytes.cr;
    out.field_ends[b] = FieldEnds(bytes, &carry);
    nuls |= bytes.nul;
    if constexpr (kProbe) out.probe_hits[b] = b < probed ? probe_bits(block, *probe) : ~LineMask{0};
  }
  const size_t rest = n % kLineMaskBits;
  if (rest == 0) return nuls != 0;
  alignas(32) char tail[kLineMaskBits] = {};
  std::memcpy(tail, data + full * kLineMaskBits, rest);
  const BlockBytes bytes = classify(tail);
  const LineMask inside = (LineMask{1} << rest) - 1;
  out.line_ends[full] = bytes.cr & inside;
  out.field_ends[full] = FieldEnds(bytes, &carry) & inside;
  if constexpr (kProbe) out.probe_hits[full] = inside;
  return (nuls | (bytes.nul & inside)) != 0;
}

template <typename Classify, typename ProbeBits>
inline bool MarkAll(const char* data, size_t n, const LineMarks& out, const LineProbe* probe,
                    Classify classify, ProbeBits probe_bits) {
  return probe != nullptr ? MarkBlocks<true>(data, n, out, probe, classify, probe_bits)
                          : MarkBlocks<false>(data, n, out, probe, classify, probe_bits);
}

}  // namespace

// The version for processors with AVX2 (line_masks_avx2.cpp, compiled for them), chosen at run
// time by MarkLineBytes.
bool MarkLineBytesAvx2(const char* data, size_t n, const LineMarks& out, const LineProbe* probe);

}  // namespace zeldrium

#endif  // ZELDRIUM_SEARCH_LINE_MASK_BLOCKS_H_
