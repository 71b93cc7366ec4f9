#include "tools/standin_host/output.h"

#include <windows.h>

namespace standin {
namespace {

void Write(DWORD which, std::wstring_view line) {
  HANDLE h = GetStdHandle(which);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  std::wstring text(line);
  text += L"\n";
  DWORD mode = 0, done = 0;
  if (GetConsoleMode(h, &mode)) {
    WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    return;
  }
  std::string bytes = Utf8FromWide(text);
  const char* p = bytes.data();
  size_t left = bytes.size();
  // A reader that went away (a pipe into head) ends the output, not the session.
  while (left > 0 && WriteFile(h, p, static_cast<DWORD>(left), &done, nullptr) && done > 0) {
    p += done;
    left -= done;
  }
}

}  // namespace

void PrintLine(std::wstring_view line) { Write(STD_OUTPUT_HANDLE, line); }
void PrintErrorLine(std::wstring_view line) { Write(STD_ERROR_HANDLE, line); }

std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string bytes(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  return bytes;
}

}  // namespace standin
