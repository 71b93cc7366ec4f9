#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "console.h"
#include "text/code_page.h"
#include "text/code_page_win.h"

namespace zeldrium::find {
namespace {

HANDLE Handle(Stream stream) {
  return GetStdHandle(stream == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE h) {
  DWORD mode = 0;
  return h != nullptr && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode) != 0;
}

std::string SystemMessage(DWORD code) {
  wchar_t* buf = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::string text = buf != nullptr ? Utf8FromWide(buf) : "error " + std::to_string(code);
  if (buf != nullptr) LocalFree(buf);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

}  // namespace

std::vector<std::string> ProgramArgs(int argc, char** argv) {
  std::vector<std::string> args;
  int n = 0;
  wchar_t** wargv = CommandLineToArgvW(GetCommandLineW(), &n);
  if (wargv == nullptr) {
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    return args;
  }
  for (int i = 1; i < n; ++i) args.push_back(Utf8FromWide(wargv[i]));
  LocalFree(wargv);
  return args;
}

bool IsTerminal(Stream stream) { return IsConsole(Handle(stream)); }

int TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(Handle(Stream::kOut), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

WriteResult WriteStream(Stream stream, std::string_view bytes, bool utf8, std::string* err) {
  const HANDLE h = Handle(stream);
  if (IsConsole(h)) {
    // The console shows UTF-16 correctly whatever its code page; bytes would be read in it.
    const std::wstring w = utf8 ? WideFromUtf8(bytes) : WideFrom932(bytes);
    const wchar_t* p = w.data();
    size_t left = w.size();
    while (left > 0) {
      DWORD done = 0;
      const DWORD chunk = static_cast<DWORD>(left < 16384 ? left : 16384);
      if (!WriteConsoleW(h, p, chunk, &done, nullptr) || done == 0) {
        *err = SystemMessage(GetLastError());
        return WriteResult::kError;
      }
      p += done;
      left -= done;
    }
    return WriteResult::kOk;
  }
  while (!bytes.empty()) {
    DWORD done = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() < (1u << 20) ? bytes.size() : (1u << 20));
    if (!WriteFile(h, bytes.data(), chunk, &done, nullptr)) {
      const DWORD code = GetLastError();
      // Windows says ERROR_NO_DATA when the reader has closed the pipe, Wine says the pipe is
      // not connected.
      if (code == ERROR_BROKEN_PIPE || code == ERROR_NO_DATA || code == ERROR_PIPE_NOT_CONNECTED) {
        return WriteResult::kClosed;
      }
      *err = SystemMessage(code);
      return WriteResult::kError;
    }
    bytes.remove_prefix(done);
  }
  return WriteResult::kOk;
}

bool UseColor(bool forced) {
  const HANDLE h = Handle(Stream::kOut);
  bool escapes = false;
  if (DWORD mode = 0; IsConsole(h) && GetConsoleMode(h, &mode)) {
    // A console older than Windows 10 refuses, and would print the escapes as they are.
    escapes = SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
  }
  if (forced) return true;
  wchar_t no_color[2] = {};
  const bool no_color_set = GetEnvironmentVariableW(L"NO_COLOR", no_color, 2) > 0;
  return escapes && !no_color_set;
}

std::string NativePath(std::string_view cp932_path) {
  std::string path(cp932_path);
  for (char& c : path) {
    if (c == '/') c = '\\';  // never a second byte of a double-byte character
  }
  return path;
}

bool IsDirectory(const std::string& path) {
  const std::wstring w = WideFromUtf8(path);
  const DWORD attr = GetFileAttributesW(w.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathArgToCp932(std::string_view arg, bool raw, std::string* out, std::string* err) {
  // Arguments arrive as Unicode here, so raw changes nothing on the way in.
  if (Utf8ToCp932(arg, out)) return true;
  *err =
      "holds a character that code page 932 cannot represent, and the search reaches "
      "files by code page 932 names";
  return false;
}

bool TextArgToCp932(std::string_view arg, bool raw, std::string* out, std::string* err) {
  if (Utf8ToCp932(arg, out)) return true;
  *err = "holds a character that code page 932 cannot represent";
  return false;
}

}  // namespace zeldrium::find
