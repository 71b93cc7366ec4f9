#include "search/line_masks.h"

#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace zeldrium {
namespace {

struct Masks {
  std::vector<LineMask> line_ends;
  std::vector<LineMask> field_ends;
  std::vector<LineMask> probe_hits;
  bool nul = false;
  bool operator==(const Masks&) const = default;
};

Masks Blank(size_t n, LineMask fill) {
  const size_t blocks = LineMaskBlocks(n);
  return Masks{std::vector<LineMask>(blocks, fill), std::vector<LineMask>(blocks, fill),
               std::vector<LineMask>(blocks, fill)};
}

Masks ByByte(const std::string& data, const LineProbe* probe = nullptr) {
  Masks m = Blank(data.size(), 0);
  m.nul =
      MarkLineBytesByByte(data.data(), data.size(),
                          {m.line_ends.data(), m.field_ends.data(), m.probe_hits.data()}, probe);
  return m;
}

// The data is copied to a buffer of its own size, so that reading past it is caught by the
// sanitizers.
Masks With(LineMaskCode code, const std::string& data, const LineProbe* probe = nullptr) {
  std::vector<char> exact(data.begin(), data.end());
  Masks m = Blank(data.size(), ~LineMask{0});
  if (probe == nullptr) std::fill(m.probe_hits.begin(), m.probe_hits.end(), 0);
  m.nul = MarkLineBytesWith(code, exact.data(), exact.size(),
                            {m.line_ends.data(), m.field_ends.data(), m.probe_hits.data()}, probe);
  return m;
}

std::vector<LineMaskCode> Codes() {
  std::vector<LineMaskCode> codes;
  for (LineMaskCode c : {LineMaskCode::kPortable, LineMaskCode::kSse2, LineMaskCode::kAvx2}) {
    if (CanMarkLineBytesWith(c)) codes.push_back(c);
  }
  return codes;
}

std::vector<size_t> Bits(const std::vector<LineMask>& masks) {
  std::vector<size_t> at;
  for (size_t i = 0; i < masks.size() * kLineMaskBits; ++i) {
    if ((masks[i / kLineMaskBits] >> (i % kLineMaskBits)) & 1) at.push_back(i);
  }
  return at;
}

TEST(LineMasksTest, LeadBytesCarryTheNextByteButNeverALineEnd) {
  using V = std::vector<size_t>;
  // "a" 0x01: a separator. 0x81 0x01: carried. 0x81 0x81 0x01: a pair, then a separator.
  Masks m = ByByte(std::string("a\x01\x81\x01\x81\x81\x01", 7));
  EXPECT_EQ(Bits(m.field_ends), (V{1, 6}));
  // A lead byte before a CR: the CR still ends the line, and the next line starts afresh.
  m = ByByte(std::string("\x81\r\x01\xe0\r\n\x00", 7));
  EXPECT_EQ(Bits(m.line_ends), (V{1, 4}));
  EXPECT_EQ(Bits(m.field_ends), (V{2, 6}));
  // A 0x00 ends the line's fields even right after a lead byte.
  m = ByByte(std::string("\x81\x00\x01", 3));
  EXPECT_EQ(Bits(m.field_ends), (V{1, 2}));
  // The ends of both lead ranges, and the bytes just outside them.
  m = ByByte(std::string("\x80\x01\x9f\x01\xa0\x01\xdf\x01\xfc\x01\xfd\x01", 12));
  EXPECT_EQ(Bits(m.field_ends), (V{1, 5, 7, 11}));
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
  std::bernoulli_distribution mostly_lead(0.7);
  for (int n = 0; n < 4000; ++n) {
    std::string data(size(rng), 'x');
    const bool leady = n % 2 == 0;
    for (char& c : data) c = leady && mostly_lead(rng) ? '\x88' : pieces[pick(rng)];
    const Masks want = ByByte(data);
    for (LineMaskCode code : codes) {
      ASSERT_EQ(With(code, data), want)
          << "code " << static_cast<int>(code) << ": " << testing::PrintToString(data);
    }
  }
}

TEST(LineMasksTest, ProbesMissNoPlaceWhereTheWordsEndsStand) {
  // "invoice" ignoring case: 'i' and 'e' six bytes apart in either case, and only there away
  // from the end of the data; near the end more places may be marked, never fewer.
  const LineProbe probe{'i', 'e', 0x20, 0x20, 6};
  std::mt19937 rng(5);
  const std::string words[] = {"invoice", "INVOICE", "iNVOICe", "i",   "e",      "ie",    "Ixxxxxe",
                               "\x81i",   "\x01",    "\r\n",    "abc", "ixxxxx", "I\xe9", "e\xe5"};
  std::uniform_int_distribution<size_t> pick(0, std::size(words) - 1);
  std::uniform_int_distribution<size_t> count(0, 120);
  for (int n = 0; n < 2000; ++n) {
    std::string data;
    for (size_t i = count(rng); i > 0; --i) data += words[pick(rng)];
    const Masks want = ByByte(data, &probe);
    // Bytes whose block was probed whole: the last byte of the word could be loaded for each.
    const size_t exact_blocks = data.size() >= probe.distance + kLineMaskBits
                                    ? (data.size() - probe.distance) / kLineMaskBits
                                    : 0;
    for (LineMaskCode code : Codes()) {
      const Masks got = With(code, data, &probe);
      ASSERT_EQ(got.line_ends, want.line_ends);
      ASSERT_EQ(got.field_ends, want.field_ends);
      for (size_t b = 0; b < want.probe_hits.size(); ++b) {
        ASSERT_EQ(want.probe_hits[b] & ~got.probe_hits[b], 0u)
            << "missed in block " << b << ": " << testing::PrintToString(data);
        if (b < exact_blocks) {
          ASSERT_EQ(got.probe_hits[b], want.probe_hits[b]) << b;
        }
      }
    }
  }
}

}  // namespace
}  // namespace zeldrium
