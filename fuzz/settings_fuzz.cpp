// The settings file: Load of whatever bytes the file holds, Save, and Load of what was saved.
// Saving must keep every setting, and saving again what was loaded back must write the same
// bytes. Input: the file's bytes.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "same_rec.h"
#include "settings/ini_params.h"
#include "settings/settings_io.h"

namespace zeldrium::fuzz {
namespace {

// Files in memory: the disk would only slow the fuzzer down, and the save path's own failures
// are tested in the native suite.
class MemoryIO : public SettingsIO {
 public:
  std::map<std::string, std::string> files;

  SettingsReadResult ReadFile(const std::string& path, std::string* contents,
                              std::string* err) override {
    auto it = files.find(path);
    if (it == files.end()) return SettingsReadResult::kMissing;
    *contents = it->second;
    return SettingsReadResult::kRead;
  }

  std::unique_ptr<SettingsTempFile> CreateTemp(const std::string& path, std::string* err) override {
    return std::make_unique<Temp>(this, path);
  }

 private:
  class Temp : public SettingsTempFile {
   public:
    Temp(MemoryIO* io, std::string path) : io_(io), path_(std::move(path)) {}
    bool Write(std::string_view data, std::string* err) override {
      data_.append(data);
      return true;
    }
    bool Sync(std::string* err) override { return true; }
    bool Commit(std::string* err) override {
      io_->files[path_] = std::move(data_);
      return true;
    }

   private:
    MemoryIO* io_;
    std::string path_;
    std::string data_;
  };
};

class NoWarning : public WarningBox {
 public:
  void ShowWarning(std::string_view text, std::string_view caption) override {
    FUZZ_CHECK(false && "a save to memory cannot fail");
  }
};

constexpr char kPath[] = "Zeldrium.ini";

void CheckSame(const TInitParam& a, const TInitParam& b) {
  FUZZ_CHECK(a.WindowRect == b.WindowRect);
  FUZZ_CHECK(a.WindowState == b.WindowState);
  FUZZ_CHECK(a.ColWidth == b.ColWidth);
  FUZZ_CHECK(a.FindHistory == b.FindHistory);
  FUZZ_CHECK(a.ViewFont == b.ViewFont);
  FUZZ_CHECK(SameList(a.FindList, b.FindList));
  FUZZ_CHECK(a.SubFolder == b.SubFolder);
  FUZZ_CHECK(a.CommaAnd == b.CommaAnd);
  FUZZ_CHECK(a.CaseSensitive == b.CaseSensitive);
  FUZZ_CHECK(a.WindowFit == b.WindowFit);
  FUZZ_CHECK(a.DateLimit == b.DateLimit);
  FUZZ_CHECK(a.UseDateLimit == b.UseDateLimit);
  FUZZ_CHECK(a.MultiLineTab == b.MultiLineTab);
  FUZZ_CHECK(a.ShowHotKey == b.ShowHotKey);
}

// Every line ends with CR LF and is a KEY=value line.
void CheckSavedForm(const std::string& text) {
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t cr = text.find('\r', pos);
    FUZZ_CHECK(cr != std::string::npos && cr + 1 < text.size() && text[cr + 1] == '\n');
    const std::string_view line(text.data() + pos, cr - pos);
    FUZZ_CHECK(line.find('\n') == std::string_view::npos);
    FUZZ_CHECK(line.find('=') != std::string_view::npos);
    pos = cr + 2;
  }
}

}  // namespace
}  // namespace zeldrium::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zeldrium;
  using namespace zeldrium::fuzz;
  NoWarning warning;
  MemoryIO io;
  io.files[kPath] = std::string(reinterpret_cast<const char*>(data), size);

  TInitParam first(&warning, io);
  first.Load(kPath);
  FUZZ_CHECK(first.Save());
  const std::string saved = io.files[kPath];
  CheckSavedForm(saved);

  TInitParam second(&warning, io);
  second.Load(kPath);
  CheckSame(first, second);
  FUZZ_CHECK(second.Save());
  FUZZ_CHECK(io.files[kPath] == saved);
  return 0;
}
