#include "ui/main_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "tests/standin_services.h"

namespace {

class MainViewTest : public ::testing::Test {
 protected:
  void TearDown() override {
    form_.reset();
    win32::UnregisterWindowClasses();
  }
  TMainForm& Make() {
    form_ = std::make_unique<TMainForm>(params_, services_.host, *services_.fs);
    EXPECT_TRUE(form_->Create());
    return *form_;
  }
  static RECT WorkArea() {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
  }
  static RECT Rect(HWND hwnd) {
    RECT r = {};
    GetWindowRect(hwnd, &r);
    return r;
  }

  // Never loaded: Save writes nothing.
  zeldrium::TInitParam params_{nullptr};
  testutil::StandinServices services_;
  std::unique_ptr<TMainForm> form_;
};

// The designed size at the window's DPI, at the designed corner, as far as the work area lets
// it: at 144 dpi the designed width (1398 pixels) is more than the test screen's 1280.
TEST_F(MainViewTest, CreatedHiddenAtItsDesignedPlaceHeldToTheScreen) {
  TMainForm& form = Make();
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.OpeningHit);
  const RECT work = WorkArea();
  const RECT r = Rect(form.hwnd());
  const LONG width = std::min<LONG>(win32::Scaled(932, form.Dpi()), work.right - work.left);
  const LONG height = std::min<LONG>(win32::Scaled(399, form.Dpi()), work.bottom - work.top);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
  EXPECT_EQ(r.left, std::min<LONG>(302, work.right - width));
  EXPECT_EQ(r.top, std::min<LONG>(281, work.bottom - height));
}

// Applied as stored; from a monitor no longer attached, moved onto the screen with its size.
TEST_F(MainViewTest, StoredPlacementIsAppliedAtCreationOnTheScreen) {
  const RECT work = WorkArea();
  struct Case {
    zeldrium::TRect stored;
    RECT expected;
  } cases[] = {
      {{10, 20, 410, 320}, {10, 20, 410, 320}},
      {{work.right + 2000, 20, work.right + 2400, 320}, {work.right - 400, 20, work.right, 320}},
      {{-3000, -900, -2600, -600}, {work.left, work.top, work.left + 400, work.top + 300}},
  };
  for (const Case& c : cases) {
    params_.WindowRect = c.stored;
    form_.reset();
    TMainForm& form = Make();
    const RECT hidden = Rect(form.hwnd());
    EXPECT_TRUE(EqualRect(&hidden, &c.expected)) << c.stored.Left;
    ShowWindow(form.hwnd(), SW_SHOWNOACTIVATE);
    const RECT shown = Rect(form.hwnd());
    EXPECT_TRUE(EqualRect(&shown, &c.expected)) << c.stored.Left;
  }
}

TEST_F(MainViewTest, BoundsSetWhileHiddenHoldWhenShown) {
  TMainForm& form = Make();
  form.SetBounds(30, 40, 300, 200);
  form.ShowQuickSearch("");
  EXPECT_TRUE(form.Visible());
  RECT r = Rect(form.hwnd());
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right - r.left, 300);
  EXPECT_EQ(r.bottom - r.top, 200);
}

// Stored shortcut bits against the modifiers the system gets. Each registration is proved by a
// second registration of the same combination failing, and succeeding once the form let go.
TEST_F(MainViewTest, ShortcutBitsMapToHotKeyModifiers) {
  struct Case {
    uint16_t shortcut;
    UINT modifiers;
    UINT key;
  } cases[] = {
      {VK_F13, 0, VK_F13},
      {0x2000 | VK_F13, MOD_SHIFT, VK_F13},
      {0x4000 | VK_F14, MOD_CONTROL, VK_F14},
      {0x8000 | VK_F15, MOD_ALT, VK_F15},
      {0xE000 | 'K', MOD_SHIFT | MOD_CONTROL | MOD_ALT, 'K'},
  };
  TMainForm& form = Make();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shortcut);
    form.RegisterShowHotKey(0, c.shortcut);
    EXPECT_FALSE(RegisterHotKey(nullptr, 7, c.modifiers, c.key));
    UnregisterHotKey(form.hwnd(), 0);
    EXPECT_TRUE(RegisterHotKey(nullptr, 7, c.modifiers, c.key));
    UnregisterHotKey(nullptr, 7);
  }
}

// A stored hot key of 0 is none: the window holds no hot key, and the key combination 0 stands
// for (no key, no modifier) is not taken from anyone.
TEST_F(MainViewTest, AHotKeyValueOfZeroRegistersNothing) {
  params_.ShowHotKey = 0;
  TMainForm& form = Make();
  EXPECT_FALSE(UnregisterHotKey(form.hwnd(), 0));
  form.RegisterShowHotKey(0, 0);
  EXPECT_FALSE(UnregisterHotKey(form.hwnd(), 0));
  form.RegisterShowHotKey(0, 0x4000 | VK_F16);
  EXPECT_TRUE(UnregisterHotKey(form.hwnd(), 0)) << "the test can tell";
}

TEST_F(MainViewTest, HotKeyShowsHidesAndIgnoresOtherIds) {
  TMainForm& form = Make();
  SendMessageW(form.hwnd(), WM_HOTKEY, 1, 0);
  EXPECT_FALSE(form.Visible());
  SendMessageW(form.hwnd(), WM_HOTKEY, 0, 0);
  ASSERT_TRUE(form.Visible());
  EXPECT_EQ(GetForegroundWindow(), form.hwnd());
  // In front: the next press hides it, without closing (nothing stored).
  params_.WindowRect = {};
  SendMessageW(form.hwnd(), WM_HOTKEY, 0, 0);
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(params_.WindowRect.Right, 0);
}

TEST_F(MainViewTest, CoveredWindowComesToTheFront) {
  TMainForm& form = Make();
  form.ToggleWindow();
  ASSERT_TRUE(form.Visible());
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                               nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  ASSERT_EQ(GetForegroundWindow(), other);
  form.ToggleWindow();
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(GetForegroundWindow(), form.hwnd());
  DestroyWindow(other);
}

TEST_F(MainViewTest, ClosingHidesAndStoresThePlacement) {
  TMainForm& form = Make();
  form.SetBounds(50, 60, 400, 300);
  form.ShowQuickSearch("");
  SendMessageW(form.hwnd(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(IsWindow(form.hwnd()));
  EXPECT_EQ(params_.WindowRect, (zeldrium::TRect{50, 60, 450, 360}));
}

TEST_F(MainViewTest, HistoryGoesBackToTheSettingsWhenTheWindowGoes) {
  params_.FindHistory = "\"a b\",\x89\xef\x8b\x63,\"q\"\"uote\"";  // 会議
  TMainForm& form = Make();
  EXPECT_EQ(form.History(), (std::vector<std::string>{"a b", "\x89\xef\x8b\x63", "q\"uote"}));
  params_.FindHistory.clear();
  form.StoreHistoryForExit();
  EXPECT_EQ(params_.FindHistory, "\"a b\",\x89\xef\x8b\x63,\"q\"\"uote\"");
  params_.FindHistory.clear();
  form.Destroy();
  EXPECT_EQ(params_.FindHistory, "\"a b\",\x89\xef\x8b\x63,\"q\"\"uote\"");
}

}  // namespace
