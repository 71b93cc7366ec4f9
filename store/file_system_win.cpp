#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "store/file_system.h"
#include "store/folder_idx.h"
#include "store/subfolder_rule.h"
#include "text/code_page_win.h"

namespace zeldrium {
namespace {

// CreateDirectory's limit is 12 below MAX_PATH; staying under it keeps every call safe.
constexpr size_t kShortPathLimit = MAX_PATH - 12;

// A deep folder tree easily passes MAX_PATH; the "\\?\" form lifts the limit but is taken
// literally, so the path is made absolute and normal first.
std::wstring ToWin(std::string_view path) {
  std::wstring w = WideFrom932(path);
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
  return To932(text);
}

// Opened for overlapped reading, so that ReadAhead can start on the file's first bytes while
// another file is searched; every read names its offset and is waited for at once.
class WinFile : public SequentialFile {
 public:
  // REQUIRES: file opened with FILE_FLAG_OVERLAPPED. event may be null: one read at a time is
  // then signalled through the file itself.
  WinFile(HANDLE file, HANDLE event) : h_(file), event_(event) {}
  ~WinFile() override {
    // The system must be done writing into ahead_ before it goes.
    if (ahead_pending_) {
      CancelIo(h_);
      DWORD ignored;
      GetOverlappedResult(h_, &op_, &ignored, TRUE);
    }
    if (event_ != nullptr) CloseHandle(event_);
    CloseHandle(h_);
  }
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;

  bool Read(char* dst, size_t capacity, size_t* got, std::string* err) override {
    *got = 0;
    if (ahead_pending_) {
      ahead_pending_ = false;
      DWORD n = 0;
      if (!Finish(&n, err)) {
        std::vector<char>().swap(ahead_);
        return false;
      }
      ahead_.resize(n);
      ahead_taken_ = 0;
    }
    if (ahead_taken_ < ahead_.size()) {
      const size_t n = std::min(capacity, ahead_.size() - ahead_taken_);
      std::memcpy(dst, ahead_.data() + ahead_taken_, n);
      ahead_taken_ += n;
      if (ahead_taken_ == ahead_.size()) std::vector<char>().swap(ahead_);
      *got = n;
      return true;
    }
    const DWORD want = static_cast<DWORD>(std::min<size_t>(capacity, DWORD{1} << 30));
    DWORD n = 0;
    if (!Start(dst, want, err) || !Finish(&n, err)) return false;
    *got = n;
    return true;
  }

  void ReadAhead() override {
    constexpr DWORD kAheadBytes = 256 << 10;
    if (offset_ != 0 || ahead_pending_) return;
    ahead_.resize(kAheadBytes);
    std::string ignored;
    ahead_pending_ = Start(ahead_.data(), kAheadBytes, &ignored);
    // A read that cannot even start is tried again, and reported, by Read.
    if (!ahead_pending_) std::vector<char>().swap(ahead_);
  }

 private:
  // Starts reading at offset_.
  bool Start(char* dst, DWORD size, std::string* err) {
    op_ = OVERLAPPED{};
    op_.Offset = static_cast<DWORD>(offset_);
    op_.OffsetHigh = static_cast<DWORD>(offset_ >> 32);
    op_.hEvent = event_;
    at_end_ = false;
    if (ReadFile(h_, dst, size, nullptr, &op_)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) return true;
    if (error == ERROR_HANDLE_EOF) {
      at_end_ = true;
      return true;
    }
    *err = ErrorText(error);
    return false;
  }

  // Waits for the read started last; *n == 0 at the end of the file.
  bool Finish(DWORD* n, std::string* err) {
    *n = 0;
    if (at_end_) return true;
    if (!GetOverlappedResult(h_, &op_, n, TRUE)) {
      const DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF) return true;
      *err = ErrorText(error);
      return false;
    }
    offset_ += *n;
    return true;
  }

  HANDLE h_;
  HANDLE event_;
  OVERLAPPED op_{};
  uint64_t offset_ = 0;  // where the next read starts
  bool at_end_ = false;  // the read started last met the end at once
  bool ahead_pending_ = false;
  std::vector<char> ahead_;  // read by ReadAhead, not yet handed out
  size_t ahead_taken_ = 0;
};

class WinFileSystem : public FileSystem {
 public:
  bool FileExists(std::string_view path) override {
    const DWORD attr = GetFileAttributesW(ToWin(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  bool DirectoryExists(std::string_view path) override {
    const DWORD attr = GetFileAttributesW(ToWin(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
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
    do {
      // The directories-only flag is a hint that not every file system honours; with the
      // basic information, dwReserved0 holds a reparse point's tag.
      if (!IsWalkedSubfolder(fd.dwFileAttributes, fd.dwReserved0)) continue;
      const std::wstring_view name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      names.push_back(To932(name));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
  }

  std::unique_ptr<SequentialFile> OpenSequential(std::string_view path, std::string* err) override {
    HANDLE h = CreateFileW(
        ToWin(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      *err = ErrorText(GetLastError());
      return nullptr;
    }
    return std::make_unique<WinFile>(h, CreateEventW(nullptr, TRUE, FALSE, nullptr));
  }
};

}  // namespace

std::unique_ptr<FileSystem> NewNativeFileSystem() { return std::make_unique<WinFileSystem>(); }

}  // namespace zeldrium
