#include "cp932.h"

#include "text/code_page.h"

namespace zeldrium::make_store {

bool Utf8ToCp932(std::string_view utf8, std::string* out, std::string* err) {
  if (zeldrium::Utf8ToCp932(utf8, out)) return true;
  *err = "cannot convert \"" + std::string(utf8) + "\" to CP932";
  return false;
}

bool IsValidCp932(std::string_view bytes, size_t* bad_offset) {
  std::string ignored;
  if (Cp932ToUtf8Exact(bytes, &ignored)) return true;
  if (bad_offset != nullptr) {
    // The first character that does not convert on its own.
    *bad_offset = bytes.size();
    for (size_t i = 0; i < bytes.size();) {
      const size_t n = Cp932CharLength(bytes.substr(i));
      if (!Cp932ToUtf8Exact(bytes.substr(i, n), &ignored)) {
        *bad_offset = i;
        break;
      }
      i += n;
    }
  }
  return false;
}

}  // namespace zeldrium::make_store
