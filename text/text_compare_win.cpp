#include <windows.h>

#include <string>

#include "text/code_page_win.h"
#include "text/text_compare.h"

namespace zeldrium {

namespace {

int CompareBytes(std::string_view a, std::string_view b) {
  const int r = a.compare(b);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CompareRun(std::string_view a, std::string_view b, DWORD flags) {
  const std::wstring wa = WideFrom932(a);
  const std::wstring wb = WideFrom932(b);
  const int r = CompareStringW(LOCALE_USER_DEFAULT, flags, wa.c_str(), static_cast<int>(wa.size()),
                               wb.c_str(), static_cast<int>(wb.size()));
  if (r == 0) return CompareBytes(a, b);  // the locale refused: still give a consistent order
  return r - CSTR_EQUAL;
}

// CompareStringW may weigh a 0x00 as nothing; comparing the runs between 0x00 bytes one by one
// keeps texts that differ after a 0x00 from comparing equal. A 0x00 sorts before any character.
int Compare(std::string_view a, std::string_view b, DWORD flags) {
  for (;;) {
    const size_t na = a.find('\0');
    const size_t nb = b.find('\0');
    const int r = CompareRun(a.substr(0, na), b.substr(0, nb), flags);
    if (r != 0) return r;
    if (na == std::string_view::npos || nb == std::string_view::npos) {
      if (na == nb) return 0;
      return na == std::string_view::npos ? -1 : 1;
    }
    a.remove_prefix(na + 1);
    b.remove_prefix(nb + 1);
  }
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) { return Compare(a, b, 0); }

int CompareTextIgnoreCase(std::string_view a, std::string_view b) {
  return Compare(a, b, NORM_IGNORECASE);
}

}  // namespace zeldrium
