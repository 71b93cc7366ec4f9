#include "ui/text_win.h"

#include <windows.h>

namespace ui {
namespace {

constexpr UINT kShiftJis = 932;

std::wstring Widen(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  int n = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  if (n <= 0) return {};
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), n);
  return wide;
}

std::string Narrow(UINT code_page, std::wstring_view text) {
  if (text.empty()) return {};
  int size = static_cast<int>(text.size());
  // No "best fit": a character without a Shift-JIS form must not turn into a different one (an
  // accented e into a plain e would search for, or name, something the user did not type).
  DWORD flags = code_page == kShiftJis ? WC_NO_BEST_FIT_CHARS : 0;
  int n = WideCharToMultiByte(code_page, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string narrow(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(code_page, flags, text.data(), size, narrow.data(), n, nullptr, nullptr);
  return narrow;
}

}  // namespace

std::wstring WideFrom932(std::string_view text) { return Widen(kShiftJis, text); }
std::string To932(std::wstring_view text) { return Narrow(kShiftJis, text); }
std::string Utf8FromWide(std::wstring_view text) { return Narrow(CP_UTF8, text); }
std::wstring WideFromUtf8(std::string_view text) { return Widen(CP_UTF8, text); }

}  // namespace ui
