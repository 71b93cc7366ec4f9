#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "store/file_system.h"
#include "store/folder_idx.h"
#include "text/code_page.h"
#include "text/str_libs.h"

namespace zeldrium {
namespace {

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

unsigned char FoldAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

// ASCII letters compared without case. With cp932 the byte after a lead byte is compared
// exactly; UTF-8 needs no such care, as none of its multi-byte sequences holds an ASCII byte.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b, bool cp932) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (cp932 && IsLeadByte(x)) {
      if (x != y) return false;
      ++i;
      if (i < a.size() && a[i] != b[i]) return false;
      continue;
    }
    if (FoldAscii(x) != FoldAscii(y)) return false;
  }
  return true;
}

std::string Join(const std::string& dir, std::string_view name) {
  std::string p = dir;
  if (!p.empty() && p.back() != '/') p += '/';
  p.append(name);
  return p;
}

// strerror speaks the C library's locale, which may well be UTF-8.
std::string ErrorText(int error) {
  const char* sys = std::strerror(error);
  std::string text;
  if (IsAscii(sys) || !Utf8ToCp932(sys, &text)) text = sys;
  return text;
}

class PosixFile;

// Whether the files being read come from the disk or from the system's cache. Asking the system
// to read a file ahead costs a call that finds every page in memory when the cache holds them,
// a twentieth of a search's time; where it does not, the hints keep the disk busy while files
// are searched. So a file is hinted only once a read has found its data missing (a read that
// may not wait, which fails then), and from then on every file is, until none is open any
// more: the run is over. Where such reads are not to be had, every file is hinted.
class ReadingAhead {
 public:
  ReadingAhead(FileSystemCalls* calls, ReadAheadMode mode)
      : calls_(calls), probes_work_(mode == ReadAheadMode::kWhenCold) {}

  bool Cold() const { return cold_ || !probes_work_; }
  bool Probing() const { return probes_work_ && !cold_; }
  // The data of a file was found missing: every file waiting for it is hinted now.
  void TurnCold();
  void ProbesDoNotWork() {
    probes_work_ = false;
    TurnCold();
  }
  void Wait(PosixFile* file) { waiting_.push_back(file); }
  void StopWaiting(PosixFile* file) {
    waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), file), waiting_.end());
  }
  void Opened() { ++open_; }
  void Closed() {
    if (--open_ == 0) cold_ = false;
  }
  FileSystemCalls* calls() { return calls_; }

 private:
  FileSystemCalls* calls_;
  std::vector<PosixFile*> waiting_;  // opened ahead, not hinted
  int open_ = 0;
  bool cold_ = false;
  bool probes_work_;
};

// REQUIRES: ahead outlives the file.
class PosixFile : public SequentialFile {
 public:
  PosixFile(int fd, off_t size, ReadingAhead* ahead)
      : fd_(fd), size_(size), ahead_(ahead), calls_(ahead->calls()) {
    ahead_->Opened();
  }
  ~PosixFile() override {
    ahead_->StopWaiting(this);
    ++calls_->closes;
    ::close(fd_);
    ahead_->Closed();
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  bool Read(char* dst, size_t capacity, size_t* got, std::string* err) override;
  int64_t ReadAhead(int64_t size) override {
    if (ahead_->Cold()) {
      Hint();
    } else {
      ahead_->Wait(this);
    }
    return size_;
  }
  bool AtEnd() const override { return at_end_; }

  void Hint() {
    hinted_ = true;
    ++calls_->read_hints;
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_WILLNEED);
  }

 private:
  bool Took(ssize_t n, size_t capacity, size_t* got);

  int fd_;
  off_t size_;  // when opened
  off_t read_ = 0;
  bool at_end_ = false;
  bool hinted_ = false;
  bool started_ = false;
  ReadingAhead* ahead_;
  FileSystemCalls* calls_;
};

void ReadingAhead::TurnCold() {
  cold_ = true;
  for (PosixFile* file : waiting_) file->Hint();
  waiting_.clear();
}

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(ReadAheadMode mode) : ahead_(&calls_, mode) {}
  bool FileExists(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  void ListFolder(std::string_view dir, FolderListing* listing) override;
  bool IdentifyDirectory(std::string_view dir, DirectoryIdentity* id) override;
  std::unique_ptr<SequentialFile> OpenSequential(std::string_view path, std::string* err) override;
  FileSystemCalls Calls() const override { return calls_; }

 private:
  struct Component {
    std::string disk;  // the UTF-8 form, or the bytes themselves if they have none
    std::string raw;   // the code page 932 bytes as given
  };

  std::vector<Component> Split(std::string_view path);
  // The path as written, in the disk's form: '/' between components, each in UTF-8.
  std::string AsWritten(std::string_view path);
  // The path as it stands on the disk, looked up ignoring case.
  // REQUIRES: the path as written was just found missing (ENOENT or ENOTDIR).
  std::string ToDisk(std::string_view path);
  // Whether an error of an operation on the path as written may go away ignoring case.
  static bool OnlyCaseCanHelp(int error);
  // stat() of the path, as written or else ignoring case.
  bool Stat(std::string_view path, struct stat* st);
  // The entry of dir that is component c ignoring case, or "" when there is none.
  std::string FindIgnoringCase(const std::string& dir, const Component& c);

  // Appends the disk form of one component of a host path.
  void AppendDisk(std::string_view raw, std::string* out);

  bool Exists(const std::string& disk_path);
  DIR* OpenDir(const std::string& disk_path);
  void CloseDir(DIR* d);

  std::string scratch_;
  FileSystemCalls calls_;
  ReadingAhead ahead_;
  std::string just_missing_;  // the path of the last open, when it failed for want of a file
};

bool PosixFile::Took(ssize_t n, size_t capacity, size_t* got) {
  *got = static_cast<size_t>(n);
  read_ += n;
  // A read that stops short where the file ended when it was opened has met the end; had the
  // file grown since, the read would have given the new bytes too. (One that may not wait
  // might stop there all the same: bytes written in that moment are missed, as are those
  // written a moment after the search.)
  at_end_ = static_cast<size_t>(n) < capacity && read_ >= size_;
  return true;
}

bool PosixFile::Read(char* dst, size_t capacity, size_t* got, std::string* err) {
  if (!started_) {
    started_ = true;
    ahead_->StopWaiting(this);
    // The first read of a file not hinted may not wait for the disk: that it would have to
    // says the cache is cold, and the files opened ahead are hinted.
    if (!hinted_ && ahead_->Probing()) {
      ++calls_->reads;
      iovec into{dst, capacity};
      const ssize_t n = ::preadv2(fd_, &into, 1, -1, RWF_NOWAIT);
      // (Such a read also stops short where the system would start reading ahead on its own,
      // with the rest in memory: only a read that gets nothing says the cache is cold.)
      if (n >= 0) return Took(n, capacity, got);
      if (errno == EAGAIN) {
        ahead_->TurnCold();
      } else if (errno == EOPNOTSUPP || errno == EINVAL || errno == ENOSYS) {
        ahead_->ProbesDoNotWork();
      } else if (errno != EINTR) {
        *got = 0;
        *err = ErrorText(errno);
        return false;
      }
    }
  }
  for (;;) {
    ++calls_->reads;
    const ssize_t n = ::read(fd_, dst, capacity);
    if (n >= 0) return Took(n, capacity, got);
    if (errno == EINTR) continue;
    *got = 0;
    *err = ErrorText(errno);
    return false;
  }
}

template <typename F>
void ForEachComponent(std::string_view path, F f) {
  size_t start = 0;
  for (size_t i = 0; i <= path.size();) {
    if (i == path.size() || path[i] == '\\' || path[i] == '/') {
      if (i > start) f(path.substr(start, i - start));
      start = ++i;
    } else {
      i += IsLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1;
      if (i > path.size()) i = path.size();
    }
  }
}

void PosixFileSystem::AppendDisk(std::string_view raw, std::string* out) {
  if (IsAscii(raw) || !Cp932ToUtf8Exact(raw, &scratch_)) {
    out->append(raw);
  } else {
    out->append(scratch_);
  }
}

std::vector<PosixFileSystem::Component> PosixFileSystem::Split(std::string_view path) {
  std::vector<Component> parts;
  ForEachComponent(path, [&](std::string_view raw) {
    Component& c = parts.emplace_back();
    c.raw = std::string(raw);
    AppendDisk(raw, &c.disk);
  });
  return parts;
}

bool PosixFileSystem::Exists(const std::string& disk_path) {
  ++calls_.existence_tests;
  struct stat st;
  return ::lstat(disk_path.c_str(), &st) == 0;
}

DIR* PosixFileSystem::OpenDir(const std::string& disk_path) {
  ++calls_.listings;
  return ::opendir(disk_path.empty() ? "." : disk_path.c_str());
}

void PosixFileSystem::CloseDir(DIR* d) {
  ++calls_.closes;
  ::closedir(d);
}

std::string PosixFileSystem::FindIgnoringCase(const std::string& dir, const Component& c) {
  if (c.raw == "." || c.raw == "..") return "";
  if (c.raw != c.disk && Exists(Join(dir, c.raw))) return c.raw;
  DIR* d = OpenDir(dir);
  if (d == nullptr) return "";
  std::string best;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (EqualIgnoringAsciiCase(name, c.disk, false) || EqualIgnoringAsciiCase(name, c.raw, true)) {
      if (best.empty() || name < best) best = std::string(name);
    }
  }
  CloseDir(d);
  return best;
}

std::string PosixFileSystem::AsWritten(std::string_view path) {
  const bool absolute = !path.empty() && (path[0] == '\\' || path[0] == '/');
  std::string exact = absolute ? "/" : "";
  exact.reserve(path.size() + 16);
  bool any = false;
  ForEachComponent(path, [&](std::string_view raw) {
    if (any) exact += '/';
    AppendDisk(raw, &exact);
    any = true;
  });
  if (!any) return absolute ? "/" : ".";
  return exact;
}

bool PosixFileSystem::OnlyCaseCanHelp(int error) { return error == ENOENT || error == ENOTDIR; }

std::string PosixFileSystem::ToDisk(std::string_view path) {
  const bool absolute = !path.empty() && (path[0] == '\\' || path[0] == '/');
  const std::string root = absolute ? "/" : "";
  const std::string exact = AsWritten(path);
  if (exact == "." || exact == "/") return exact;

  const std::vector<Component> parts = Split(path);

  // The longest leading part that exists as written; the rest is looked up ignoring case.
  // ends[i] is where the first i parts end in exact.
  std::vector<size_t> ends(parts.size() + 1);
  ends[0] = root.size();
  for (size_t i = 0; i < parts.size(); ++i) {
    ends[i + 1] = ends[i] + (ends[i] > root.size() ? 1 : 0) + parts[i].disk.size();
  }
  size_t known = parts.size() - 1;
  while (known > 0 && !Exists(exact.substr(0, ends[known]))) --known;

  std::string resolved = exact.substr(0, ends[known]);
  for (size_t i = known; i < parts.size(); ++i) {
    const std::string exact_next = Join(resolved, parts[i].disk);
    if (exact_next != exact && Exists(exact_next)) {
      resolved = exact_next;
      continue;
    }
    const std::string found = FindIgnoringCase(resolved, parts[i]);
    if (found.empty()) {
      // Nothing below a missing component can exist: keep the names as written.
      for (size_t j = i; j < parts.size(); ++j) resolved = Join(resolved, parts[j].disk);
      return resolved;
    }
    resolved = Join(resolved, found);
  }
  return resolved;
}

// Each operation first tries the path as written, which most paths are: one look at the disk.
// Only when nothing is found there is the path looked up ignoring case.

bool PosixFileSystem::Stat(std::string_view path, struct stat* st) {
  const std::string written = AsWritten(path);
  ++calls_.existence_tests;
  if (::stat(written.c_str(), st) == 0) return true;
  if (!OnlyCaseCanHelp(errno)) return false;
  const std::string resolved = ToDisk(path);
  if (resolved == written) return false;
  ++calls_.existence_tests;
  return ::stat(resolved.c_str(), st) == 0;
}

bool PosixFileSystem::FileExists(std::string_view path) {
  if (!just_missing_.empty() && path == just_missing_) {
    just_missing_.clear();
    return false;
  }
  just_missing_.clear();
  struct stat st;
  return Stat(path, &st) && !S_ISDIR(st.st_mode);
}

bool PosixFileSystem::DirectoryExists(std::string_view path) {
  just_missing_.clear();
  struct stat st;
  return Stat(path, &st) && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::IdentifyDirectory(std::string_view dir, DirectoryIdentity* id) {
  just_missing_.clear();
  ++calls_.identities;
  struct stat st;
  const std::string written = AsWritten(dir);
  if (::stat(written.c_str(), &st) != 0) {
    if (!OnlyCaseCanHelp(errno)) return false;
    const std::string resolved = ToDisk(dir);
    if (resolved == written || ::stat(resolved.c_str(), &st) != 0) return false;
  }
  if (!S_ISDIR(st.st_mode)) return false;
  *id = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
  return true;
}

void PosixFileSystem::ListFolder(std::string_view dir, FolderListing* listing) {
  just_missing_.clear();
  *listing = FolderListing{};
  std::string disk = AsWritten(dir);
  DIR* d = OpenDir(disk);
  if (d == nullptr && OnlyCaseCanHelp(errno)) {
    if (std::string resolved = ToDisk(dir); resolved != disk) {
      disk = std::move(resolved);
      d = OpenDir(disk);
    }
  }
  if (d == nullptr) return;
  // The index as opening it would find it: the exact name, else the byte-wise smallest name
  // equal to it ignoring case.
  std::string index_name;
  bool index_is_file = false;
  std::string converted;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name.empty() || name[0] == '.') continue;  // also "." and ".."
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN) {
      ++calls_.existence_tests;
      struct stat st;
      if (::lstat(Join(disk, name).c_str(), &st) == 0) {
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
      }
    }
    const bool before_others = name == kIndexName || (index_name != kIndexName &&
                                                      (index_name.empty() || name < index_name));
    if (before_others && EqualIgnoringAsciiCase(name, kIndexName, false)) {
      index_name = std::string(name);
      // Anything but a directory, as FileExists has it: an index that cannot be read (a
      // socket, say) is an error to report, not a folder without an index.
      index_is_file = type != DT_DIR;
      if (type == DT_LNK) {
        // What the link names, as FileExists would see it.
        ++calls_.existence_tests;
        struct stat st;
        index_is_file = ::stat(Join(disk, name).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
      }
    }
    bool is_link = false;
    if (type == DT_LNK) {
      // A link is a folder where it leads to one; one that leads nowhere is passed over.
      ++calls_.existence_tests;
      struct stat st;
      is_link = ::stat(Join(disk, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
      if (!is_link) continue;
    } else if (type != DT_DIR) {
      continue;
    }
    if (IsAscii(name) || !Utf8ToCp932(name, &converted)) converted = std::string(name);
    listing->subdirectories.push_back(converted);
    listing->is_link.push_back(is_link);
  }
  CloseDir(d);
  listing->has_index = index_is_file;
}

std::unique_ptr<SequentialFile> PosixFileSystem::OpenSequential(std::string_view path,
                                                                std::string* err) {
  just_missing_.clear();
  const auto open_file = [this](const std::string& disk) {
    int fd;
    do {
      ++calls_.opens;
      fd = ::open(disk.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
  };
  const std::string written = AsWritten(path);
  int fd = open_file(written);
  if (fd < 0 && OnlyCaseCanHelp(errno)) {
    const int error = errno;
    const std::string resolved = ToDisk(path);
    if (resolved != written) {
      fd = open_file(resolved);
    } else {
      errno = error;
    }
  }
  if (fd < 0) {
    if (OnlyCaseCanHelp(errno)) just_missing_ = path;
    *err = ErrorText(errno);
    return nullptr;
  }
  // A directory opens for reading too; its size also tells the reads where the file ends.
  ++calls_.sizes;
  struct stat st {};
  ::fstat(fd, &st);
  if (S_ISDIR(st.st_mode)) {
    ++calls_.closes;
    ::close(fd);
    just_missing_ = path;
    *err = ErrorText(EISDIR);
    return nullptr;
  }
  return std::make_unique<PosixFile>(fd, st.st_size, &ahead_);
}

}  // namespace

std::unique_ptr<FileSystem> NewNativeFileSystem(ReadAheadMode mode) {
  return std::make_unique<PosixFileSystem>(mode);
}

}  // namespace zeldrium
