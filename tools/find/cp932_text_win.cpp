#include <windows.h>

#include <string>

#include "cp932_text.h"

namespace zeldrium::find::internal {
namespace {

constexpr UINT kCodePage932 = 932;

bool ToWide(UINT code_page, std::string_view in, std::wstring* wide) {
  if (in.empty()) {
    wide->clear();
    return true;
  }
  const int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(),
                                    static_cast<int>(in.size()), nullptr, 0);
  if (n <= 0) return false;
  wide->resize(static_cast<size_t>(n));
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(),
                             static_cast<int>(in.size()), wide->data(), n) == n;
}

// Appends; used_default reports a character the code page lacks (only asked of code page 932:
// UTF-8 can represent everything and rejects the flag).
bool AppendFromWide(UINT code_page, const std::wstring& wide, std::string* out) {
  if (wide.empty()) return true;
  const bool utf8 = code_page == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used = utf8 ? nullptr : &used_default;
  const int n = WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, used);
  if (n <= 0 || used_default) return false;
  const size_t start = out->size();
  out->resize(start + static_cast<size_t>(n));
  if (WideCharToMultiByte(code_page, flags, wide.data(), static_cast<int>(wide.size()),
                          out->data() + start, n, nullptr, used) != n ||
      used_default) {
    out->resize(start);
    return false;
  }
  return true;
}

}  // namespace

bool PlatformCp932ToUtf8(std::string_view text, std::string* out) {
  std::wstring wide;
  return ToWide(kCodePage932, text, &wide) && AppendFromWide(CP_UTF8, wide, out);
}

bool PlatformUtf8ToCp932(std::string_view text, std::string* out) {
  std::wstring wide;
  return ToWide(CP_UTF8, text, &wide) && AppendFromWide(kCodePage932, wide, out);
}

}  // namespace zeldrium::find::internal
