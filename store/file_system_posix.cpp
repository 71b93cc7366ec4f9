#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "store/file_system.h"
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

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
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

class PosixFile : public SequentialFile {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  bool Read(char* dst, size_t capacity, size_t* got, std::string* err) override;
  void ReadAhead() override { ::posix_fadvise(fd_, 0, 0, POSIX_FADV_WILLNEED); }

 private:
  int fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  bool FileExists(std::string_view path) override;
  bool DirectoryExists(std::string_view path) override;
  std::vector<std::string> ListSubdirectories(std::string_view dir) override;
  std::unique_ptr<SequentialFile> OpenSequential(std::string_view path, std::string* err) override;

 private:
  struct Component {
    std::string disk;  // the UTF-8 form, or the bytes themselves if they have none
    std::string raw;   // the code page 932 bytes as given
  };

  std::vector<Component> Split(std::string_view path);
  // The path as written, in the disk's form: '/' between components, each in UTF-8.
  std::string AsWritten(std::string_view path);
  // The path as it stands on the disk: as written if that exists, else looked up ignoring case.
  std::string ToDisk(std::string_view path);
  // Whether an error of an operation on the path as written may go away ignoring case.
  static bool OnlyCaseCanHelp(int error);
  // stat() of the path, as written or else ignoring case.
  bool Stat(std::string_view path, struct stat* st);
  // The entry of dir that is component c ignoring case, or "" when there is none.
  std::string FindIgnoringCase(const std::string& dir, const Component& c);

  // Appends the disk form of one component of a host path.
  void AppendDisk(std::string_view raw, std::string* out);

  std::string scratch_;
};

bool PosixFile::Read(char* dst, size_t capacity, size_t* got, std::string* err) {
  for (;;) {
    const ssize_t n = ::read(fd_, dst, capacity);
    if (n >= 0) {
      *got = static_cast<size_t>(n);
      return true;
    }
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

std::string PosixFileSystem::FindIgnoringCase(const std::string& dir, const Component& c) {
  if (c.raw == "." || c.raw == "..") return "";
  if (c.raw != c.disk && Exists(Join(dir, c.raw))) return c.raw;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return "";
  std::string best;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (EqualIgnoringAsciiCase(name, c.disk, false) || EqualIgnoringAsciiCase(name, c.raw, true)) {
      if (best.empty() || name < best) best = std::string(name);
    }
  }
  ::closedir(d);
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
  if (exact == "." || exact == "/" || Exists(exact)) return exact;

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
    if (Exists(exact_next)) {
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
  if (::stat(written.c_str(), st) == 0) return true;
  if (!OnlyCaseCanHelp(errno)) return false;
  const std::string resolved = ToDisk(path);
  return resolved != written && ::stat(resolved.c_str(), st) == 0;
}

bool PosixFileSystem::FileExists(std::string_view path) {
  struct stat st;
  return Stat(path, &st) && !S_ISDIR(st.st_mode);
}

bool PosixFileSystem::DirectoryExists(std::string_view path) {
  struct stat st;
  return Stat(path, &st) && S_ISDIR(st.st_mode);
}

std::vector<std::string> PosixFileSystem::ListSubdirectories(std::string_view dir) {
  std::vector<std::string> names;
  std::string disk = AsWritten(dir);
  DIR* d = ::opendir(disk.c_str());
  if (d == nullptr && OnlyCaseCanHelp(errno)) {
    if (std::string resolved = ToDisk(dir); resolved != disk) {
      disk = std::move(resolved);
      d = ::opendir(disk.c_str());
    }
  }
  if (d == nullptr) return names;
  std::string converted;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name.empty() || name[0] == '.') continue;  // also "." and ".."
    bool is_dir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN) {
      struct stat st;
      is_dir = ::lstat(Join(disk, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    if (!is_dir) continue;
    if (IsAscii(name) || !Utf8ToCp932(name, &converted)) converted = std::string(name);
    names.push_back(converted);
  }
  ::closedir(d);
  return names;
}

std::unique_ptr<SequentialFile> PosixFileSystem::OpenSequential(std::string_view path,
                                                                std::string* err) {
  const auto open_file = [](const std::string& disk) {
    int fd;
    do {
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
    *err = ErrorText(errno);
    return nullptr;
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    *err = ErrorText(EISDIR);
    return nullptr;
  }
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  return std::make_unique<PosixFile>(fd);
}

}  // namespace

std::unique_ptr<FileSystem> NewNativeFileSystem() { return std::make_unique<PosixFileSystem>(); }

}  // namespace zeldrium
