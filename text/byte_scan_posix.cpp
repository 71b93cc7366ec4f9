#include "text/byte_scan.h"

#include <cstring>

namespace zeldrium {

// The C library's memchr is vectorised for the processor it runs on.
const char* FindByte(const char* begin, const char* end, char c) {
  const void* p = std::memchr(begin, c, static_cast<size_t>(end - begin));
  return p != nullptr ? static_cast<const char*>(p) : end;
}

}  // namespace zeldrium
