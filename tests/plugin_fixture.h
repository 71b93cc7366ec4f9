#ifndef ZELDRIUM_TESTS_PLUGIN_FIXTURE_H_
#define ZELDRIUM_TESTS_PLUGIN_FIXTURE_H_

// Loads a private copy of the real Zeldrium.dll into this test program, which is the host. Each
// test gets its own directory, so the settings file the plug-in writes beside itself belongs to
// that test alone (tests run in parallel processes).

#include <windows.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/test_util.h"
#include "tools/standin_host/host_api.h"

inline constexpr wchar_t kFormClass[] = L"ZeldriumQuickSearch";
// The setup dialog's caption, Zeldriumの設定: tests that call the host's setup callback close it.
inline constexpr wchar_t kSetupCaption[] = L"Zeldrium\x306e\x8a2d\x5b9a";

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::ResetHost(); }
  void TearDown() override {
    Unload();
    standin::ResetHost();
  }

  // The copy's path: name in this test's directory.
  std::wstring DllPath(const std::wstring& name = L"Zeldrium.dll") const {
    return dir_.path() + name;
  }
  std::wstring IniPath(const std::wstring& base = L"Zeldrium") const {
    return dir_.path() + base + L".ini";
  }

  // Copies the built DLL under name (if not yet there) and loads it. Fails the test when it
  // cannot.
  standin::Plugin* Load(const std::wstring& name = L"Zeldrium.dll") {
    std::wstring target = DllPath(name);
    if (!testutil::FileExists(target)) {
      EXPECT_TRUE(CopyFileW((testutil::ExeDir() + L"Zeldrium.dll").c_str(), target.c_str(), TRUE))
          << "cannot copy the DLL, error " << GetLastError();
    }
    std::string err;
    plugin_ = standin::Plugin::Load(target, &err);
    EXPECT_NE(plugin_, nullptr) << err;
    return plugin_.get();
  }

  // Loads and makes the first call a mail client makes.
  standin::Plugin* Start(const std::wstring& name = L"Zeldrium.dll") {
    standin::Plugin* plugin = Load(name);
    if (plugin) {
      EXPECT_EQ(plugin->OnStart(), 0);
    }
    return plugin;
  }

  void Unload() {
    if (!plugin_) return;
    plugin_->OnExit();
    plugin_.reset();
  }

  // The ID the loaded plug-in's menu command name was given by the host; 0 when it has none.
  UINT CommandId(const char* name) {
    HMENU popup = CreatePopupMenu();
    plugin_->OnMenuInit(nullptr, popup, 1);
    DestroyMenu(popup);
    for (const standin::Command& c : standin::Commands()) {
      if (c.name == name) return c.id;
    }
    return 0;
  }

  // The plug-in's search window, when there is exactly one.
  HWND Form() const {
    std::vector<HWND> found = testutil::ThreadWindowsOfClass(kFormClass);
    return found.size() == 1 ? found[0] : nullptr;
  }

  testutil::TempDir dir_;
  std::unique_ptr<standin::Plugin> plugin_;
};

#endif  // ZELDRIUM_TESTS_PLUGIN_FIXTURE_H_
