#ifndef ZELDRIUM_FUZZ_FUZZ_CHECK_H_
#define ZELDRIUM_FUZZ_FUZZ_CHECK_H_

// What the fuzz targets share: a property check that aborts (so libFuzzer keeps the input as a
// finding), and buffers of exactly the bytes under test, so that the address sanitizer sees a
// read one past the end (std::string would hide it inside its own spare capacity).

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#define FUZZ_CHECK(cond)                                                                  \
  do {                                                                                    \
    if (!(cond)) {                                                                        \
      std::fprintf(stderr, "property violated: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)

namespace zeldrium::fuzz {

class ExactBytes {
 public:
  explicit ExactBytes(std::string_view bytes)
      : size_(bytes.size()), data_(new char[bytes.size() == 0 ? 1 : bytes.size()]) {
    if (size_ > 0) std::memcpy(data_.get(), bytes.data(), size_);
  }
  std::string_view view() const { return std::string_view(data_.get(), size_); }
  const char* begin() const { return data_.get(); }
  const char* end() const { return data_.get() + size_; }

 private:
  size_t size_;
  std::unique_ptr<char[]> data_;
};

// True when part lies inside whole (an empty part anywhere from its start to one past its end).
inline bool ViewInside(std::string_view part, std::string_view whole) {
  const char* b = whole.data();
  const char* e = whole.data() + whole.size();
  return part.data() >= b && part.data() + part.size() <= e;
}

inline bool IsTrimmed(std::string_view s) {
  return s.empty() || (static_cast<unsigned char>(s.front()) > 0x20 &&
                       static_cast<unsigned char>(s.back()) > 0x20);
}

}  // namespace zeldrium::fuzz

#endif  // ZELDRIUM_FUZZ_FUZZ_CHECK_H_
