#include "store/line_masks.h"

#include <algorithm>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testsupport/line_masks_reference.h"

namespace zeldrium {
namespace {

// What was marked, as lists of their counts' length, to compare.
struct Marks {
  std::vector<uint32_t> line_ends;
  std::vector<uint32_t> ends_before;
  std::vector<uint32_t> field_ends;
  std::vector<uint32_t> probe_at;
  bool nul = false;
  bool operator==(const Marks&) const = default;
};

Marks Of(const LineMarks& m, bool probed) {
  return Marks{{m.line_ends.begin(), m.line_ends.begin() + m.lines},
               {m.ends_before.begin(), m.ends_before.begin() + m.lines},
               {m.field_ends.begin(), m.field_ends.begin() + m.fields},
               probed ? std::vector<uint32_t>(m.probe_at.begin(), m.probe_at.begin() + m.probes)
                      : std::vector<uint32_t>{},
               m.has_nul};
}

Marks ByByte(const std::string& data, std::span<const LineProbe> probes = {}) {
  LineMarks m;
  ReferenceMarkLineBytes(data.data(), data.size(), &m, probes);
  return Of(m, !probes.empty());
}

// The data is copied to a buffer of its own size, so that reading past it is caught by the
// sanitizers. The lists start out long and full of other values, as after an earlier window.
Marks With(LineMaskCode code, const std::string& data, std::span<const LineProbe> probes = {}) {
  std::vector<char> exact(data.begin(), data.end());
  LineMarks m;
  m.line_ends.assign(3, 7);
  m.ends_before.assign(3, 7);
  m.field_ends.assign(5, 7);
  m.probe_at.assign(4, 7);
  const LineMaskCode saved = LineMaskCodeInUse();
  UseLineMaskCode(code);
  MarkLineBytes(exact.data(), exact.size(), &m, probes);
  UseLineMaskCode(saved);
  return Of(m, !probes.empty());
}

std::vector<LineMaskCode> Codes() { return LineMaskCodesHere(); }

TEST(LineMasksTest, LeadBytesCarryTheNextByteButNeverALineEnd) {
  using V = std::vector<uint32_t>;
  // "a" 0x01: a separator. 0x81 0x01: carried. 0x81 0x81 0x01: a pair, then a separator.
  Marks m = ByByte(std::string("a\x01\x81\x01\x81\x81\x01", 7));
  EXPECT_EQ(m.field_ends, (V{1, 6}));
  // A lead byte before a CR: the CR still ends the line, and the next line starts afresh.
  m = ByByte(std::string("\x81\r\x01\xe0\r\n\x00", 7));
  EXPECT_EQ(m.line_ends, (V{1, 4}));
  EXPECT_EQ(m.field_ends, (V{2, 6}));
  // A 0x00 ends the line's fields even right after a lead byte.
  m = ByByte(std::string("\x81\x00\x01", 3));
  EXPECT_EQ(m.field_ends, (V{1, 2}));
  // The ends of both lead ranges, and the bytes just outside them.
  m = ByByte(std::string("\x80\x01\x9f\x01\xa0\x01\xdf\x01\xfc\x01\xfd\x01", 12));
  EXPECT_EQ(m.field_ends, (V{1, 5, 7, 11}));
}

// A run of lead-range bytes longer than two blocks: its parity is carried through a block that
// holds nothing else, whichever byte of the first block it starts on.
TEST(LineMasksTest, ParityOfARunCarriesThroughBlocksOfLeadBytesOnly) {
  for (size_t before = 0; before < 3; ++before) {
    for (size_t run = 2 * kLineMaskBits; run < 2 * kLineMaskBits + 3; ++run) {
      const std::string data = std::string(before, 'a') + std::string(run, '\x88') + "\x01";
      const Marks want = ByByte(data);
      // An odd run carries the 0x01 with its last byte; an even one leaves it a field end.
      ASSERT_EQ(want.field_ends.size(), run % 2 == 0 ? 1u : 0u);
      for (LineMaskCode code : Codes()) {
        EXPECT_EQ(With(code, data), want) << static_cast<int>(code) << " " << before << " " << run;
      }
    }
  }
}

TEST(LineMasksTest, EveryProcessorVersionAgreesWithTheByteWalk) {
  const std::vector<LineMaskCode> codes = Codes();
  ASSERT_GE(codes.size(), 1u);
  // Runs of lead-range bytes of every length across block boundaries are what the carry
  // arithmetic can get wrong; sizes around the block width cover the padded last block.
  const char pieces[] = {'\x01', '\x00', '\r',   '\n',   'a',    ' ',    '\x81', '\x9f',
                         '\xe0', '\xfc', '\x80', '\xa0', '\xdf', '\xfd', '\x40', '\x5c'};
  std::mt19937 rng(77);
  std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
  std::uniform_int_distribution<size_t> size(0, 5 * kLineMaskBits);
  // Now and then a window of hundreds of blocks: the lists grow while it is marked.
  std::uniform_int_distribution<size_t> long_size(0, 300 * kLineMaskBits);
  std::bernoulli_distribution mostly_lead(0.7);
  for (int n = 0; n < 4000; ++n) {
    std::string data(n % 40 == 0 ? long_size(rng) : size(rng), 'x');
    // Every other run mostly lead-range bytes; every third nothing but line and field ends,
    // more of them in a block than the lists are first sized for.
    const bool leady = n % 2 == 0;
    const bool dense = n % 3 == 0;
    for (char& c : data) {
      c = dense                       ? "\x01\r\x01\x00"[pick(rng) % 4]
          : leady && mostly_lead(rng) ? '\x88'
                                      : pieces[pick(rng)];
    }
    const Marks want = ByByte(data);
    for (LineMaskCode code : codes) {
      ASSERT_EQ(With(code, data), want)
          << "code " << static_cast<int>(code) << ": " << testing::PrintToString(data);
    }
  }
}

TEST(LineMasksTest, ProbesMissNoPlaceWhereTheWordsEndsStand) {
  // "invoice" ignoring case: 'i' and 'e' six bytes apart in either case, and only there away
  // from the end of the data; near the end more places may be marked, never fewer. With a
  // second probe ("ソ" keeping case, its two bytes), the places of either.
  const LineProbe probes[] = {{'i', 'e', 0x20, 0x20, 6}, {0x83, 0x5c, 0, 0, 1}};
  std::mt19937 rng(5);
  const std::string words[] = {"invoice", "INVOICE", "iNVOICe",  "i",        "e",   "ie",
                               "Ixxxxxe", "\x81i",   "\x01",     "\r\n",     "abc", "ixxxxx",
                               "I\xe9",   "e\xe5",   "\x83\x5c", "\x83\x83", "\x5c"};
  std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
  std::uniform_int_distribution<size_t> count(0, 120);
  for (int n = 0; n < 2000; ++n) {
    std::string data;
    for (size_t i = count(rng); i > 0; --i) data += words[pick(rng)];
    const std::span<const LineProbe> used(probes, n % 2 == 0 ? 1 : 2);
    const Marks want = ByByte(data, used);
    // Bytes whose block was probed whole: the last byte of the word could be loaded for each.
    size_t distance = 0;
    for (const LineProbe& probe : used) distance = std::max(distance, probe.distance);
    const size_t exact_blocks =
        data.size() >= distance + kLineMaskBits ? (data.size() - distance) / kLineMaskBits : 0;
    for (LineMaskCode code : Codes()) {
      const Marks got = With(code, data, used);
      ASSERT_EQ(got.line_ends, want.line_ends);
      ASSERT_EQ(got.ends_before, want.ends_before);
      ASSERT_EQ(got.field_ends, want.field_ends);
      // Beyond the blocks probed whole more places may be listed, never fewer.
      const auto exact = [&](const std::vector<uint32_t>& at) {
        std::vector<uint32_t> in;
        for (uint32_t a : at) {
          if (a < exact_blocks * kLineMaskBits) in.push_back(a);
        }
        return in;
      };
      ASSERT_EQ(exact(got.probe_at), exact(want.probe_at)) << testing::PrintToString(data);
      ASSERT_TRUE(std::includes(got.probe_at.begin(), got.probe_at.end(), want.probe_at.begin(),
                                want.probe_at.end()))
          << "missed: " << testing::PrintToString(data);
      ASSERT_TRUE(got.probe_at.empty() || got.probe_at.back() < data.size());
    }
  }
}

// FindProbe gives the first place where both bytes stand, with the last one inside, by every
// version: across block edges, at the very end, and with the first byte alone near the end.
TEST(LineMasksTest, FindProbeGivesTheFirstPlaceInside) {
  const LineProbe probes[] = {
      {'i', 'e', 0x20, 0x20, 6}, {'v', 'v', 0x20, 0x20, 0}, {0x83, 0x5c, 0, 0, 1}};
  std::mt19937 rng(9);
  const std::string words[] = {"invoice",  "INVOICE", "i",    "e",   "v", "V",
                               "\x83\x5c", "\x83",    "\x5c", "abc", "x", "\r\n"};
  std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
  std::uniform_int_distribution<size_t> count(0, 80);
  for (int n = 0; n < 3000; ++n) {
    std::string text;
    for (size_t i = count(rng); i > 0; --i) text += words[pick(rng)];
    const std::vector<char> exact(text.begin(), text.end());  // reads past it are caught
    const char* const begin = exact.data();
    const char* const end = begin + exact.size();
    for (const LineProbe& probe : probes) {
      LineMarks m;
      ReferenceMarkLineBytes(begin, exact.size(), &m, {&probe, 1});
      for (LineMaskCode code : Codes()) {
        UseLineMaskCode(code);
        // From every place a few apart: the first listed place at or after it.
        for (size_t from = 0; from <= exact.size(); from += 1 + from % 5) {
          const auto want = std::lower_bound(m.probe_at.begin(), m.probe_at.end(), from);
          const char* got = FindProbe(begin + from, end, probe);
          ASSERT_EQ(got, want == m.probe_at.end() ? end : begin + *want)
              << static_cast<int>(code) << " from " << from << ": " << testing::PrintToString(text);
        }
      }
      UseLineMaskCode(Codes().back());
    }
  }
}

}  // namespace
}  // namespace zeldrium
