#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "settings/settings_io.h"

namespace zeldrium {
namespace {

std::string ErrnoText(const char* what, const std::string& path, int error) {
  return std::string(what) + " " + path + ": " + strerror(error);
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

class PosixTempFile : public SettingsTempFile {
 public:
  PosixTempFile(int fd, std::string tmp_path, std::string target)
      : fd_(fd), tmp_path_(std::move(tmp_path)), target_(std::move(target)) {}

  ~PosixTempFile() override {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(tmp_path_.c_str());
  }

  bool Write(std::string_view data, std::string* err) override {
    while (!data.empty()) {
      ssize_t n = write(fd_, data.data(), data.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        *err = ErrnoText("cannot write", tmp_path_, errno);
        return false;
      }
      data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  bool Sync(std::string* err) override {
    if (fsync(fd_) != 0) {
      *err = ErrnoText("cannot flush", tmp_path_, errno);
      return false;
    }
    return true;
  }

  bool Commit(std::string* err) override {
    // close() can report a delayed write error (NFS); the file must not replace the old one then.
    int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
      *err = ErrnoText("cannot close", tmp_path_, errno);
      return false;
    }
    if (rename(tmp_path_.c_str(), target_.c_str()) != 0) {
      *err = ErrnoText("cannot replace", target_, errno);
      return false;
    }
    committed_ = true;
    // The rename is done and cannot be undone, so a failure to make the directory entry durable
    // is not reported: the new file is in place either way.
    int dir = open(DirectoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      fsync(dir);
      close(dir);
    }
    return true;
  }

 private:
  int fd_;
  bool committed_ = false;
  std::string tmp_path_;
  std::string target_;
};

class PosixSettingsIO : public SettingsIO {
 public:
  SettingsReadResult ReadFile(const std::string& path, std::string* contents,
                              std::string* err) override {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT || errno == ENOTDIR) return SettingsReadResult::kMissing;
      *err = ErrnoText("cannot open", path, errno);
      return SettingsReadResult::kError;
    }
    contents->clear();
    char buf[64 * 1024];
    for (;;) {
      ssize_t n = read(fd, buf, sizeof buf);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        *err = ErrnoText("cannot read", path, errno);
        close(fd);
        return SettingsReadResult::kError;
      }
      contents->append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return SettingsReadResult::kRead;
  }

  std::unique_ptr<SettingsTempFile> CreateTemp(const std::string& path, std::string* err) override {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string tmp =
          path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
      // 0666 lets the umask decide, as for any new file; mkstemp would force 0600.
      int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        *err = ErrnoText("cannot create", tmp, errno);
        return nullptr;
      }
      // The replacement keeps the permissions the user gave the old file.
      struct stat st;
      if (stat(path.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
      return std::make_unique<PosixTempFile>(fd, std::move(tmp), path);
    }
    *err = "cannot create a temporary file beside " + path;
    return nullptr;
  }
};

}  // namespace

SettingsIO& DiskSettingsIO() {
  static PosixSettingsIO io;
  return io;
}

}  // namespace zeldrium
