#ifndef ZELDRIUM_ENGINE_LINE_MASK_BLOCKS_H_
#define ZELDRIUM_ENGINE_LINE_MASK_BLOCKS_H_

// What every implementation of MarkLineBytes shares: turning the masks of a block's bytes of
// each kind into its line and field ends, and the loop over blocks.
// Included only by line_masks*.cpp. Everything here has internal linkage on purpose: the files
// are compiled for different processors, and an inline function of one must never be picked
// by the linker for another.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__BMI__)
#include <immintrin.h>
#endif

#include "engine/line_masks.h"

namespace zeldrium {
namespace {

// The bytes of one block, each kind as a mask.
struct BlockBytes {
  LineMask cr;
  LineMask nul;
  LineMask separator;  // 0x01, and 0x00 too where nul is not told apart (MarkLikelySound)
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
  const LineMask after_odd_starts = (runs + (starts & kOddBits)) & ~runs;
  // The next block's first byte is carried when this block ends in the first byte of a
  // character: a run of lead-range bytes at its end of odd length. Found from the mask alone,
  // not from the sums above, so that blocks do not wait for each other; only a block of
  // nothing but lead-range bytes passes on what it was given (it has an even count of bits).
  const int tail = std::countl_one(lead);
  *carry = tail == static_cast<int>(kLineMaskBits) ? carried_in : static_cast<LineMask>(tail & 1);
  return (after_even_starts & kOddBits) | (after_odd_starts & kEvenBits) | carried_in;
}

// A 0x00 ends the line's fields even right after a lead byte; a carried 0x01 is text.
inline LineMask FieldEnds(const BlockBytes& bytes, LineMask* carry) {
  return (bytes.separator & ~CarriedBytes(bytes.lead, carry)) | bytes.nul;
}

// Writes the positions of a mask's set bits, offset by base, from out on; returns the end.
// Eight are written whatever the count (written out: as a loop the compiler keeps it), so that
// no branch depends on the count most of the time.
// REQUIRES: room for kLineMaskBits positions at out.
inline uint32_t* Flatten(uint32_t* out, LineMask m, uint32_t base) {
  const int count = std::popcount(m);
  auto one = [&](int i) {
#if defined(__BMI__)
    // The instructions themselves: the compiler knows what the count of an empty mask is and
    // would branch around the writes past the last bit.
#if UINTPTR_MAX > 0xFFFFFFFFu
    out[i] = base + static_cast<uint32_t>(_tzcnt_u64(m));
    m = _blsr_u64(m);
#else
    out[i] = base + static_cast<uint32_t>(_tzcnt_u32(m));
    m = _blsr_u32(m);
#endif
#else
    out[i] = base + static_cast<uint32_t>(std::countr_zero(m));
    m &= m - 1;
#endif
  };
  one(0);
  one(1);
  one(2);
  one(3);
  one(4);
  one(5);
  one(6);
  one(7);
  for (int i = 8; i < count; ++i) one(i);
  return out + count;
}

// Makes room for at least need entries, keeping those there.
inline uint32_t* Room(std::vector<uint32_t>* list, size_t need) {
  if (list->size() < need) list->resize(std::max(need, 2 * list->size()));
  return list->data();
}

// Runs classify (const char* block) -> BlockBytes over every block of data, and with a probe
// probe_bits (const char* block, const LineProbe&) -> LineMask where the probe's last byte can
// be loaded for every start in the block; flatten is Flatten or one with the same contract.
template <bool kProbe, typename Classify, typename ProbeBits, typename FlattenBits>
inline void MarkBlocks(const char* data, size_t n, LineMarks* out, const LineProbe* probe,
                       Classify classify, ProbeBits probe_bits, FlattenBits flatten) {
  const size_t blocks = LineMaskBlocks(n);
  const size_t full = n / kLineMaskBits;
  // Blocks from here on are marked as candidates everywhere: the loads for the probe's last
  // byte would pass the end, and every candidate is checked anyway.
  const size_t probed =
      kProbe && n >= probe->distance + kLineMaskBits ? (n - probe->distance) / kLineMaskBits : 0;
  // A copy the compiler can keep in registers: every store of the loop could change *probe.
  const LineProbe probe_copy = kProbe ? *probe : LineProbe{};
  uint32_t* line_ends = nullptr;
  uint32_t* ends_before = nullptr;
  uint32_t* field_ends = nullptr;
  uint32_t* probe_at = nullptr;
  size_t lines = 0;
  size_t fields = 0;
  size_t probes = 0;
  LineMask carry = 0;
  LineMask nuls = 0;

  // Inlined in both places it is used: as a call, everything it changes would live in memory.
  const auto mark = [&](size_t b, const char* block,
                        LineMask inside) __attribute__((always_inline)) {
    const BlockBytes bytes = classify(block);
    const LineMask cr = bytes.cr & inside;
    const LineMask ends = FieldEnds(bytes, &carry) & inside;
    nuls |= bytes.nul & inside;
    const auto base = static_cast<uint32_t>(b * kLineMaskBits);
    if constexpr (kProbe) {
      // Most blocks hold no place: a branch taken seldom costs less than listing nothing.
      const LineMask hits = b < probed ? probe_bits(block, probe_copy) : inside;
      if (hits != 0) probes = static_cast<size_t>(flatten(probe_at + probes, hits, base) - probe_at);
    }
    for (LineMask m = cr; m != 0; m &= m - 1) {
      const int at = std::countr_zero(m);
      line_ends[lines] = base + static_cast<uint32_t>(at);
      ends_before[lines] =
          static_cast<uint32_t>(fields) + std::popcount(ends & ((LineMask{1} << at) - 1));
      ++lines;
    }
    fields = static_cast<size_t>(flatten(field_ends + fields, ends, base) - field_ends);
  };
  // Makes room in the lists for every position that count more blocks could hold. Lists sized
  // for lines of a usual length grow only when a stretch holds unusually many ends.
  const auto room = [&](size_t count) {
    const size_t most = count * kLineMaskBits;
    line_ends = Room(&out->line_ends, std::max(lines + most, n / 64 + kLineMaskBits));
    ends_before = Room(&out->ends_before, out->line_ends.size());
    field_ends = Room(&out->field_ends, std::max(fields + most, n / 8 + kLineMaskBits));
    if constexpr (kProbe) probe_at = Room(&out->probe_at, std::max(probes + most, n / 256));
  };

  // The full blocks in stretches that cannot overflow the lists, so that the loop over them
  // calls nothing: a call would cost the registers that hold its constants.
  constexpr size_t kStretch = 64;
  for (size_t b = 0; b < full;) {
    const size_t stretch_end = std::min(full, b + kStretch);
    room(stretch_end - b);
    for (; b < stretch_end; ++b) mark(b, data + b * kLineMaskBits, ~LineMask{0});
  }
  if (full < blocks) {
    // The last, partial block: from a copy, so nothing past n is read, padded with 0xFF, a byte
    // of no kind at all.
    const size_t rest = n % kLineMaskBits;
    alignas(64) char tail[kLineMaskBits];
    std::memset(tail, 0xFF, sizeof tail);
    std::memcpy(tail, data + full * kLineMaskBits, rest);
    room(1);
    mark(full, tail, (LineMask{1} << rest) - 1);
  }
  out->lines = lines;
  out->fields = fields;
  out->probes = probes;
  out->has_nul = nuls != 0;
}

template <typename Classify, typename ProbeBits, typename FlattenBits>
inline void MarkAll(const char* data, size_t n, LineMarks* out, const LineProbe* probe,
                    Classify classify, ProbeBits probe_bits, FlattenBits flatten) {
  if (probe != nullptr) {
    MarkBlocks<true>(data, n, out, probe, classify, probe_bits, flatten);
  } else {
    MarkBlocks<false>(data, n, out, probe, classify, probe_bits, flatten);
  }
}

template <typename Classify, typename ProbeBits>
inline void MarkAll(const char* data, size_t n, LineMarks* out, const LineProbe* probe,
                    Classify classify, ProbeBits probe_bits) {
  MarkAll(data, n, out, probe, classify, probe_bits,
          [](uint32_t* at, LineMask m, uint32_t base) { return Flatten(at, m, base); });
}

// A 0x00 never stands in a sound file. The vector versions first take every byte up to 0x01
// for a separator (fast: classify keeps the least byte it has seen, and gives no 0x00 apart),
// and only when saw_nul () says a 0x00 stood in the data mark it again with exact, which tells
// the two apart (a 0x00 is never carried by a lead byte).
template <typename Fast, typename Exact, typename ProbeBits, typename FlattenBits, typename SawNul>
inline void MarkLikelySound(const char* data, size_t n, LineMarks* out, const LineProbe* probe,
                            Fast fast, Exact exact, ProbeBits probe_bits, FlattenBits flatten,
                            SawNul saw_nul) {
  MarkAll(data, n, out, probe, fast, probe_bits, flatten);
  if (saw_nul()) MarkAll(data, n, out, probe, exact, probe_bits, flatten);
}

}  // namespace

// The versions for processors with AVX2 and with AVX-512 (line_masks_avx2.cpp and
// line_masks_avx512.cpp, compiled for them), chosen at run time by MarkLineBytes.
void MarkLineBytesAvx2(const char* data, size_t n, LineMarks* out, const LineProbe* probe);
void MarkLineBytesAvx512(const char* data, size_t n, LineMarks* out, const LineProbe* probe);

}  // namespace zeldrium

#endif  // ZELDRIUM_ENGINE_LINE_MASK_BLOCKS_H_
