#include <windows.h>

#include <atomic>
#include <string>

#include "settings/settings_io.h"
#include "text/code_page_win.h"

namespace zeldrium {
namespace {

std::string ErrorText(const char* what, const std::string& path, DWORD error) {
  return std::string(what) + " " + path + ": Windows error " + std::to_string(error);
}

class WinTempFile : public SettingsTempFile {
 public:
  WinTempFile(HANDLE file, std::wstring tmp_path, std::wstring target, std::string tmp_name,
              std::string target_name)
      : file_(file),
        tmp_path_(std::move(tmp_path)),
        target_(std::move(target)),
        tmp_name_(std::move(tmp_name)),
        target_name_(std::move(target_name)) {}

  ~WinTempFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!committed_) DeleteFileW(tmp_path_.c_str());
  }

  bool Write(std::string_view data, std::string* err) override {
    while (!data.empty()) {
      DWORD chunk = data.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(data.size());
      DWORD written = 0;
      if (!WriteFile(file_, data.data(), chunk, &written, nullptr) || written == 0) {
        *err = ErrorText("cannot write", tmp_name_, GetLastError());
        return false;
      }
      data.remove_prefix(written);
    }
    return true;
  }

  bool Sync(std::string* err) override {
    if (!FlushFileBuffers(file_)) {
      *err = ErrorText("cannot flush", tmp_name_, GetLastError());
      return false;
    }
    return true;
  }

  bool Commit(std::string* err) override {
    HANDLE file = file_;
    file_ = INVALID_HANDLE_VALUE;
    if (!CloseHandle(file)) {
      *err = ErrorText("cannot close", tmp_name_, GetLastError());
      return false;
    }
    if (!MoveFileExW(tmp_path_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      *err = ErrorText("cannot replace", target_name_, GetLastError());
      return false;
    }
    committed_ = true;
    return true;
  }

 private:
  HANDLE file_;
  bool committed_ = false;
  std::wstring tmp_path_;
  std::wstring target_;
  std::string tmp_name_;
  std::string target_name_;
};

class WinSettingsIO : public SettingsIO {
 public:
  SettingsReadResult ReadFile(const std::string& path, std::string* contents,
                              std::string* err) override {
    std::wstring wide;
    if (!WideFromUtf8Exact(path, &wide)) {
      *err = "not a UTF-8 file name: " + path;
      return SettingsReadResult::kError;
    }
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return SettingsReadResult::kMissing;
      }
      *err = ErrorText("cannot open", path, error);
      return SettingsReadResult::kError;
    }
    contents->clear();
    char buf[64 * 1024];
    for (;;) {
      DWORD got = 0;
      if (!::ReadFile(file, buf, sizeof buf, &got, nullptr)) {
        *err = ErrorText("cannot read", path, GetLastError());
        CloseHandle(file);
        return SettingsReadResult::kError;
      }
      if (got == 0) break;
      contents->append(buf, got);
    }
    CloseHandle(file);
    return SettingsReadResult::kRead;
  }

  std::unique_ptr<SettingsTempFile> CreateTemp(const std::string& path, std::string* err) override {
    std::wstring target;
    if (!WideFromUtf8Exact(path, &target) || target.empty()) {
      *err = "not a UTF-8 file name: " + path;
      return nullptr;
    }
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string tmp = path + ".tmp" + std::to_string(GetCurrentProcessId()) + "-" +
                        std::to_string(counter.fetch_add(1));
      std::wstring wide_tmp;
      WideFromUtf8Exact(tmp, &wide_tmp);
      // No sharing: nobody may read a half-written file.
      HANDLE file = CreateFileW(wide_tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        *err = ErrorText("cannot create", tmp, error);
        return nullptr;
      }
      return std::make_unique<WinTempFile>(file, std::move(wide_tmp), std::move(target),
                                           std::move(tmp), path);
    }
    *err = "cannot create a temporary file beside " + path;
    return nullptr;
  }
};

}  // namespace

SettingsIO& DiskSettingsIO() {
  static WinSettingsIO io;
  return io;
}

}  // namespace zeldrium
