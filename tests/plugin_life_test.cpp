// The plug-in's objects over its life: what exists after the host's first call, what is written
// at unload, the information record, and loading the library again and again in one process.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/dialog_test_driver.h"
#include "tests/plugin_fixture.h"
#include "zeldrium_version.h"

namespace {

using testutil::FileExists;
using testutil::ReadFileBytes;
using testutil::WriteFileBytes;

TEST_F(PluginTest, InformationRecordHoldsFourTextsAtFixedOffsets) {
  ASSERT_NE(Load(), nullptr);
  // Filled with a marker first: the plug-in writes each text and its terminator, nothing more.
  std::vector<unsigned char> record(400, 0xCC);
  EXPECT_EQ(plugin_->OnPlugInInfo(record.data()), 0);
  auto field = [&](size_t offset, const std::string& text) {
    SCOPED_TRACE("offset " + std::to_string(offset));
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(&record[offset]), text.size()), text);
    EXPECT_EQ(record[offset + text.size()], 0);
    for (size_t i = offset + text.size() + 1; i < offset + 80; ++i) ASSERT_EQ(record[i], 0xCC) << i;
  };
  field(0, "Zeldrium\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93");  // Zeldriumプラグイン
  std::string vendor(reinterpret_cast<const char*>(&record[80]));
  EXPECT_FALSE(vendor.empty());
  EXPECT_LT(vendor.size(), 80u);
  field(80, vendor);
  field(160, ZELDRIUM_VERSION);
  // メールヘッダの簡易検索(クエリ検索より低機能！), 46 bytes
  field(
      240,
      "\x83\x81\x81\x5b\x83\x8b\x83\x77\x83\x62\x83\x5f\x82\xcc\x8a\xc8\x88\xd5\x8c\x9f\x8d\xf5"
      "(\x83\x4e\x83\x47\x83\x8a\x8c\x9f\x8d\xf5\x82\xe6\x82\xe8\x92\xe1\x8b\x40\x94\x5c\x81\x49)");
}

// Every export by ordinal with its fixed result; arguments that name nothing must not matter.
TEST_F(PluginTest, EveryCallbackReturnsItsFixedResult) {
  ASSERT_NE(Start(), nullptr);
  HMODULE m = plugin_->module();
  auto fn = [&](int ordinal) {
    return reinterpret_cast<void*>(GetProcAddress(m, MAKEINTRESOURCEA(ordinal)));
  };
  using V0 = int(WINAPI*)();
  using V1 = int(WINAPI*)(LPARAM);
  using V2 = int(WINAPI*)(LPARAM, LPARAM);
  using V3 = int(WINAPI*)(LPARAM, LPARAM, LPARAM);
  using V4 = int(WINAPI*)(LPARAM, LPARAM, LPARAM, LPARAM);
  EXPECT_EQ(reinterpret_cast<V0>(fn(1))(), 0);          // OnStart
  EXPECT_EQ(reinterpret_cast<V0>(fn(2))(), 0);          // OnExit
  EXPECT_EQ(reinterpret_cast<V3>(fn(3))(0, 0, 99), 0);  // OnMenuInit, a type it ignores
  EXPECT_EQ(reinterpret_cast<V1>(fn(4))(0), 0);         // OnOpenFolder
  EXPECT_EQ(reinterpret_cast<V1>(fn(5))(0), 0);         // OnOpenMail
  EXPECT_EQ(reinterpret_cast<V0>(fn(6))(), 0);          // OnEveryMinute
  EXPECT_EQ(reinterpret_cast<V2>(fn(7))(0, 0), 0);      // OnOpenCompose
  EXPECT_EQ(reinterpret_cast<V2>(fn(8))(0, 0), 0);      // OnOutgoing
  EXPECT_EQ(reinterpret_cast<V3>(fn(9))(0, 0, 0), 0);   // OnKeyDispatch
  EXPECT_EQ(reinterpret_cast<V2>(fn(10))(0, 0), 0);     // OnRetrieve
  EXPECT_EQ(reinterpret_cast<V1>(fn(11))(0), 0);        // OnSend
  EXPECT_EQ(reinterpret_cast<V1>(fn(12))(0), 0);        // OnFinishRetrieve
  {
    // The setup dialog is modal: a user closes it.
    dialogtest::ModalDriver cancel(kSetupCaption, [](HWND d) { dialogtest::Click(d, IDCANCEL); });
    EXPECT_EQ(reinterpret_cast<V1>(fn(13))(0), 1);  // OnPlugInSetup
  }
  EXPECT_EQ(reinterpret_cast<V1>(fn(14))(0), 0);           // OnPlugInInfo, no record
  EXPECT_EQ(reinterpret_cast<V4>(fn(15))(0, 0, 0, 0), 0);  // OnDragDrop
}

TEST_F(PluginTest, FirstCallbackCreatesTheHiddenSearchWindow) {
  ASSERT_NE(Load(), nullptr);
  EXPECT_EQ(Form(), nullptr) << "no window may be made while the library loads";
  // Whichever callback comes first, it returns with the window made.
  std::vector<unsigned char> record(320, 0);
  plugin_->OnPlugInInfo(record.data());
  HWND form = Form();
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(IsWindowVisible(form));
  EXPECT_EQ(GetWindow(form, GW_OWNER), nullptr);
  EXPECT_EQ(GetParent(form), nullptr);
  LONG style = GetWindowLongW(form, GWL_STYLE);
  LONG ex_style = GetWindowLongW(form, GWL_EXSTYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_EQ(style & WS_SYSMENU, 0) << "no caption buttons";
  EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
  wchar_t caption[64] = {};
  GetWindowTextW(form, caption, 64);
  EXPECT_STREQ(caption, L"\u30af\u30a4\u30c3\u30af\u691c\u7d22");  // クイック検索
  // Later callbacks use the same window.
  plugin_->OnStart();
  EXPECT_EQ(Form(), form);
}

TEST_F(PluginTest, LoadsAndUnloadsRepeatedlyInOneProcess) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_NE(Start(), nullptr);
    ASSERT_NE(Form(), nullptr);
    Unload();
    // The window is gone and its class with it, so the next load registers it afresh.
    EXPECT_TRUE(testutil::ThreadWindowsOfClass(kFormClass).empty());
    EXPECT_EQ(GetModuleHandleW(DllPath().c_str()), nullptr);
  }
}

TEST_F(PluginTest, SettingsAreWrittenAtUnloadNotBefore) {
  ASSERT_NE(Start(), nullptr);
  EXPECT_FALSE(FileExists(IniPath()));
  Unload();
  std::string ini;
  ASSERT_TRUE(ReadFileBytes(IniPath(), &ini));
  EXPECT_NE(ini.find("COLWIDTH=400,200,150,150,0,\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("OPTIONSET="), std::string::npos) << ini;
}

TEST_F(PluginTest, LoadedHistoryReachesTheFileAgainAtUnload) {
  // The history passes through the window's list and is stored back when the window goes.
  ASSERT_TRUE(
      WriteFileBytes(IniPath(), "FINDHISTORY=\"a b\",\x89\xef\x8b\x63,c\r\nJUNK=1\r\n"));  // 会議
  ASSERT_NE(Start(), nullptr);
  Unload();
  std::string ini;
  ASSERT_TRUE(ReadFileBytes(IniPath(), &ini));
  EXPECT_NE(ini.find("FINDHISTORY=\"a b\",\x89\xef\x8b\x63,c\r\n"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("JUNK"), std::string::npos) << ini;
}

TEST_F(PluginTest, SettingsFileFollowsTheLibrarysOwnName) {
  // Renamed, and with a name outside ASCII: 検索.dll keeps 検索.ini.
  for (const std::wstring& base : {std::wstring(L"Other"), std::wstring(L"\u691c\u7d22")}) {
    SCOPED_TRACE(std::string(base.begin(), base.end()));
    ASSERT_NE(Start(base + L".dll"), nullptr);
    Unload();
    EXPECT_TRUE(FileExists(IniPath(base)));
  }
  EXPECT_FALSE(FileExists(IniPath(L"Zeldrium")));
}

TEST_F(PluginTest, SettingsAreWrittenWhenTheProcessEndsWithTheLibraryLoaded) {
  // A host that exits without unloading: the detach then comes as part of the process's end.
  ASSERT_TRUE(CopyFileW((testutil::ExeDir() + L"Zeldrium.dll").c_str(), DllPath().c_str(), TRUE));
  ASSERT_TRUE(WriteFileBytes(IniPath(), "FINDHISTORY=kept\r\n"));
  std::string out;
  EXPECT_EQ(testutil::RunTestHost(L"exit \"" + DllPath() + L"\"", &out), 0u) << out;
  EXPECT_NE(out.find("done"), std::string::npos) << out;
  std::string ini;
  ASSERT_TRUE(ReadFileBytes(IniPath(), &ini));
  EXPECT_NE(ini.find("COLWIDTH="), std::string::npos) << "not rewritten: " << ini;
  EXPECT_NE(ini.find("FINDHISTORY=kept\r\n"), std::string::npos) << ini;
}

TEST_F(PluginTest, HotKeyIsHeldFromStartToUnload) {
  // Ctrl+Alt+Shift+F11: 0x7A | 0x2000 | 0x4000 | 0x8000.
  ASSERT_TRUE(WriteFileBytes(IniPath(), "SHOWHOTKEY=57466\r\n"));
  const UINT mods = MOD_CONTROL | MOD_ALT | MOD_SHIFT;
  ASSERT_NE(Start(), nullptr);
  EXPECT_FALSE(RegisterHotKey(nullptr, 1, mods, VK_F11)) << "the plug-in did not take its hot key";
  Unload();
  EXPECT_TRUE(RegisterHotKey(nullptr, 1, mods, VK_F11)) << "the hot key outlived the plug-in";
  UnregisterHotKey(nullptr, 1);
}

// The plug-in activates its own manifest around window creation, so its controls are the themed
// common controls whatever the host's manifest asks for.
TEST_F(PluginTest, CarriesAnActivatableManifestForCommonControls6) {
  ASSERT_NE(Load(), nullptr);
  HMODULE module = plugin_->module();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                       SizeofResource(module, found));
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos)
      << manifest;
  ACTCTXW context = {};
  context.cbSize = sizeof(context);
  context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.hModule = module;
  context.lpResourceName = MAKEINTRESOURCEW(2);
  HANDLE handle = CreateActCtxW(&context);
  EXPECT_NE(handle, INVALID_HANDLE_VALUE);
  if (handle != INVALID_HANDLE_VALUE) ReleaseActCtx(handle);
}

class OpenWindowTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    // The host's mail list, as a top-level window at a known place.
    list_ = CreateWindowExW(0, L"STATIC", L"list", WS_POPUP | WS_VISIBLE, 100, 120, 500, 300,
                            nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(list_, nullptr);
    standin::SetWindowHandles(nullptr, nullptr, list_, nullptr);
    testutil::MakeStore(store_.path());
    standin::SetDataFolder(standin::To932(store_.path()));
  }
  void TearDown() override {
    PluginTest::TearDown();
    DestroyWindow(list_);
  }
  RECT FormRect() {
    RECT r = {};
    GetWindowRect(Form(), &r);
    return r;
  }
  // Exactly where the host's list is.
  void ExpectOverTheList() {
    RECT r = FormRect();
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(r.right - r.left, 500);
    EXPECT_EQ(r.bottom - r.top, 300);
  }

  HWND list_ = nullptr;
  testutil::TempDir store_;
};

TEST_F(OpenWindowTest, QuickSearchLaysTheWindowOverTheHostsList) {
  ASSERT_NE(Start(), nullptr);
  ASSERT_TRUE(standin::InvokeCommand(CommandId("FindWin")));
  ASSERT_TRUE(IsWindowVisible(Form()));
  ExpectOverTheList();
}

// The user moved and resized the window since; both commands lay it over the list again.
TEST_F(OpenWindowTest, BothCommandsLayTheWindowOverTheListAgainAfterTheUserMovedIt) {
  ASSERT_NE(Start(), nullptr);
  ASSERT_TRUE(standin::SelectMail(std::string(testutil::kInbox) + "?" + testutil::kFirstKey));
  for (const char* command : {"FindWin", "FromFinder"}) {
    SCOPED_TRACE(command);
    SetWindowPos(Form(), nullptr, 300, 200, 640, 480, SWP_NOZORDER);
    SendMessageW(Form(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(standin::InvokeCommand(CommandId(command)));
    ASSERT_TRUE(IsWindowVisible(Form()));
    ExpectOverTheList();
    // Moved while shown, and opened again without being closed.
    SetWindowPos(Form(), nullptr, 10, 10, 700, 500, SWP_NOZORDER);
    ASSERT_TRUE(standin::InvokeCommand(CommandId(command)));
    ExpectOverTheList();
  }
}

TEST_F(OpenWindowTest, WindowFitKeepsTheWindowsOwnPlace) {
  ASSERT_TRUE(WriteFileBytes(IniPath(), "OPTIONSET=0,0,0,1,0,\r\nWINDOWINFO=0,40,50,440,350\r\n"));
  ASSERT_NE(Start(), nullptr);
  ASSERT_TRUE(standin::InvokeCommand(CommandId("FindWin")));
  ASSERT_TRUE(IsWindowVisible(Form()));
  RECT r = FormRect();
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right, 440);
  EXPECT_EQ(r.bottom, 350);
}

// The mail client started and closed again and again: the window opens where it was closed,
// with its size, and what is stored never drifts (at 144 dpi too). Stored beyond the screen's
// right edge (a monitor since gone), it first opens at that edge with its size.
TEST_F(OpenWindowTest, ThePlacementItWasClosedWithComesBackAtEveryStart) {
  ASSERT_TRUE(
      WriteFileBytes(IniPath(), "OPTIONSET=0,0,0,1,0,\r\nWINDOWINFO=0,3000,50,3400,350\r\n"));
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  std::string first;
  for (int start = 0; start < 4; ++start) {
    SCOPED_TRACE(start);
    ASSERT_NE(Start(), nullptr);
    ASSERT_TRUE(standin::InvokeCommand(CommandId("FindWin")));
    const RECT r = FormRect();
    EXPECT_EQ(r.right, work.right);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 300);
    SendMessageW(Form(), WM_CLOSE, 0, 0);
    Unload();
    std::string ini;
    ASSERT_TRUE(ReadFileBytes(IniPath(), &ini));
    const size_t at = ini.find("WINDOWINFO=");
    ASSERT_NE(at, std::string::npos);
    const std::string stored = ini.substr(at, ini.find("\r\n", at) - at);
    if (start == 0) first = stored;
    EXPECT_EQ(stored, first);
  }
  EXPECT_EQ(first, "WINDOWINFO=0," + std::to_string(work.right - 400) + ",50," +
                       std::to_string(work.right) + ",350");
}

TEST_F(OpenWindowTest, SenderSearchNeedsACurrentMailWithSource) {
  ASSERT_NE(Start(), nullptr);
  UINT id = CommandId("FromFinder");
  ASSERT_NE(id, 0u);
  // No current mail: nothing is shown.
  standin::InvokeCommand(id);
  EXPECT_FALSE(IsWindowVisible(Form()));
  // A current mail whose source the host cannot deliver counts as none.
  ASSERT_TRUE(standin::SelectMail(std::string(testutil::kInbox) + "?" + testutil::kFirstKey));
  standin::SetHostFaults({.no_source = true});
  standin::InvokeCommand(id);
  EXPECT_FALSE(IsWindowVisible(Form()));
  standin::SetHostFaults({});
  standin::InvokeCommand(id);
  EXPECT_TRUE(IsWindowVisible(Form()));
}

}  // namespace
