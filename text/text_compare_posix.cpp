#include <string>

#include "text/str_upper.h"
#include "text/text_compare.h"

namespace zeldrium {

namespace {

int CompareBytes(std::string_view a, std::string_view b) {
  const int r = a.compare(b);  // char_traits<char> compares as unsigned char
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

// Reused per thread: sorting calls this for every pair.
int CompareUpper(std::string_view a, std::string_view b, std::string** ua, std::string** ub) {
  thread_local std::string upper_a;
  thread_local std::string upper_b;
  UpperCaseTo(a, &upper_a);
  UpperCaseTo(b, &upper_b);
  *ua = &upper_a;
  *ub = &upper_b;
  return CompareBytes(upper_a, upper_b);
}

}  // namespace

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
  std::string* ua;
  std::string* ub;
  return CompareUpper(a, b, &ua, &ub);
}

int CompareText(std::string_view a, std::string_view b) {
  std::string* ua;
  std::string* ub;
  const int r = CompareUpper(a, b, &ua, &ub);
  if (r != 0) return r;
  // Equal but for case, so same length and the first difference is a letter in two cases. The
  // small letter has the greater byte in every folded range (a/A, the trail bytes of the
  // full-width, Greek and Cyrillic letters), and Windows puts it first.
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) {
      return static_cast<unsigned char>(a[i]) > static_cast<unsigned char>(b[i]) ? -1 : 1;
    }
  }
  return 0;
}

}  // namespace zeldrium
