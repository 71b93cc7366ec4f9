#include "text/code_page_win.h"

#include <windows.h>

#include <algorithm>

#include "text/code_page.h"

namespace zeldrium {
namespace {

constexpr UINT kShiftJis = 932;

std::wstring Widen(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), n);
  return wide;
}

std::string Narrow(UINT code_page, std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  // No "best fit": a character without a Shift-JIS form must not turn into a different one (an
  // accented e into a plain e would search for, or name, something the user did not type).
  const DWORD flags = code_page == kShiftJis ? WC_NO_BEST_FIT_CHARS : 0;
  const int n =
      WideCharToMultiByte(code_page, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, flags, text.data(), size, narrow.data(), n, nullptr, nullptr);
  return narrow;
}

// The exact forms: invalid input, or a character the target lacks, fails.
bool ToWideExact(UINT code_page, std::string_view in, std::wstring* wide) {
  wide->clear();
  if (in.empty()) return true;
  const int n = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(),
                                    static_cast<int>(in.size()), nullptr, 0);
  if (n <= 0) return false;
  wide->resize(static_cast<size_t>(n));
  return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, in.data(),
                             static_cast<int>(in.size()), wide->data(), n) == n;
}

// Asks about characters the code page lacks only of code page 932: UTF-8 can represent
// everything and rejects the flag.
bool AppendFromWideExact(UINT code_page, const std::wstring& wide, std::string* out) {
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

std::wstring WideFrom932(std::string_view text) { return Widen(kShiftJis, text); }

void WideFrom932(std::string_view text, std::wstring* out) {
  out->resize(text.size());  // never more characters than bytes
  const int n = text.empty()
                    ? 0
                    : MultiByteToWideChar(kShiftJis, 0, text.data(), static_cast<int>(text.size()),
                                          out->data(), static_cast<int>(out->size()));
  out->resize(static_cast<size_t>(std::max(n, 0)));
}
std::string To932(std::wstring_view text) { return Narrow(kShiftJis, text); }
std::string Utf8FromWide(std::wstring_view text) { return Narrow(CP_UTF8, text); }
std::wstring WideFromUtf8(std::string_view text) { return Widen(CP_UTF8, text); }
bool WideFromUtf8Exact(std::string_view text, std::wstring* out) {
  if (ToWideExact(CP_UTF8, text, out)) return true;
  out->clear();
  return false;
}

namespace internal {

bool PlatformCp932ToUtf8(std::string_view text, std::string* out) {
  std::wstring wide;
  return ToWideExact(kShiftJis, text, &wide) && AppendFromWideExact(CP_UTF8, wide, out);
}

bool PlatformUtf8ToCp932(std::string_view text, std::string* out) {
  std::wstring wide;
  return ToWideExact(CP_UTF8, text, &wide) && AppendFromWideExact(kShiftJis, wide, out);
}

}  // namespace internal
}  // namespace zeldrium
