#ifndef ZELDRIUM_STORE_LINE_MASK_BLOCKS_H_
#define ZELDRIUM_STORE_LINE_MASK_BLOCKS_H_

// The marking pass and the probe search, written once over a small traits type per instruction
// set (the portable one in line_masks.cpp, SSE2 there too, AVX2 and AVX-512 in files of their
// own compiled for them). A traits type V gives:
//   Reg, kWidth                    a register and how many bytes it holds
//   Load(p), Splat(c)              kWidth bytes from p; c in every byte
//   Or, Xor, Sub, Min (unsigned)   byte-wise
//   Eq(a, b), LessEq(a, b)         the bytes where a == b, a <= b (unsigned), as the low kWidth
//                                  bits of a LineMask
//   HasZero(r)                     whether a byte of r is 0x00
// and may give Flatten(out, mask, base) where it has a better way to list a mask's bits.
//
// Included only by line_masks*.cpp. Everything here has internal linkage on purpose: the files
// are compiled for different processors, and an inline function of one must never be picked by
// the linker for another.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#if defined(__BMI__)
#include <immintrin.h>
#endif

#include "store/line_masks.h"

namespace zeldrium {

// One instruction set's MarkLineBytes and FindProbe.
struct LineMaskFunctions {
  void (*mark)(const char* data, size_t n, LineMarks* out, std::span<const LineProbe> probes);
  const char* (*find_probe)(const char* from, const char* end, const LineProbe& probe);
};

namespace {

// The bytes of one block, each kind as a mask.
struct BlockBytes {
  LineMask cr = 0;
  LineMask nul = 0;
  LineMask separator = 0;  // 0x01, and 0x00 too where nul is not told apart (kLikelySound)
  LineMask lead = 0;       // 0x81-0x9F and 0xE0-0xFC
};

// Adds the kinds of the kWidth bytes at p to *bytes, at bit kShift. kLikelySound: 0x00 is taken
// for a separator, and *least keeps the least byte seen (MarkWith).
template <typename V, bool kLikelySound, int kShift>
[[gnu::always_inline]] inline void ClassifyPart(const char* p, typename V::Reg* least,
                                                BlockBytes* bytes) {
  const typename V::Reg v = V::Load(p + kShift);
  // x ^ 0x20 moves both lead ranges next to each other: 0xA1-0xDC, 60 values from 0xA1.
  const typename V::Reg lead = V::Sub(V::Xor(v, V::Splat(0x20)), V::Splat(0xA1));
  bytes->cr |= V::Eq(v, V::Splat('\r')) << kShift;
  bytes->lead |= V::LessEq(lead, V::Splat(0x3B)) << kShift;
  if constexpr (kLikelySound) {
    *least = V::Min(*least, v);
    bytes->separator |= V::LessEq(v, V::Splat(0x01)) << kShift;
  } else {
    bytes->nul |= V::Eq(v, V::Splat(0x00)) << kShift;
    bytes->separator |= V::Eq(v, V::Splat(0x01)) << kShift;
  }
}

// The parts of a block are written out by the fold, so that every shift is a constant: as a
// loop, compilers keep it, with shifts by a variable count.
template <typename V, bool kLikelySound>
[[gnu::always_inline]] inline BlockBytes Classify(const char* block, typename V::Reg* least) {
  BlockBytes bytes;
  [&]<size_t... kPart>(std::index_sequence<kPart...>) {
    (ClassifyPart<V, kLikelySound, static_cast<int>(kPart * V::kWidth)>(block, least, &bytes), ...);
  }
  (std::make_index_sequence<kLineMaskBits / V::kWidth>{});
  return bytes;
}

// Where the probe's first byte stands at one of the block's starts and its last byte at the
// distance. REQUIRES: the block's bytes at the distance can be loaded.
template <typename V>
[[gnu::always_inline]] inline LineMask ProbeBits(const char* block, const LineProbe& probe) {
  LineMask hits = 0;
  [&]<size_t... kPart>(std::index_sequence<kPart...>) {
    ((hits |=
      (V::Eq(V::Or(V::Load(block + kPart * V::kWidth), V::Splat(probe.first_fold)),
             V::Splat(probe.first)) &
       V::Eq(V::Or(V::Load(block + kPart * V::kWidth + probe.distance), V::Splat(probe.last_fold)),
             V::Splat(probe.last)))
      << (kPart * V::kWidth)),
     ...);
  }
  (std::make_index_sequence<kLineMaskBits / V::kWidth>{});
  return hits;
}

// Where the first and last byte of one of the probes stand.
template <typename V, size_t kProbes>
[[gnu::always_inline]] inline LineMask AnyProbeBits(const char* block, const LineProbe* probes) {
  LineMask hits = 0;
  [&]<size_t... kProbe>(std::index_sequence<kProbe...>) {
    ((hits |= ProbeBits<V>(block, probes[kProbe])), ...);
  }
  (std::make_index_sequence<kProbes>{});
  return hits;
}

// The set bits of a mask. Without the processor's instruction (the SSE2 and portable versions)
// the compiler would call a library function, a table walk, for every block and every line.
inline int CountBits(LineMask m) {
#if defined(__POPCNT__)
  return std::popcount(m);
#else
  constexpr LineMask k55 = ~LineMask{0} / 3;
  constexpr LineMask k33 = ~LineMask{0} / 5;
  constexpr LineMask k0F = ~LineMask{0} / 17;
  m -= (m >> 1) & k55;
  m = (m & k33) + ((m >> 2) & k33);
  m = (m + (m >> 4)) & k0F;
  return static_cast<int>((m * (~LineMask{0} / 255)) >> (kLineMaskBits - 8));
#endif
}

// Which bytes of a block are carried as the second byte of a double-byte character, given
// carried_in: 1 when the block's first byte is (the block before ended in a character's first
// byte).
//
// A byte outside the lead ranges always ends a character, so a run of lead-range bytes starts on
// a character boundary and its bytes pair up from there: the byte right after the run is carried
// exactly when the run is odd. Adding a run's lowest bit to the mask carries through the run and
// sets the bit right after it; a run of odd length ends on the other parity than it started.
inline LineMask CarriedBytes(LineMask lead, LineMask carried_in) {
  constexpr LineMask kEvenBits = ~LineMask{0} / 3;  // 0101...
  constexpr LineMask kOddBits = ~kEvenBits;
  const LineMask runs = lead & ~carried_in;  // a carried lead-range byte starts no run
  const LineMask starts = runs & ~(runs << 1);
  const LineMask after_even_starts = (runs + (starts & kEvenBits)) & ~runs;
  const LineMask after_odd_starts = (runs + (starts & kOddBits)) & ~runs;
  return (after_even_starts & kOddBits) | (after_odd_starts & kEvenBits) | carried_in;
}

// The next block's first byte is carried when this block ends in the first byte of a
// character: a run of lead-range bytes at its end of odd length. Found from the mask alone, so
// that blocks do not wait for each other; only a block of nothing but lead-range bytes passes on
// what it was given (it has an even count of bits).
inline LineMask CarryOut(LineMask lead, LineMask carried_in) {
  const int tail = std::countl_one(lead);
  return tail == static_cast<int>(kLineMaskBits) ? carried_in : static_cast<LineMask>(tail & 1);
}

// The separators of a block that end fields: those not carried. *carry is the block's
// carried_in, and becomes the next one's.
inline LineMask FieldEnds(LineMask separator, LineMask lead, LineMask* carry) {
  const LineMask carried_in = *carry;
  *carry = CarryOut(lead, carried_in);
  // Only a separator right after a lead-range byte can be carried. Few blocks hold one (one in
  // fifty of an index file's), and the others need not have their runs paired up.
  if ((separator & ((lead << 1) | carried_in)) == 0) return separator;
  return separator & ~CarriedBytes(lead, carried_in);
}

// Writes the positions of a mask's set bits, offset by base, from out on; returns the end.
// Eight are written whatever the count (written out: as a loop the compiler keeps it), so that
// no branch depends on the count most of the time.
// REQUIRES: room for kLineMaskBits positions at out.
[[gnu::always_inline]] inline uint32_t* FlattenBits(uint32_t* out, LineMask m, uint32_t base) {
  const int count = CountBits(m);
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

template <typename V>
[[gnu::always_inline]] inline uint32_t* Flatten(uint32_t* out, LineMask m, uint32_t base) {
  if constexpr (requires { V::Flatten(out, m, base); }) {
    return V::Flatten(out, m, base);
  } else {
    return FlattenBits(out, m, base);
  }
}

// Makes room for at least need entries, keeping those there.
inline uint32_t* Room(std::vector<uint32_t>* list, size_t need) {
  if (list->size() < need) list->resize(std::max(need, 2 * list->size()));
  return list->data();
}

// The kinds of a stretch of blocks, as the vector half of the pass leaves them for the scalar
// half.
template <size_t kProbes>
struct StretchKinds {
  static constexpr size_t kBlocks = 64;
  LineMask cr[kBlocks];
  LineMask lead[kBlocks];
  LineMask separator[kBlocks];
  LineMask nul[kBlocks];
  LineMask probe[kProbes > 0 ? kBlocks : 1];
};

// What the blocks pass on to each other, and where their positions go.
struct MarkState {
  uint32_t* line_ends;
  uint32_t* ends_before;
  uint32_t* field_ends;
  uint32_t* probe_at;
  size_t lines = 0;
  size_t fields = 0;
  size_t probes = 0;
  LineMask carry = 0;
  LineMask nuls = 0;
};

// The vector half: the kinds of count blocks from start on. probed: how many of them the probes
// can be loaded for; the others are candidates everywhere.
template <typename V, bool kLikelySound, size_t kProbes>
[[gnu::always_inline]] inline void ClassifyStretch(const char* start, size_t count, size_t probed,
                                                   const LineProbe* probes, typename V::Reg* least,
                                                   StretchKinds<kProbes>* kinds) {
  typename V::Reg l = *least;
  for (size_t i = 0; i < count; ++i) {
    const char* block = start + i * kLineMaskBits;
    const BlockBytes bytes = Classify<V, kLikelySound>(block, &l);
    kinds->cr[i] = bytes.cr;
    kinds->lead[i] = bytes.lead;
    kinds->separator[i] = bytes.separator;
    if constexpr (!kLikelySound) kinds->nul[i] = bytes.nul;
    if constexpr (kProbes > 0) {
      kinds->probe[i] = i < probed ? AnyProbeBits<V, kProbes>(block, probes) : ~LineMask{0};
    }
  }
  *least = l;
}

// The scalar half: the positions of count blocks' kinds, the first at base. inside: the bytes
// of the last block that belong to the data.
template <typename V, bool kLikelySound, size_t kProbes>
[[gnu::always_inline]] inline void ListStretch(const StretchKinds<kProbes>& kinds, size_t count,
                                               uint32_t base, LineMask inside, MarkState* state) {
  // Locals, so that they stay in registers.
  MarkState s = *state;
  for (size_t i = 0; i < count; ++i, base += kLineMaskBits) {
    const LineMask in = i + 1 == count ? inside : ~LineMask{0};
    const LineMask nul = kLikelySound ? 0 : kinds.nul[i] & in;
    const LineMask ends = (FieldEnds(kinds.separator[i], kinds.lead[i], &s.carry) | nul) & in;
    s.nuls |= nul;
    if constexpr (kProbes > 0) {
      // Most blocks hold no place: a branch taken seldom costs less than listing nothing.
      const LineMask hits = kinds.probe[i] & in;
      if (hits != 0) {
        s.probes = static_cast<size_t>(Flatten<V>(s.probe_at + s.probes, hits, base) - s.probe_at);
      }
    }
    // A line is longer than a block, so a block holds a line end or none, in no order a
    // branch could foresee: the first one is written whatever there is, and counted only if
    // there; a loop takes the others, which seldom are.
    LineMask cr = kinds.cr[i] & in;
    const LineMask below_first = (cr & (~cr + 1)) - 1;  // every bit when there is none
    s.line_ends[s.lines] = base + static_cast<uint32_t>(std::countr_zero(cr));
    s.ends_before[s.lines] = static_cast<uint32_t>(s.fields) + CountBits(ends & below_first);
    s.lines += cr != 0;
    for (cr &= cr - 1; cr != 0; cr &= cr - 1) {
      const int at = std::countr_zero(cr);
      s.line_ends[s.lines] = base + static_cast<uint32_t>(at);
      s.ends_before[s.lines] =
          static_cast<uint32_t>(s.fields) + CountBits(ends & ((LineMask{1} << at) - 1));
      ++s.lines;
    }
    s.fields = static_cast<size_t>(Flatten<V>(s.field_ends + s.fields, ends, base) - s.field_ends);
  }
  *state = s;
}

template <typename V, bool kLikelySound, size_t kProbes>
void MarkBlocks(const char* data, size_t n, LineMarks* out, std::span<const LineProbe> probes,
                typename V::Reg* least) {
  const size_t blocks = LineMaskBlocks(n);
  const size_t full = n / kLineMaskBits;
  // Blocks from here on are marked as candidates everywhere: the loads for a probe's last byte
  // would pass the end, and every candidate is checked anyway.
  size_t distance = 0;
  LineProbe probe_copy[kProbes > 0 ? kProbes : 1] = {};
  for (size_t i = 0; i < kProbes; ++i) {
    probe_copy[i] = probes[i];
    distance = std::max(distance, probes[i].distance);
  }
  const size_t probed =
      kProbes > 0 && n >= distance + kLineMaskBits ? (n - distance) / kLineMaskBits : 0;
  MarkState state;
  StretchKinds<kProbes> kinds;
  // Makes room in the lists for every position that count more blocks could hold. Lists sized
  // for lines of a usual length grow only when a stretch holds unusually many ends.
  const auto room = [&](size_t count) {
    const size_t most = count * kLineMaskBits;
    state.line_ends = Room(&out->line_ends, std::max(state.lines + most, n / 64 + kLineMaskBits));
    state.ends_before = Room(&out->ends_before, out->line_ends.size());
    state.field_ends = Room(&out->field_ends, std::max(state.fields + most, n / 8 + kLineMaskBits));
    if constexpr (kProbes > 0) {
      state.probe_at = Room(&out->probe_at, std::max(state.probes + most, n / 256));
    }
  };

  // A stretch of blocks at a time in two loops: the first classifies the bytes with vectors, the
  // second turns the masks into positions. As one loop, what both need is live at once, more
  // than 32-bit x86 has registers for, and what the blocks pass on to each other would live in
  // memory.
  constexpr size_t kStretch = StretchKinds<kProbes>::kBlocks;
  for (size_t b = 0; b < full; b += kStretch) {
    const size_t count = std::min(full - b, kStretch);
    room(count);
    ClassifyStretch<V, kLikelySound, kProbes>(
        data + b * kLineMaskBits, count, probed > b ? probed - b : 0, probe_copy, least, &kinds);
    ListStretch<V, kLikelySound, kProbes>(kinds, count, static_cast<uint32_t>(b * kLineMaskBits),
                                          ~LineMask{0}, &state);
  }
  if (full < blocks) {
    // The last, partial block: from a copy, so nothing past n is read, padded with 0xFF, a byte
    // of no kind at all.
    const size_t rest = n % kLineMaskBits;
    alignas(64) char tail[kLineMaskBits];
    std::memset(tail, 0xFF, sizeof tail);
    std::memcpy(tail, data + full * kLineMaskBits, rest);
    room(1);
    ClassifyStretch<V, kLikelySound, kProbes>(tail, 1, 0, probe_copy, least, &kinds);
    ListStretch<V, kLikelySound, kProbes>(kinds, 1, static_cast<uint32_t>(full * kLineMaskBits),
                                          (LineMask{1} << rest) - 1, &state);
  }
  out->lines = state.lines;
  out->fields = state.fields;
  out->probes = state.probes;
  out->has_nul = state.nuls != 0;
}

template <typename V, bool kLikelySound>
void MarkBlocks(const char* data, size_t n, LineMarks* out, std::span<const LineProbe> probes,
                typename V::Reg* least) {
  static_assert(kMaxLineProbes == 2);
  switch (probes.size()) {
    case 0:
      return MarkBlocks<V, kLikelySound, 0>(data, n, out, probes, least);
    case 1:
      return MarkBlocks<V, kLikelySound, 1>(data, n, out, probes, least);
    default:
      return MarkBlocks<V, kLikelySound, 2>(data, n, out, probes, least);
  }
}

// A 0x00 never stands in a sound file. The data is first marked taking every byte up to 0x01
// for a separator (the cheaper classification), keeping the least byte seen; only when that was
// a 0x00 is it marked again telling the two apart (a 0x00 is never carried by a lead byte).
template <typename V>
void MarkWith(const char* data, size_t n, LineMarks* out, std::span<const LineProbe> probes) {
  typename V::Reg least = V::Splat(0xFF);
  MarkBlocks<V, true>(data, n, out, probes, &least);
  if (V::HasZero(least)) MarkBlocks<V, false>(data, n, out, probes, &least);
}

inline bool ProbeHitAt(const char* p, const LineProbe& probe) {
  return (static_cast<unsigned char>(p[0]) | probe.first_fold) == probe.first &&
         (static_cast<unsigned char>(p[probe.distance]) | probe.last_fold) == probe.last;
}

// Where the byte c stands at one of the block's starts.
template <typename V>
[[gnu::always_inline]] inline LineMask ByteBits(const char* block, unsigned char c) {
  LineMask hits = 0;
  [&]<size_t... kPart>(std::index_sequence<kPart...>) {
    ((hits |= V::Eq(V::Load(block + kPart * V::kWidth), V::Splat(c)) << (kPart * V::kWidth)), ...);
  }
  (std::make_index_sequence<kLineMaskBits / V::kWidth>{});
  return hits;
}

template <typename V>
const char* FindProbeWith(const char* from, const char* end, const LineProbe& probe) {
  if (end - from <= static_cast<ptrdiff_t>(probe.distance)) return end;
  // Starts before this have their last byte inside.
  const char* const starts_end = end - probe.distance;
  const char* p = from;
  // One byte looked for (the end of a file's data, 0x1A, in every chunk read): one compare, and
  // where it is not, four blocks at a time with one test: the least of their bytes xor it.
  const bool one_byte = probe.distance == 0 && probe.first_fold == 0 && probe.last_fold == 0 &&
                        probe.first == probe.last;
  if (one_byte) {
    constexpr size_t kStride = 4 * kLineMaskBits;
    const typename V::Reg c = V::Splat(probe.first);
    for (; starts_end - p >= static_cast<ptrdiff_t>(kStride); p += kStride) {
      typename V::Reg least = V::Xor(V::Load(p), c);
      for (size_t at = V::kWidth; at < kStride; at += V::kWidth) {
        least = V::Min(least, V::Xor(V::Load(p + at), c));
      }
      if (V::HasZero(least)) break;
    }
  }
  for (; starts_end - p >= static_cast<ptrdiff_t>(kLineMaskBits); p += kLineMaskBits) {
    const LineMask hits = one_byte ? ByteBits<V>(p, probe.first) : ProbeBits<V>(p, probe);
    if (hits != 0) return p + std::countr_zero(hits);
  }
  for (; p < starts_end; ++p) {
    if (ProbeHitAt(p, probe)) return p;
  }
  return end;
}

// What each instruction set's file gives MarkLineBytes and FindProbe.
template <typename V>
constexpr LineMaskFunctions FunctionsOf() {
  return LineMaskFunctions{MarkWith<V>, FindProbeWith<V>};
}

}  // namespace

// From line_masks_avx2.cpp and line_masks_avx512.cpp, compiled for those processors; null
// where they are not built (not x86, or a 32-bit build for AVX-512).
extern const LineMaskFunctions* const kAvx2LineMasks;
extern const LineMaskFunctions* const kAvx512LineMasks;

}  // namespace zeldrium

#endif  // ZELDRIUM_STORE_LINE_MASK_BLOCKS_H_
