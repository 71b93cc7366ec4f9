#include "text/byte_scan.h"

namespace zeldrium {

const char* FindByte(const char* begin, const char* end, char c) {
  return FindByteVector(begin, end, c);
}

}  // namespace zeldrium
