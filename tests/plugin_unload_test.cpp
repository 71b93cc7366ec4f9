// The host unloads the library the ways a host may: after BKC_OnExit or without it, with the
// window open, in the middle of a search run, while a dialog of ours is open, from another
// thread, and with a settings file that could not be read. The process must go on, and nothing
// of the plug-in may be left pointing into code that is gone.
#include <string>
#include <thread>
#include <vector>

#include "tests/dialog_test_driver.h"
#include "tests/window_driver.h"

namespace {

using namespace mainview;

constexpr int kBig = 100000;
constexpr char kBigFolder[] = "Big.mb\\F\\";
constexpr char kWriteError[] = "100:INI WRT ERROR";

class UnloadTest : public SearchWindowTest {
 protected:
  // A folder large enough that a run over it is still reading when the messages posted before
  // it arrive; every line a Subject hit of "hit".
  void MakeBigFolder() {
    std::string index;
    index.reserve(static_cast<size_t>(kBig) * 64);
    for (int i = 0; i < kBig; ++i) {
      const std::string key = std::to_string(i) + ".mail";
      index += testutil::IndexLine(key, "hit " + key, "big@example.jp", "", 1000000 + i);
    }
    ASSERT_TRUE(testutil::WriteFolder(store_.path(), kBigFolder, index));
    WriteSettings("FINDPARAM0=" + testutil::FindParam("big", false, kBigFolder, 2, "hit") + "\r\n");
  }

  bool Loaded() const { return GetModuleHandleW(DllPath().c_str()) != nullptr; }
  static bool ClassRegistered(HMODULE module) {
    WNDCLASSEXW info = {};
    info.cbSize = sizeof(info);
    return GetClassInfoExW(module, kFormClass, &info) != FALSE;
  }
  // FreeLibrary as a host does that never calls BKC_OnExit.
  void FreeWithoutExit() { plugin_.reset(); }

  // The search window works as before: a Subject search of the small store.
  void ExpectASearchWorks() {
    ASSERT_NE(StartWindow(), nullptr);
    ShowWindowByCommand();
    ChooseField(2);
    Search(L"Re:");
    EXPECT_EQ(Counter(), std::to_wstring(1) + kCounterWord);
  }
};

TEST_F(UnloadTest, WithoutOnExitTheOpenWindowGoesWithTheLibrary) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ASSERT_TRUE(Visible());
  HWND edit = Edit();
  FreeWithoutExit();
  EXPECT_FALSE(IsWindow(form_));
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_TRUE(testutil::ThreadWindowsOfClass(kFormClass).empty());
  EXPECT_FALSE(Loaded()) << "no code of ours was on the stack: nothing keeps it";
  EXPECT_NE(Settings().find("COLWIDTH=400,200,150,150,0,\r\n"), std::string::npos)
      << "saved at unload: " << Settings();
  PumpMessages();
  // The process goes on, and the next load starts afresh.
  ExpectASearchWorks();
}

// A settings file that could not be read at start is never overwritten; the refusal is told on
// the host's thread in BKC_OnExit, never inside FreeLibrary, and neither call waits.
TEST_F(UnloadTest, UnreadableSettingsAreToldAtOnExitAndNeverInsideFreeLibrary) {
  const std::string kept = "FINDHISTORY=kept\r\nSHOWHOTKEY=0\r\n";
  // Without BKC_OnExit first: the message box of the other round keeps the module mapped.
  for (bool on_exit : {false, true}) {
    SCOPED_TRACE(on_exit ? "with BKC_OnExit" : "without BKC_OnExit");
    WriteSettings(kept);
    HANDLE lock = CreateFileW(IniPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ASSERT_NE(StartWindow(), nullptr);
    CloseHandle(lock);
    std::vector<std::wstring>* boxes = WatchMessageBoxes();
    if (on_exit) {
      plugin_->OnExit();
      EXPECT_EQ(*boxes, std::vector<std::wstring>{W(kWriteError)});
      EXPECT_TRUE(testutil::ThreadWindowsOfClass(kFormClass).empty());
    }
    const size_t shown = boxes->size();
    FreeWithoutExit();
    PumpMessages();
    EXPECT_EQ(boxes->size(), shown) << "FreeLibrary showed a message";
    EXPECT_EQ(Settings(), kept);
    if (!on_exit) {
      EXPECT_FALSE(Loaded());
    }
    EXPECT_TRUE(testutil::ThreadWindowsOfClass(kFormClass).empty());
  }
}

TEST_F(UnloadTest, OnExitDuringARunReleasesOnceTheRunHasUnwound) {
  MakeBigFolder();
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  bool during = false, window_during = false;
  DuringRun([&] {
    during = Enabled(kStopBtn);
    plugin_->OnExit();
    window_during = IsWindow(form_) != FALSE;
    FreeWithoutExit();  // the host's FreeLibrary, right after
  });
  ChooseTab(0);
  ASSERT_TRUE(during) << "the exit came during the run";
  EXPECT_TRUE(window_during) << "nothing was released under the run";
  EXPECT_FALSE(IsWindow(form_));
  EXPECT_TRUE(testutil::ThreadWindowsOfClass(kFormClass).empty());
  EXPECT_TRUE(Loaded()) << "its code was on the stack: kept mapped";
  EXPECT_FALSE(ClassRegistered(GetModuleHandleW(DllPath().c_str())));
  EXPECT_EQ(Setting("FINDPARAM0").substr(0, 4), "big,") << "saved once released";
  PumpMessages();
}

TEST_F(UnloadTest, FreeLibraryWithoutOnExitDuringARunLeavesTheRunToFinish) {
  MakeBigFolder();
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  HMODULE module = plugin_->module();
  bool during = false;
  DuringRun([&] {
    during = Enabled(kStopBtn);
    FreeWithoutExit();
  });
  ChooseTab(0);
  ASSERT_TRUE(during);
  EXPECT_TRUE(Loaded()) << "its code was on the stack: kept mapped";
  EXPECT_EQ(Counter(), std::to_wstring(kBig) + kCounterWord);
  EXPECT_TRUE(IsWindow(form_));
  PumpMessages();
  // The library is still whole: a host may yet end it in order.
  using Callback = int(WINAPI*)();
  auto on_exit =
      reinterpret_cast<Callback>(reinterpret_cast<void*>(GetProcAddress(module, "BKC_OnExit")));
  ASSERT_NE(on_exit, nullptr);
  EXPECT_EQ(on_exit(), 0);
  EXPECT_FALSE(IsWindow(form_));
  EXPECT_FALSE(ClassRegistered(module));
}

TEST_F(UnloadTest, ThreeLoadsWithSearchesLeaveNoWindowClassOrHotKey) {
  const UINT mods = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    WriteSettings("SHOWHOTKEY=57466\r\n");  // Ctrl+Alt+Shift+F11
    ExpectASearchWorks();
    EXPECT_FALSE(RegisterHotKey(nullptr, 1, mods, VK_F11)) << "the plug-in holds its hot key";
    HMODULE module = plugin_->module();
    Unload();
    EXPECT_TRUE(testutil::ThreadWindowsOfClass(kFormClass).empty());
    EXPECT_FALSE(ClassRegistered(module));
    EXPECT_TRUE(RegisterHotKey(nullptr, 1, mods, VK_F11)) << "the hot key outlived the plug-in";
    UnregisterHotKey(nullptr, 1);
  }
}

// The host exits while the setup dialog is open: the window is released once the dialog has
// closed, not under it.
TEST_F(UnloadTest, OnExitWhileADialogOfOursIsOpenWaitsForIt) {
  ASSERT_NE(StartWindow(), nullptr);
  static standin::Plugin* plugin;
  static HWND form;
  static bool window_during;
  plugin = plugin_.get();
  form = form_;
  window_during = false;
  struct During {
    static VOID CALLBACK Proc(HWND, UINT, UINT_PTR id, DWORD) {
      const std::vector<HWND> dialogs = dialogtest::OwnDialogs(kSetupCaption);
      if (dialogs.empty()) return;
      HWND dialog = dialogs.front();
      KillTimer(nullptr, id);
      plugin->OnExit();
      window_during = IsWindow(form) != FALSE;
      SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    }
  };
  SetTimer(nullptr, 0, 30, &During::Proc);
  EXPECT_EQ(plugin_->OnPlugInSetup(nullptr), 1);
  EXPECT_TRUE(window_during);
  EXPECT_FALSE(IsWindow(form_));
  FreeWithoutExit();
  EXPECT_TRUE(testutil::ThreadWindowsOfClass(kFormClass).empty());
  PumpMessages();
}

// Unloaded on a thread that is not the window's: the window cannot be destroyed from there. It
// closes on its own thread without calling into the unmapped code, and the next load works.
TEST_F(UnloadTest, UnloadFromAnotherThreadLeavesAWindowThatClosesItself) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  HWND edit = Edit();
  std::thread host_thread([this] { FreeWithoutExit(); });
  host_thread.join();
  EXPECT_FALSE(Loaded());
  // Until its thread looks at its messages the window is there, but inert.
  SendMessageW(edit, WM_CHAR, L'x', 1);
  SendMessageW(form_, WM_HOTKEY, 0, 0);
  PumpMessages();
  EXPECT_FALSE(IsWindow(form_));
  EXPECT_TRUE(testutil::ThreadWindowsOfClass(kFormClass).empty());
  ExpectASearchWorks();
}

}  // namespace
