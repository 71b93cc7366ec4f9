#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "store/file_system.h"
#include "store/folder_idx.h"

namespace zeldrium {
namespace {

constexpr UINT kCodePage = 932;
// CreateDirectory's limit is 12 below MAX_PATH; staying under it keeps every call safe.
constexpr size_t kShortPathLimit = MAX_PATH - 12;

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  if (n > 0) {
    MultiByteToWideChar(kCodePage, 0, text.data(), static_cast<int>(text.size()), w.data(), n);
  }
  return w;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  if (n > 0) {
    WideCharToMultiByte(kCodePage, 0, text.data(), static_cast<int>(text.size()), s.data(), n,
                        nullptr, nullptr);
  }
  return s;
}

// A deep folder tree easily passes MAX_PATH; the "\\?\" form lifts the limit but is taken
// literally, so the path is made absolute and normal first.
std::wstring ToWin(std::string_view path) {
  std::wstring w = Widen(path);
  if (w.size() < kShortPathLimit || w.rfind(L"\\\\?\\", 0) == 0) return w;
  const DWORD need = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (need == 0) return w;
  std::wstring full(need, L'\0');
  const DWORD got = GetFullPathNameW(w.c_str(), need, full.data(), nullptr);
  if (got == 0 || got >= need) return w;
  full.resize(got);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string ErrorText(DWORD error) {
  wchar_t* buf = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::wstring text = n > 0 && buf != nullptr ? std::wstring(buf, n) : std::wstring();
  if (buf != nullptr) LocalFree(buf);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "Windows error " + std::to_string(error);
  return Narrow(text);
}

class WinFile : public SequentialFile {
 public:
  explicit WinFile(HANDLE h) : h_(h) {}
  ~WinFile() override { CloseHandle(h_); }
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;

  bool Read(char* dst, size_t capacity, size_t* got, std::string* err) override {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(capacity, DWORD{1} << 30));
    DWORD n = 0;
    if (!ReadFile(h_, dst, want, &n, nullptr)) {
      *got = 0;
      *err = ErrorText(GetLastError());
      return false;
    }
    *got = n;
    return true;
  }

 private:
  HANDLE h_;
};

class WinFileSystem : public FileSystem {
 public:
  bool FileExists(std::string_view path) override {
    const DWORD attr = GetFileAttributesW(ToWin(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  std::vector<std::string> ListSubdirectories(std::string_view dir) override {
    std::vector<std::string> names;
    std::string pattern(dir);
    if (!EndsWithBackslash(pattern) && !(pattern.empty() || pattern.back() == '/')) {
      pattern += '\\';
    }
    pattern += '*';
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileExW(ToWin(pattern).c_str(), FindExInfoBasic, &fd,
                                FindExSearchLimitToDirectories, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return names;
    constexpr DWORD kLeftOut =
        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT;
    do {
      // The directories-only flag is a hint that not every file system honours.
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
      if ((fd.dwFileAttributes & kLeftOut) != 0) continue;
      const std::wstring_view name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      names.push_back(Narrow(name));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
  }

  std::unique_ptr<SequentialFile> OpenSequential(std::string_view path, std::string* err) override {
    HANDLE h =
        CreateFileW(ToWin(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      *err = ErrorText(GetLastError());
      return nullptr;
    }
    return std::make_unique<WinFile>(h);
  }
};

}  // namespace

std::unique_ptr<FileSystem> NewNativeFileSystem() { return std::make_unique<WinFileSystem>(); }

}  // namespace zeldrium
