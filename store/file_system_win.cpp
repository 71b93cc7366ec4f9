#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "store/file_system.h"
#include "store/folder_idx.h"
#include "store/index_file.h"
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

// The performance counter, as seconds (the standard library's clocks bring in imports Windows 7
// may lack).
double Seconds() {
  static const double tick = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart > 0 ? 1.0 / static_cast<double>(frequency.QuadPart) : 0.0;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) * tick;
}

// Whether the files being read come from the disk or from the system's cache, judged by the
// pace of their reads. A file is read ahead with an overlapped read of its own, started while
// other files are searched; that helps only where the data is on the disk, and costs where it
// is in memory (under Wine every overlapped read is a call to its server, and the bytes are
// copied once more). So files are opened for plain reads until a read has gone at the pace of
// a disk rather than of memory, and for reading ahead from then on, until none is open any more:
// the run is over. Also the buffers of reads ahead, kept for the next files meanwhile: a fresh
// buffer of megabytes costs a page fault for every page of it, every file anew.
class ReadingAhead {
 public:
  static constexpr size_t kGrain = size_t{1} << 20;

  explicit ReadingAhead(ReadAheadMode mode) : always_(mode == ReadAheadMode::kAlways) {}

  bool Cold() const { return cold_ || always_; }
  // A read of bytes took micros. Memory gives a megabyte in a fraction of a millisecond, a disk
  // in a millisecond or more; the first read of a file also asks Wine's server for the file
  // once, which may take a millisecond on a busy machine. Short reads say nothing.
  void Judge(size_t bytes, int64_t micros) {
    if (bytes >= (size_t{64} << 10) && micros > 1000 + static_cast<int64_t>(bytes / 1000)) {
      cold_ = true;
    }
  }

  // A buffer of at least size bytes; *capacity its size.
  std::unique_ptr<char[]> Take(size_t size, size_t* capacity) {
    for (size_t i = 0; i < spares_.size(); ++i) {
      if (spares_[i].capacity < size) continue;
      std::unique_ptr<char[]> taken = std::move(spares_[i].data);
      *capacity = spares_[i].capacity;
      spares_.erase(spares_.begin() + static_cast<ptrdiff_t>(i));
      return taken;
    }
    *capacity = (size + kGrain - 1) / kGrain * kGrain;
    // Not zeroed: the system writes it.
    return std::unique_ptr<char[]>(new char[*capacity]);
  }
  void Give(std::unique_ptr<char[]> data, size_t capacity) {
    if (data != nullptr) spares_.push_back({std::move(data), capacity});
  }
  void Opened() { ++open_; }
  void Closed() {
    if (--open_ > 0) return;
    spares_.clear();
    cold_ = false;
  }

 private:
  struct Spare {
    std::unique_ptr<char[]> data;
    size_t capacity;
  };
  std::vector<Spare> spares_;
  int open_ = 0;
  bool cold_ = false;
  bool always_;
};

// A file read with plain reads, or, when opened for overlapped reading, one whose first bytes
// ReadAhead can start on while another file is searched; every overlapped read names its offset
// and is waited for at once. One read at a time: the file's own handle signals it, and no event
// is made per file.
// REQUIRES: calls and ahead outlive the file.
class WinFile : public SequentialFile {
 public:
  // overlapped: the file was opened with FILE_FLAG_OVERLAPPED.
  WinFile(HANDLE file, bool overlapped, FileSystemCalls* calls, ReadingAhead* ahead)
      : h_(file), overlapped_(overlapped), calls_(calls), reading_(ahead) {
    reading_->Opened();
  }
  ~WinFile() override {
    // The system must be done writing into ahead_ before it goes.
    if (ahead_pending_) {
      CancelIo(h_);
      DWORD ignored;
      ++calls_->waits;
      GetOverlappedResult(h_, &op_, &ignored, TRUE);
    }
    ++calls_->closes;
    CloseHandle(h_);
    DropAhead();
    reading_->Closed();
  }
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;

  bool Read(char* dst, size_t capacity, size_t* got, std::string* err) override {
    *got = 0;
    if (!overlapped_) return PlainRead(dst, capacity, got, err);
    if (ahead_pending_) {
      ahead_pending_ = false;
      DWORD n = 0;
      if (!Finish(&n, err)) {
        DropAhead();
        return false;
      }
      ahead_size_ = n;
      ahead_taken_ = 0;
      // A read that stops short has met the end of the file.
      ahead_ends_file_ = n < ahead_wanted_;
    }
    if (ahead_ != nullptr) {
      const size_t n = std::min(capacity, ahead_size_ - ahead_taken_);
      std::memcpy(dst, ahead_.get() + ahead_taken_, n);
      ahead_taken_ += n;
      if (ahead_taken_ == ahead_size_) {
        DropAhead();
        at_end_ = ahead_ends_file_;
      }
      *got = n;
      return true;
    }
    if (at_end_) return true;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(capacity, DWORD{1} << 30));
    DWORD n = 0;
    if (!Start(dst, want, err) || !Finish(&n, err)) return false;
    *got = n;
    at_end_ = n < want;
    return true;
  }

  // All of the file when the listing said it is at most a few chunks, in one read (under Wine
  // every read costs a call to its server), else its first chunk. A byte more than the listing
  // said, so that the read stops short at the end, and no read is needed to learn that nothing
  // follows, unless the file has grown since.
  // Opened for plain reads, it asks nothing and says what it would have asked.
  int64_t ReadAhead(int64_t size) override {
    if (offset_ != 0 || ahead_pending_ || ahead_ != nullptr) return 0;
    ahead_wanted_ =
        size >= 0 && size < kWholeFileBytes ? static_cast<DWORD>(size) + 1 : kFirstChunkBytes;
    if (!overlapped_) return ahead_wanted_;
    ahead_ = reading_->Take(ahead_wanted_, &ahead_capacity_);
    std::string ignored;
    ahead_pending_ = Start(ahead_.get(), ahead_wanted_, &ignored);
    // A read that cannot even start is tried again, and reported, by Read.
    if (!ahead_pending_) DropAhead();
    return ahead_pending_ ? ahead_wanted_ : 0;
  }

  bool AtEnd() const override { return at_end_; }

 private:
  static constexpr DWORD kFirstChunkBytes = TIndexFileReader::kDefaultChunk;

  void DropAhead() { reading_->Give(std::move(ahead_), ahead_capacity_); }

  bool PlainRead(char* dst, size_t capacity, size_t* got, std::string* err) {
    if (at_end_) return true;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(capacity, DWORD{1} << 30));
    DWORD n = 0;
    ++calls_->reads;
    const double start = Seconds();
    if (!ReadFile(h_, dst, want, &n, nullptr)) {
      *err = ErrorText(GetLastError());
      return false;
    }
    reading_->Judge(n, static_cast<int64_t>((Seconds() - start) * 1e6));
    *got = n;
    at_end_ = n < want;
    return true;
  }
  static constexpr DWORD kWholeFileBytes = 4 * kFirstChunkBytes;

  // Starts reading at offset_.
  bool Start(char* dst, DWORD size, std::string* err) {
    op_ = OVERLAPPED{};
    op_.Offset = static_cast<DWORD>(offset_);
    op_.OffsetHigh = static_cast<DWORD>(offset_ >> 32);
    met_end_ = false;
    ++calls_->reads;
    if (ReadFile(h_, dst, size, nullptr, &op_)) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) return true;
    if (error == ERROR_HANDLE_EOF) {
      met_end_ = true;
      return true;
    }
    *err = ErrorText(error);
    return false;
  }

  // Waits for the read started last; *n == 0 at the end of the file.
  bool Finish(DWORD* n, std::string* err) {
    *n = 0;
    if (met_end_) return true;
    ++calls_->waits;
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
  bool overlapped_;
  FileSystemCalls* calls_;
  ReadingAhead* reading_;
  OVERLAPPED op_{};
  uint64_t offset_ = 0;   // where the next read starts
  bool met_end_ = false;  // the read started last met the end at once
  bool at_end_ = false;   // a read stopped short: nothing follows
  bool ahead_pending_ = false;
  std::unique_ptr<char[]> ahead_;  // read by ReadAhead, not yet handed out
  size_t ahead_capacity_ = 0;
  size_t ahead_size_ = 0;
  DWORD ahead_wanted_ = 0;
  size_t ahead_taken_ = 0;
  bool ahead_ends_file_ = false;
};

bool IsIndexName(std::wstring_view name) {
  constexpr std::wstring_view kIndex = L"folder.idx";
  if (name.size() != kIndex.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const wchar_t c = name[i] >= L'A' && name[i] <= L'Z' ? name[i] - L'A' + L'a' : name[i];
    if (c != kIndex[i]) return false;
  }
  return true;
}

class WinFileSystem : public FileSystem {
 public:
  explicit WinFileSystem(ReadAheadMode mode) : ahead_(mode) {}

  bool FileExists(std::string_view path) override {
    if (!just_missing_.empty() && path == just_missing_) {
      just_missing_.clear();
      return false;
    }
    just_missing_.clear();
    ++calls_.existence_tests;
    const DWORD attr = GetFileAttributesW(ToWin(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  bool DirectoryExists(std::string_view path) override {
    just_missing_.clear();
    ++calls_.existence_tests;
    const DWORD attr = GetFileAttributesW(ToWin(path).c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }

  void ListFolder(std::string_view dir, FolderListing* listing) override {
    just_missing_.clear();
    *listing = FolderListing{};
    std::string pattern(dir);
    if (!EndsWithBackslash(pattern) && !(pattern.empty() || pattern.back() == '/')) {
      pattern += '\\';
    }
    pattern += '*';
    WIN32_FIND_DATAW fd;
    // Every entry, files too: the index is among them.
    ++calls_.listings;
    HANDLE h = FindFirstFileExW(ToWin(pattern).c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch,
                                nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
      const std::wstring_view name = fd.cFileName;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        if (IsIndexName(name)) {
          listing->has_index = true;
          listing->index_size =
              static_cast<int64_t>(uint64_t{fd.nFileSizeHigh} << 32 | fd.nFileSizeLow);
        }
        continue;
      }
      // With the basic information, dwReserved0 holds a reparse point's tag.
      const SubfolderKind kind = ClassifySubfolder(fd.dwFileAttributes, fd.dwReserved0);
      if (kind == SubfolderKind::kLeftOut) continue;
      if (name == L"." || name == L"..") continue;
      listing->subdirectories.push_back(To932(name));
      listing->is_link.push_back(kind == SubfolderKind::kLink);
    } while (FindNextFileW(h, &fd));
    ++calls_.closes;
    FindClose(h);
  }

  bool IdentifyDirectory(std::string_view dir, DirectoryIdentity* id) override {
    just_missing_.clear();
    ++calls_.identities;
    // Opened for its attributes only, links followed; nothing is kept from others meanwhile.
    HANDLE h = CreateFileW(ToWin(dir).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) &&
                    (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    CloseHandle(h);
    if (!ok) return false;
    *id = {info.dwVolumeSerialNumber, uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
    return true;
  }

  std::unique_ptr<SequentialFile> OpenSequential(std::string_view path, std::string* err) override {
    just_missing_.clear();
    ++calls_.opens;
    const bool overlapped = ahead_.Cold();
    HANDLE h = CreateFileW(
        ToWin(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | (overlapped ? FILE_FLAG_OVERLAPPED : 0),
        nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      // (A directory of that name is refused with ERROR_ACCESS_DENIED, as a file held by
      // another process may be: the existence test that follows tells them apart.)
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) just_missing_ = path;
      *err = ErrorText(error);
      return nullptr;
    }
    return std::make_unique<WinFile>(h, overlapped, &calls_, &ahead_);
  }

  FileSystemCalls Calls() const override { return calls_; }

 private:
  FileSystemCalls calls_;
  ReadingAhead ahead_;
  std::string just_missing_;  // the path of the last open, when it failed for want of a file
};

}  // namespace

std::unique_ptr<FileSystem> NewNativeFileSystem(ReadAheadMode mode) {
  return std::make_unique<WinFileSystem>(mode);
}

}  // namespace zeldrium
