// The host's setup call on the real library: the dialog is driven as a user would, and what it
// changed is read back from the settings file the library writes at unload and from the global
// hot key.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>

#include "host/setup_unit.h"
#include "tests/dialog_test_driver.h"
#include "tests/plugin_fixture.h"
#include "tests/setup_dialog_driver.h"

namespace {

constexpr int kSubCheck = TSetupForm::kSubCheck;
constexpr int kCommaCheck = TSetupForm::kCommaCheck;
constexpr int kWindowFit = TSetupForm::kWindowFit;
constexpr int kViewHotKey = TSetupForm::kViewHotKey;

// Ctrl+Alt+F13, a key nobody else in the test session holds.
constexpr char kSettings[] =
    "VIEWFONT=Arial,0,$0000FF,1,12,1\r\n"
    "SHOWHOTKEY=49276\r\n"
    "OPTIONSET=1,0,1,0,0,\r\n";

using setuptest::HotKeyHeld;

BOOL CALLBACK FindListView(HWND child, LPARAM out) {
  wchar_t name[32] = {};
  GetClassNameW(child, name, 32);
  if (lstrcmpiW(name, WC_LISTVIEWW) != 0) return TRUE;
  *reinterpret_cast<HWND*>(out) = child;
  return FALSE;
}

// The result list of the search window: the one list view among its descendants.
HWND ResultList(HWND form) {
  HWND found = nullptr;
  EnumChildWindows(form, &FindListView, reinterpret_cast<LPARAM>(&found));
  return found;
}

LOGFONTW FontOf(HWND window) {
  LOGFONTW font = {};
  auto hfont = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
  if (hfont) GetObjectW(hfont, sizeof(font), &font);
  return font;
}

bool HasLine(const std::string& ini, const std::string& line) {
  return ini.find(line + "\r\n") != std::string::npos;
}

class PluginSetupTest : public PluginTest {
 protected:
  // The setup call with the script as the user; returns what the call returned.
  int Setup(HWND parent, std::function<void(HWND)> script) {
    dialogtest::ModalDriver driver(kSetupCaption, std::move(script));
    int result = plugin_->OnPlugInSetup(parent);
    driver.Join();
    EXPECT_TRUE(driver.found()) << "no setup dialog showed";
    EXPECT_FALSE(driver.left_open());
    return result;
  }

  std::string UnloadAndReadSettings() {
    Unload();
    std::string ini;
    EXPECT_TRUE(testutil::ReadFileBytes(IniPath(), &ini));
    return ini;
  }
};

TEST_F(PluginSetupTest, CancelReturnsOneAndChangesNothing) {
  ASSERT_TRUE(testutil::WriteFileBytes(IniPath(), kSettings));
  ASSERT_NE(Start(), nullptr);
  ASSERT_TRUE(HotKeyHeld(MOD_CONTROL | MOD_ALT, VK_F13));
  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                              nullptr, nullptr, nullptr);
  bool held_while_open = true;
  HWND owner = nullptr;
  EXPECT_EQ(Setup(host,
                  [&](HWND d) {
                    held_while_open = HotKeyHeld(MOD_CONTROL | MOD_ALT, VK_F13);
                    owner = GetWindow(d, GW_OWNER);
                    dialogtest::Tick(d, kSubCheck, false);
                    dialogtest::Tick(d, kCommaCheck, true);
                    dialogtest::Tick(d, kWindowFit, true);
                    SendDlgItemMessageW(d, kViewHotKey, WM_KEYDOWN, VK_BACK, 1);
                    dialogtest::Click(d, IDCANCEL);
                  }),
            1);
  EXPECT_FALSE(held_while_open);
  EXPECT_EQ(owner, host);
  EXPECT_TRUE(HotKeyHeld(MOD_CONTROL | MOD_ALT, VK_F13)) << "the old key works again";
  DestroyWindow(host);
  std::string ini = UnloadAndReadSettings();
  EXPECT_TRUE(HasLine(ini, "VIEWFONT=Arial,0,$0000FF,1,12,1")) << ini;
  EXPECT_TRUE(HasLine(ini, "SHOWHOTKEY=49276")) << ini;
  EXPECT_TRUE(HasLine(ini, "OPTIONSET=1,0,1,0,0,")) << ini;
}

TEST_F(PluginSetupTest, OkStoresTheOptionsAndAClearedHotKeyLeavesNone) {
  ASSERT_TRUE(testutil::WriteFileBytes(IniPath(), kSettings));
  ASSERT_NE(Start(), nullptr);
  EXPECT_EQ(Setup(nullptr,
                  [&](HWND d) {
                    dialogtest::Tick(d, kSubCheck, false);
                    dialogtest::Tick(d, kCommaCheck, true);
                    dialogtest::Tick(d, kWindowFit, true);
                    SendDlgItemMessageW(d, kViewHotKey, WM_KEYDOWN, VK_BACK, 1);
                    dialogtest::Click(d, IDOK);
                  }),
            1);
  EXPECT_FALSE(HotKeyHeld(MOD_CONTROL | MOD_ALT, VK_F13));
  std::string ini = UnloadAndReadSettings();
  EXPECT_TRUE(HasLine(ini, "SHOWHOTKEY=0")) << ini;
  EXPECT_TRUE(HasLine(ini, "OPTIONSET=0,1,1,1,0,")) << ini;
  EXPECT_TRUE(HasLine(ini, "VIEWFONT=Arial,0,$0000FF,1,12,1")) << ini;
}

// The chosen font reaches the result list of the (hidden) search window when the dialog is
// confirmed, and the settings file at unload.
TEST_F(PluginSetupTest, OkAppliesTheChosenFontToTheResultListAtOnce) {
  ASSERT_TRUE(testutil::WriteFileBytes(IniPath(), kSettings));
  ASSERT_NE(Start(), nullptr);
  HWND list = ResultList(Form());
  ASSERT_NE(list, nullptr);
  ASSERT_STREQ(FontOf(list).lfFaceName, L"Arial");
  setuptest::PickedFont picked;
  EXPECT_EQ(Setup(nullptr,
                  [&](HWND d) {
                    picked = setuptest::PickFont(d, TSetupForm::kButton1, L"Arial", true);
                    dialogtest::Click(d, IDOK);
                  }),
            1);
  ASSERT_FALSE(picked.face.empty());
  LOGFONTW applied = FontOf(list);
  EXPECT_EQ(applied.lfFaceName, picked.face);
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(applied.lfHeight, -MulDiv(_wtoi(picked.size.c_str()), dpi, 72));
  std::string ini = UnloadAndReadSettings();
  size_t line = ini.find("VIEWFONT=");
  ASSERT_NE(line, std::string::npos) << ini;
  EXPECT_NE(ini.substr(line, ini.find("\r\n", line) - line).find(standin::To932(picked.face)),
            std::string::npos)
      << ini;
}

}  // namespace
