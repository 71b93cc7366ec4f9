#include "text/byte_scan.h"

#include <cstring>
#include <memory>
#include <string>

#include "gtest/gtest.h"

namespace zeldrium {
namespace {

// Each buffer is allocated at its exact size, so a read past its end is an over-read that the
// sanitizer build reports.
std::unique_ptr<char[]> Exact(size_t size, char fill) {
  auto buf = std::make_unique<char[]>(size);
  std::memset(buf.get(), fill, size);
  return buf;
}

using FindFunction = const char* (*)(const char*, const char*, char);

// The platform's search and ours, which is what Windows builds use.
class FindByteTest : public testing::TestWithParam<FindFunction> {
 protected:
  const char* Find(const char* begin, const char* end, char c) { return GetParam()(begin, end, c); }
};

INSTANTIATE_TEST_SUITE_P(Both, FindByteTest, testing::Values(&FindByte, &FindByteVector));

TEST_P(FindByteTest, FindsTheFirstAtEveryOffset) {
  // Sizes around the 16- and 64-byte steps and the final overlapping load.
  for (size_t size : {0, 1, 15, 16, 17, 31, 32, 33, 63, 64, 65, 80, 127, 128, 129}) {
    for (char c : {'\r', '\x1a'}) {
      auto none = Exact(size, 'a');
      EXPECT_EQ(Find(none.get(), none.get() + size, c), none.get() + size) << size;
      for (size_t at = 0; at < size; ++at) {
        auto buf = Exact(size, 'a');
        buf[at] = c;
        EXPECT_EQ(Find(buf.get(), buf.get() + size, c) - buf.get(), static_cast<ptrdiff_t>(at))
            << "size " << size << ", at " << at;
        // A second one further on must not win over the first.
        if (at + 1 < size) {
          buf[size - 1] = c;
          EXPECT_EQ(Find(buf.get(), buf.get() + size, c) - buf.get(),
                    static_cast<ptrdiff_t>(at))
              << "size " << size << ", at " << at << ", second at the end";
        }
      }
    }
  }
}

TEST_P(FindByteTest, LooksOnlyInsideTheRange) {
  // The byte sits right before and right after the range, at every start alignment.
  const std::string text = "\r" + std::string(100, 'x') + "\r";
  for (size_t from = 1; from <= 17; ++from) {
    for (size_t to = 100; to >= 84; --to) {
      const char* b = text.data() + from;
      const char* e = text.data() + to;
      EXPECT_EQ(Find(b, e, '\r'), e) << from << ".." << to;
    }
  }
  const char* b = text.data() + 1;
  EXPECT_EQ(Find(b, b + 101, '\r'), b + 100);
}

TEST_P(FindByteTest, HighBytesAreNotConfusedWithTheNeedle) {
  // Lead and trail bytes of double-byte text, and 0x8D (CR with the top bit) must not match.
  const std::string text = std::string(40, '\x8d') + "\x83\x5c\x81\x1a" + std::string(40, '\xe0');
  EXPECT_EQ(Find(text.data(), text.data() + text.size(), '\r'), text.data() + text.size());
  EXPECT_EQ(Find(text.data(), text.data() + text.size(), '\x1a') - text.data(), 43);
}

}  // namespace
}  // namespace zeldrium
