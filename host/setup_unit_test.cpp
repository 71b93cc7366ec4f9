// The setup dialog, opened as the host's setup call opens it over a real search window, driven
// from a second thread through the messages a user's clicks and key presses produce.
#include "host/setup_unit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/dialog_test_driver.h"
#include "tests/setup_dialog_driver.h"
#include "tests/standin_services.h"
#include "tests/test_canvas.h"
#include "text/code_page_win.h"
#include "ui/main_view.h"
#include "win32/handles.h"
#include "zeldrium_version.h"

namespace {

using dialogtest::Checked;
using dialogtest::Click;
using dialogtest::Text;
using dialogtest::Tick;
using F = TSetupForm;
using setuptest::HotKeyHeld;
using setuptest::Press;
using zeldrium::TFontDesc;

const std::wstring kCaption = L"Zeldrium\x306e\x8a2d\x5b9a";  // Zeldriumの設定
const std::wstring kGothicWide = L"\xff2d\xff33 \xff30\x30b4\x30b7\x30c3\x30af";

// Keys nobody else in the test session is likely to hold.
constexpr uint16_t kCtrlAltF13 = 0x4000 | 0x8000 | VK_F13;

// The search window as the dialog uses it; the list font is only recorded, with the settings as
// they were at that moment.
class RecordingTarget : public SetupTarget {
 public:
  RecordingTarget(TMainForm& form, const zeldrium::TInitParam& params)
      : form_(form), params_(params) {}
  HWND HotKeyWindow() const override { return form_.hwnd(); }
  void RegisterShowHotKey(int id, uint16_t shortcut) override {
    registered.push_back(shortcut);
    form_.RegisterShowHotKey(id, shortcut);
  }
  void ApplyListFont() override {
    ++applied;
    font_at_apply = params_.ViewFont;
  }

  std::vector<uint16_t> registered;
  int applied = 0;
  TFontDesc font_at_apply;

 private:
  TMainForm& form_;
  const zeldrium::TInitParam& params_;
};

WORD HotKeyField(HWND dialog) {
  return static_cast<WORD>(SendDlgItemMessageW(dialog, F::kViewHotKey, HKM_GETHOTKEY, 0, 0));
}

class SetupUnitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    params_.ViewFont = zeldrium::DefaultViewFont();
    params_.ViewFont.Color = 0x0000C8;  // red
    params_.SubFolder = true;
    params_.CommaAnd = false;
    params_.CaseSensitive = true;
    params_.WindowFit = false;
    params_.ShowHotKey = kCtrlAltF13;
    form_ = std::make_unique<TMainForm>(params_, services_.host, *services_.fs);
    ASSERT_TRUE(form_->Create());
    target_ = std::make_unique<RecordingTarget>(*form_, params_);
    ASSERT_TRUE(HotKeyHeld(MOD_CONTROL | MOD_ALT, VK_F13)) << "the window registers it at creation";
  }
  void TearDown() override {
    target_.reset();
    form_.reset();
    win32::UnregisterWindowClasses();
  }

  // The host's setup call with the script as the user.
  void Run(std::function<void(HWND)> script, HWND parent = nullptr) {
    dialogtest::ModalDriver driver(kCaption, std::move(script));
    EXPECT_EQ(PlugInSetup(parent, params_, *target_), 1);
    driver.Join();
    EXPECT_TRUE(driver.found()) << "the dialog never showed";
    EXPECT_FALSE(driver.left_open()) << "the script did not close the dialog";
  }

  void ExpectSettings(const zeldrium::TInitParam& want) {
    EXPECT_EQ(params_.ViewFont, want.ViewFont);
    EXPECT_EQ(params_.SubFolder, want.SubFolder);
    EXPECT_EQ(params_.CommaAnd, want.CommaAnd);
    EXPECT_EQ(params_.CaseSensitive, want.CaseSensitive);
    EXPECT_EQ(params_.WindowFit, want.WindowFit);
    EXPECT_EQ(params_.SearchWhileTyping, want.SearchWhileTyping);
    EXPECT_EQ(params_.ShowHotKey, want.ShowHotKey);
  }

  // Never loaded: Save writes nothing.
  zeldrium::TInitParam params_{nullptr};
  testutil::StandinServices services_;
  std::unique_ptr<TMainForm> form_;
  std::unique_ptr<RecordingTarget> target_;
};

TEST_F(SetupUnitTest, ControlsShowTheSettingsAndTheHotKeyIsFreeWhileOpen) {
  struct Seen {
    std::wstring caption;
    bool sub = false, comma = true, case_sensitive = false, fit = true, typing = false;
    WORD hot_key = 0;
    bool hot_key_held = true;
  } seen;
  params_.WindowFit = true;
  Run([&](HWND d) {
    seen.caption = Text(d, F::kListFont);
    seen.sub = Checked(d, F::kSubCheck);
    seen.comma = Checked(d, F::kCommaCheck);
    seen.case_sensitive = Checked(d, F::kCaseCheck);
    seen.fit = Checked(d, F::kWindowFit);
    seen.typing = Checked(d, F::kSearchWhileTypingCheck);
    seen.hot_key = HotKeyField(d);
    seen.hot_key_held = HotKeyHeld(MOD_CONTROL | MOD_ALT, VK_F13);
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(seen.caption, kGothicWide);
  EXPECT_TRUE(seen.sub);
  EXPECT_FALSE(seen.comma);
  EXPECT_TRUE(seen.case_sensitive);
  EXPECT_TRUE(seen.fit);
  EXPECT_TRUE(seen.typing) << "on by default";
  EXPECT_EQ(seen.hot_key, MAKEWORD(VK_F13, HOTKEYF_CONTROL | HOTKEYF_ALT));
  EXPECT_FALSE(seen.hot_key_held) << "a key pressed in the field must reach it";
}

// Every way out that is not OK: the Cancel button, Esc, the close box.
TEST_F(SetupUnitTest, CancelLeavesEverySettingAndTheHotKeyAsBefore) {
  const struct {
    const char* name;
    void (*close)(HWND);
  } ways[] = {
      {"cancel button", [](HWND d) { Click(d, IDCANCEL); }},
      {"escape",
       [](HWND d) { PostMessageW(GetDlgItem(d, F::kSubCheck), WM_KEYDOWN, VK_ESCAPE, 1); }},
      {"close box", [](HWND d) { PostMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.name);
    zeldrium::TInitParam before(nullptr);
    before.ViewFont = params_.ViewFont;
    before.SubFolder = params_.SubFolder;
    before.CommaAnd = params_.CommaAnd;
    before.CaseSensitive = params_.CaseSensitive;
    before.WindowFit = params_.WindowFit;
    before.SearchWhileTyping = params_.SearchWhileTyping;
    before.ShowHotKey = params_.ShowHotKey;
    target_->registered.clear();
    Run([&](HWND d) {
      Tick(d, F::kSubCheck, false);
      Tick(d, F::kCommaCheck, true);
      Tick(d, F::kCaseCheck, false);
      Tick(d, F::kWindowFit, true);
      Tick(d, F::kSearchWhileTypingCheck, false);
      Press(GetDlgItem(d, F::kViewHotKey), HOTKEYF_CONTROL, VK_F14);
      way.close(d);
    });
    ExpectSettings(before);
    EXPECT_EQ(target_->applied, 0);
    EXPECT_EQ(target_->registered, std::vector<uint16_t>{kCtrlAltF13});
    EXPECT_TRUE(HotKeyHeld(MOD_CONTROL | MOD_ALT, VK_F13));
    EXPECT_FALSE(HotKeyHeld(MOD_CONTROL, VK_F14));
  }
}

TEST_F(SetupUnitTest, OkStoresTheControlsThenAppliesTheFontAndRegistersTheNewKey) {
  Run([&](HWND d) {
    Tick(d, F::kSubCheck, false);
    Tick(d, F::kCommaCheck, true);
    Tick(d, F::kCaseCheck, false);
    Tick(d, F::kWindowFit, true);
    Tick(d, F::kSearchWhileTypingCheck, false);
    Press(GetDlgItem(d, F::kViewHotKey), HOTKEYF_CONTROL | HOTKEYF_SHIFT, VK_F14);
    Click(d, IDOK);
  });
  EXPECT_FALSE(params_.SubFolder);
  EXPECT_TRUE(params_.CommaAnd);
  EXPECT_FALSE(params_.CaseSensitive);
  EXPECT_TRUE(params_.WindowFit);
  EXPECT_FALSE(params_.SearchWhileTyping);
  EXPECT_EQ(params_.ShowHotKey, 0x4000 | 0x2000 | VK_F14);
  EXPECT_EQ(target_->applied, 1);
  EXPECT_EQ(target_->font_at_apply, params_.ViewFont) << "the font is applied once stored";
  EXPECT_EQ(target_->registered, std::vector<uint16_t>{0x4000 | 0x2000 | VK_F14});
  EXPECT_TRUE(HotKeyHeld(MOD_CONTROL | MOD_SHIFT, VK_F14));
  EXPECT_FALSE(HotKeyHeld(MOD_CONTROL | MOD_ALT, VK_F13)) << "the old key is given up";
  UnregisterHotKey(form_->hwnd(), 0);
}

// What is typed into the field, what the field keeps, and what OK stores and registers.
TEST_F(SetupUnitTest, TypedCombinationsAreStoredInTheShortcutEncoding) {
  const struct {
    BYTE modifiers;
    UINT key;
    uint16_t stored;  // 0: refused, no hot key
    UINT system_modifiers;
  } cases[] = {
      {HOTKEYF_CONTROL, VK_F15, 0x4000 | VK_F15, MOD_CONTROL},
      {HOTKEYF_ALT, VK_F16, 0x8000 | VK_F16, MOD_ALT},
      {HOTKEYF_ALT | HOTKEYF_SHIFT, VK_F17, 0xA000 | VK_F17, MOD_ALT | MOD_SHIFT},
      {HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_SHIFT, 'Q', 0xE000 | 'Q',
       MOD_CONTROL | MOD_ALT | MOD_SHIFT},
      {0, VK_F18, 0, 0},                      // no modifier
      {HOTKEYF_SHIFT, VK_F19, 0, MOD_SHIFT},  // Shift alone
      {HOTKEYF_SHIFT, 'Q', 0, MOD_SHIFT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key << " modifiers " << int(c.modifiers));
    WORD field = 0xFFFF;
    Run([&](HWND d) {
      Press(GetDlgItem(d, F::kViewHotKey), c.modifiers, c.key);
      field = HotKeyField(d);
      Click(d, IDOK);
    });
    EXPECT_EQ(field, c.stored ? MAKEWORD(c.key, c.modifiers) : 0) << "what the user sees";
    EXPECT_EQ(params_.ShowHotKey, c.stored);
    EXPECT_EQ(HotKeyHeld(c.system_modifiers, c.key), c.stored != 0);
    UnregisterHotKey(form_->hwnd(), 0);
  }
}

TEST_F(SetupUnitTest, ClearingTheFieldAndOkLeavesNoHotKey) {
  const struct {
    const char* name;
    UINT key;
  } clears[] = {{"backspace", VK_BACK}, {"delete", VK_DELETE}};
  for (const auto& clear : clears) {
    SCOPED_TRACE(clear.name);
    params_.ShowHotKey = kCtrlAltF13;
    form_->RegisterShowHotKey(0, kCtrlAltF13);
    WORD field = 0xFFFF;
    Run([&](HWND d) {
      Press(GetDlgItem(d, F::kViewHotKey), 0, clear.key);
      field = HotKeyField(d);
      Click(d, IDOK);
    });
    EXPECT_EQ(field, 0);
    EXPECT_EQ(params_.ShowHotKey, 0);
    EXPECT_FALSE(HotKeyHeld(MOD_CONTROL | MOD_ALT, VK_F13));
  }
}

// A value made by hand in the settings file, which the field cannot show, survives an OK that
// did not touch the field.
TEST_F(SetupUnitTest, UntouchedFieldKeepsAStoredValueItCannotShow) {
  params_.ShowHotKey = 0x4000 | 0x0123;
  Run([&](HWND d) { Click(d, IDOK); });
  EXPECT_EQ(params_.ShowHotKey, 0x4000 | 0x0123);
}

// The font dialog opened from the font button, driven like the setup dialog: a face and a size
// picked in its lists, then its OK; then the setup dialog's own OK or Cancel.
TEST_F(SetupUnitTest, ChosenFontShowsInTheLabelAndIsStoredOnlyWithOk) {
  for (bool confirm : {false, true}) {
    SCOPED_TRACE(confirm ? "ok" : "cancel");
    params_.ViewFont = zeldrium::DefaultViewFont();
    TFontDesc before = params_.ViewFont;
    target_->applied = 0;
    setuptest::PickedFont picked;
    std::wstring label;
    Run([&](HWND d) {
      picked = setuptest::PickFont(d, F::kButton1, kGothicWide, true);
      label = Text(d, F::kListFont);
      Click(d, confirm ? IDOK : IDCANCEL);
    });
    ASSERT_FALSE(picked.face.empty()) << "no font dialog, or no other face in it";
    EXPECT_EQ(label, picked.face);
    if (confirm) {
      EXPECT_EQ(params_.ViewFont.Name, zeldrium::To932(picked.face));
      EXPECT_EQ(params_.ViewFont.Size, _wtoi(picked.size.c_str()))
          << "points, from the pixel height";
      EXPECT_EQ(target_->applied, 1);
      EXPECT_EQ(target_->font_at_apply, params_.ViewFont);
    } else {
      EXPECT_EQ(params_.ViewFont, before);
      EXPECT_EQ(target_->applied, 0);
    }
  }
}

TEST_F(SetupUnitTest, CancelledFontDialogChangesNothing) {
  params_.ViewFont.Style = zeldrium::kFontBold | zeldrium::kFontItalic;
  TFontDesc before = params_.ViewFont;
  std::wstring label;
  setuptest::PickedFont picked;
  Run([&](HWND d) {
    picked = setuptest::PickFont(d, F::kButton1, kGothicWide, false);
    label = Text(d, F::kListFont);
    Click(d, IDOK);
  });
  EXPECT_FALSE(picked.face.empty());
  EXPECT_EQ(label, kGothicWide);
  EXPECT_EQ(params_.ViewFont, before);
}

// The form as designed, seen as a user sees it.
TEST_F(SetupUnitTest, LayoutCaptionsAndTabOrder) {
  dialogtest::Layout layout;
  struct Item {
    int id;
    RECT r;
    std::wstring text;
  };
  std::vector<Item> items;
  RECT window = {};
  HWND owner_seen = nullptr;
  LRESULT def_id = 0;
  Run([&](HWND d) {
    dialogtest::HoldForDemo();
    layout = dialogtest::ReadLayout(d);
    GetWindowRect(d, &window);
    owner_seen = GetWindow(d, GW_OWNER);
    def_id = SendMessageW(d, DM_GETDEFID, 0, 0);
    for (int id : layout.ids) {
      RECT r = {};
      GetWindowRect(GetDlgItem(d, id), &r);
      MapWindowPoints(nullptr, d, reinterpret_cast<POINT*>(&r), 2);
      items.push_back({id, r, Text(d, id)});
    }
    Click(d, IDCANCEL);
  });
  EXPECT_EQ(layout.client.right, win32::Scaled(347, layout.dpi));
  EXPECT_EQ(layout.client.bottom, win32::Scaled(254, layout.dpi));
  EXPECT_NEAR((window.left + window.right) / 2.0, GetSystemMetrics(SM_CXSCREEN) / 2.0, 1);
  EXPECT_NEAR((window.top + window.bottom) / 2.0, GetSystemMetrics(SM_CYSCREEN) / 2.0, 1);
  EXPECT_EQ(owner_seen, form_->hwnd()) << "without a host window, over the search window";
  EXPECT_EQ(LOWORD(def_id), IDOK);

  const std::vector<Item> want = {
      {F::kGroupBox1,
       {5, 5, 341, 71},
       L"\x30ea\x30b9\x30c8\x8868\x793a\x306e\x30d5\x30a9\x30f3\x30c8"},
      {F::kListFont, {10, 25, 206, 56}, kGothicWide},
      {F::kButton1, {215, 30, 315, 55}, L"\x30d5\x30a9\x30f3\x30c8..."},
      {F::kBitBtn1, {20, 205, 121, 230}, L"OK"},
      {F::kBitBtn2, {190, 205, 291, 230}, L"\x30ad\x30e3\x30f3\x30bb\x30eb"},
      {F::kGroupBox2, {5, 75, 191, 166}, L"\x691c\x7d22\x306e\x30c7\x30d5\x30a9\x30eb\x30c8"},
      {F::kCommaCheck,
       {20, 120, 175, 138},
       L" \x30ab\x30f3\x30de/\x7a7a\x767d\x3092"
       L"AND\x691c\x7d22"},
      {F::kCaseCheck, {20, 140, 145, 158}, L"\x5927\x30fb\x5c0f\x6587\x5b57\x3092\x533a\x5225"},
      {F::kSubCheck, {20, 95, 153, 115}, L"\x30b5\x30d6\x30d5\x30a9\x30eb\x30c0\x3082\x691c\x7d22"},
      {F::kWindowFit,
       {5, 175, 321, 192},
       L"Becky\x306e\x30ea\x30b9\x30c8\x30d3\x30e5\x30fc\x306b\x30a6\x30a3\x30f3\x30c9\x30a6"
       L"\x3092\x91cd\x306d\x306a\x3044"},
      {F::kGroupBox3,
       {195, 75, 341, 131},
       L"\x30a6\x30a3\x30f3\x30c9\x30a6\x8868\x793a\x30db\x30c3\x30c8\x30ad\x30fc"},
      {F::kViewHotKey, {204, 97, 325, 115}, L""},
      {F::kSearchWhileTypingCheck, {200, 142, 341, 160}, L"\x5165\x529b\x4e2d\x306b\x691c\x7d22"},
      {F::kLabel1, {0, 242, 347, 254}, L"\x30d0\x30fc\x30b8\x30e7\x30f3: " ZELDRIUM_VERSION},
  };
  ASSERT_EQ(items.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(want[i].id);
    EXPECT_EQ(items[i].id, want[i].id);
    const RECT scaled = dialogtest::ScaledRect(want[i].r, layout.dpi);
    EXPECT_TRUE(EqualRect(&items[i].r, &scaled)) << items[i].r.left << "," << items[i].r.top << ","
                                                 << items[i].r.right << "," << items[i].r.bottom;
    EXPECT_EQ(items[i].text, want[i].text);
  }
  // The group boxes' own orders as one flat sequence: the font button, OK, Cancel, the search
  // defaults, WindowFit, the hot key, the search while typing.
  EXPECT_EQ(
      layout.tab_stops,
      (std::vector<int>{F::kButton1, F::kBitBtn1, F::kBitBtn2, F::kCommaCheck, F::kCaseCheck,
                        F::kSubCheck, F::kWindowFit, F::kViewHotKey, F::kSearchWhileTypingCheck}));
  EXPECT_EQ(layout.wrong_font, std::vector<int>{F::kListFont})
      << "the label draws in the list font";
  EXPECT_TRUE(layout.outside.empty());
  EXPECT_TRUE(layout.cut.empty()) << layout.cut.size() << " captions cut, first " << layout.cut[0];
}

// The host's own window, when it gives one, is the owner and is disabled while the dialog is
// open; a second setup call meanwhile opens no second dialog.
TEST_F(SetupUnitTest, HostWindowOwnsTheDialogAndASecondCallOpensNoOther) {
  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                              nullptr, nullptr, nullptr);
  ASSERT_NE(host, nullptr);
  // Runs the setup call again on this thread, as the host would from its message loop.
  static decltype(this) self;
  self = this;
  HWND again =
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrW(
      again, GWLP_WNDPROC,
      reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_APP) return PlugInSetup(nullptr, self->params_, *self->target_);
        return DefWindowProcW(w, m, wp, lp);
      }));
  HWND owner = nullptr;
  bool host_enabled = true;
  LRESULT second = 0;
  int dialogs = 0;
  Run(
      [&](HWND d) {
        owner = GetWindow(d, GW_OWNER);
        host_enabled = IsWindowEnabled(host);
        second = SendMessageW(again, WM_APP, 0, 0);
        dialogs = static_cast<int>(dialogtest::OwnDialogs(kCaption).size());
        Click(d, IDCANCEL);
      },
      host);
  EXPECT_EQ(owner, host);
  EXPECT_FALSE(host_enabled);
  EXPECT_TRUE(IsWindowEnabled(host));
  EXPECT_EQ(second, 1);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(target_->registered.size(), 1u) << "only the dialog that was open gives the key back";
  DestroyWindow(again);
  DestroyWindow(host);
}

// The font box and the version line as rendered.
TEST_F(SetupUnitTest, ListFontIsASunkenBoxWithTheNameCentredAndVersionIsRightAligned) {
  params_.ViewFont.Color = 0x0000FF;  // pure red: some glyph pixels carry it exactly
  std::unique_ptr<testutil::TestCanvas> label, version;
  Run([&](HWND d) {
    label = std::make_unique<testutil::TestCanvas>(GetDlgItem(d, F::kListFont));
    version = std::make_unique<testutil::TestCanvas>(GetDlgItem(d, F::kLabel1));
    Click(d, IDCANCEL);
  });
  ASSERT_FALSE(label->empty());
  const int dpi = win32::WindowDpi(form_->hwnd());
  ASSERT_EQ(label->width(), win32::Scaled(196, dpi));
  ASSERT_EQ(label->height(), win32::Scaled(31, dpi));
  const int w = label->width(), h = label->height();
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
  int wrong_edge_pixels = 0;
  for (int x = 0; x < w; ++x) {
    wrong_edge_pixels += label->At(x, 0) != (x < w - 1 ? shadow : light);
    wrong_edge_pixels += label->At(x, h - 1) != light;
  }
  for (int y = 0; y < h; ++y) {
    wrong_edge_pixels += label->At(0, y) != (y < h - 1 ? shadow : light);
    wrong_edge_pixels += label->At(w - 1, y) != light;
  }
  EXPECT_EQ(wrong_edge_pixels, 0) << "one pixel: shadow top and left, highlight bottom and right";
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(label->At(2, 2), face);
  EXPECT_EQ(label->At(w - 3, h - 3), face);
  RECT ink = label->Ink({1, 1, w - 1, h - 1}, face);
  ASSERT_LT(ink.left, ink.right);
  EXPECT_GT(ink.right - ink.left, 40) << "the whole name is drawn";
  EXPECT_NEAR((ink.left + ink.right) / 2.0, w / 2.0, 3);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, h / 2.0, 3);
  EXPECT_TRUE(label->Has(RGB(255, 0, 0))) << "in the font's colour";

  ASSERT_FALSE(version->empty());
  COLORREF back = version->At(0, 0);
  RECT text = version->Ink({0, 0, version->width(), version->height()}, back);
  ASSERT_LT(text.left, text.right);
  EXPECT_GE(text.right, version->width() - 4) << "right-aligned";
  EXPECT_GT(text.left, version->width() / 2);
}

// What typing cannot produce: values the field never shows or the settings never hold.
TEST(SetupHotKeyTest, ValuesWithoutAKeyAreNoHotKey) {
  EXPECT_EQ(ShortcutFromHotKey(MAKEWORD(0, HOTKEYF_CONTROL)), 0) << "a modifier alone";
  EXPECT_EQ(ShortcutFromHotKey(MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_EXT)), 0x4000 | 'K');
  EXPECT_EQ(HotKeyFromShortcut(0x4000 | 'K'), MAKEWORD('K', HOTKEYF_CONTROL));
  EXPECT_EQ(HotKeyFromShortcut(0x4000), 0);
  EXPECT_EQ(HotKeyFromShortcut(0x4000 | 0x0123), 0) << "no virtual key beyond one byte";
}

}  // namespace
