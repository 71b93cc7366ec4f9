#ifndef ZELDRIUM_SETTINGS_SETTINGS_TEST_UTIL_H_
#define ZELDRIUM_SETTINGS_SETTINGS_TEST_UTIL_H_

// Shared by the settings tests: a scratch directory on the real disk, and a SettingsIO that
// fails at a chosen step of a save.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "settings/settings_io.h"

namespace zeldrium::testing {

// A fresh directory whose name holds non-ASCII characters, so that on Windows the UTF-8 path
// really has to be converted. Removed with everything in it at the end of the test.
class ScratchDir {
 public:
  ScratchDir() {
    static int serial = 0;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // Only a directory this process made itself is its own: another run of the same tests at
    // the same time (or a crashed one's leftovers) takes the next number.
    std::filesystem::path parent;
    do {
      std::string leaf = std::string("zeldrium-") + info->name() + "-" + std::to_string(serial++);
      parent = std::filesystem::temp_directory_path() / leaf;
    } while (!std::filesystem::create_directory(parent));
    dir_ = parent / std::filesystem::path(u8"設定");
    std::filesystem::create_directories(dir_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_.parent_path(), ignored);
  }

  // The settings path of name in this directory, in the form SettingsIO takes.
  std::string Path(const std::string& name) const {
    std::u8string u8 = (dir_ / name).u8string();
    return std::string(u8.begin(), u8.end());
  }

  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  std::string Get(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Every file name in the directory, to see that no temporary file is left behind.
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      std::u8string u8 = entry.path().filename().u8string();
      names.emplace_back(u8.begin(), u8.end());
    }
    return names;
  }

 private:
  std::filesystem::path dir_;
};

// The real disk, except that the step named by fail_at fails. A failing write first writes half
// of its data, like a disk that fills up.
class FailingIO : public SettingsIO {
 public:
  enum Step { kNone, kRead, kCreate, kWrite, kSync, kCommit };
  Step fail_at = kNone;
  int creates = 0;

  SettingsReadResult ReadFile(const std::string& path, std::string* contents,
                              std::string* err) override {
    if (fail_at == kRead) {
      *err = "planted read failure";
      return SettingsReadResult::kError;
    }
    return DiskSettingsIO().ReadFile(path, contents, err);
  }

  std::unique_ptr<SettingsTempFile> CreateTemp(const std::string& path, std::string* err) override {
    ++creates;
    if (fail_at == kCreate) {
      *err = "planted create failure";
      return nullptr;
    }
    auto inner = DiskSettingsIO().CreateTemp(path, err);
    if (!inner) return nullptr;
    return std::make_unique<Temp>(std::move(inner), fail_at);
  }

 private:
  class Temp : public SettingsTempFile {
   public:
    Temp(std::unique_ptr<SettingsTempFile> inner, Step fail_at)
        : inner_(std::move(inner)), fail_at_(fail_at) {}
    bool Write(std::string_view data, std::string* err) override {
      if (fail_at_ != kWrite) return inner_->Write(data, err);
      inner_->Write(data.substr(0, data.size() / 2), err);
      *err = "planted write failure";
      return false;
    }
    bool Sync(std::string* err) override {
      if (fail_at_ != kSync) return inner_->Sync(err);
      *err = "planted sync failure";
      return false;
    }
    bool Commit(std::string* err) override {
      if (fail_at_ != kCommit) return inner_->Commit(err);
      *err = "planted commit failure";
      return false;
    }

   private:
    std::unique_ptr<SettingsTempFile> inner_;
    Step fail_at_;
  };
};

}  // namespace zeldrium::testing

#endif  // ZELDRIUM_SETTINGS_SETTINGS_TEST_UTIL_H_
