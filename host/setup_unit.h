#ifndef ZELDRIUM_HOST_SETUP_UNIT_H_
#define ZELDRIUM_HOST_SETUP_UNIT_H_

// The plug-in's setup dialog, opened by the host's BKC_OnPlugInSetup: the result list's font,
// the defaults of new quick searches, whether the search window is laid over the host's list,
// whether it searches the text as it is typed, and the global hot key. It edits a copy; the
// settings change only when it is confirmed with OK, and the settings file is written later, when
// the search window closes or the library unloads.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <cstdint>

#include "controls/bev_label.h"
#include "settings/ini_params.h"
#include "win32/dialog.h"

class TMainForm;

// The screen's vertical pixels per inch, which the font dialog's sizes are for.
int ScreenDpi();

// Between a hot-key control's value (virtual key in the low byte, HOTKEYF_ flags in the high
// byte) and the stored shortcut value (virtual key | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt).
// A value without a key is no hot key (0) either way.
uint16_t ShortcutFromHotKey(WORD hot_key);
WORD HotKeyFromShortcut(uint16_t shortcut);

class TSetupForm : public win32::Dialog {
 public:
  // The controls, in tab order as far as one flat dialog can follow each group's order.
  enum Control : int {
    kGroupBox1 = 101,  // リスト表示のフォント
    kListFont,         // the chosen font's name, in that font
    kButton1,          // フォント...: the font dialog
    kBitBtn1 = IDOK,
    kBitBtn2 = IDCANCEL,
    kGroupBox2 = 111,  // 検索のデフォルト: the options of new quick searches
    kCommaCheck,
    kCaseCheck,
    kSubCheck,
    kWindowFit,
    kGroupBox3,  // ウィンドウ表示ホットキー
    kViewHotKey,
    kLabel1,                  // the version line
    kSearchWhileTypingCheck,  // 入力中に検索: the search window searches the text as it is typed
  };

  TSetupForm();
  ~TSetupForm() override;

  // Shows params in the controls (the dialog's own copy), before or while it is shown.
  void LoadFrom(const zeldrium::TInitParam& params);
  // Stores what the controls hold into params: the five flags, the hot key and the font.
  void StoreInto(zeldrium::TInitParam* params) const;

  // ListFont's font: the list font until the user picks another in the font dialog.
  const zeldrium::TFontDesc& ViewFont() const { return view_font_; }

  // Shows the dialog modally, centred on the screen: IDOK, IDCANCEL or kShowFailed.
  INT_PTR ShowCentred(HWND owner);

 protected:
  void CreateControls() override;
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  BOOL OnCommand(int id, int code);
  void Button1Click();
  void BitBtn1Click();
  void SetListFont(const zeldrium::TFontDesc& font);
  void ShowControls();

  controls::TBevelLabel ListFont;
  zeldrium::TFontDesc view_font_;
  bool sub_folder_ = false;
  bool comma_and_ = false;
  bool case_sensitive_ = false;
  bool window_fit_ = false;
  bool search_while_typing_ = true;
  uint16_t hot_key_ = 0;
};

// What the setup needs of the search window: the window that owns the hot key, registering a
// shortcut on it, and showing the list font just stored.
class SetupTarget {
 public:
  virtual ~SetupTarget() = default;
  virtual HWND HotKeyWindow() const = 0;
  virtual void RegisterShowHotKey(int id, uint16_t shortcut) = 0;
  virtual void ApplyListFont() = 0;
};

// BKC_OnPlugInSetup: shows the dialog modally over parent (the host's window; without one, over
// the search window), centred on the screen, on params. The hot key is removed while it is open
// and registered again afterwards from params, whether or not the user confirmed. Returns 1. A
// call while the dialog is already open brings that one to the front instead.
int PlugInSetup(HWND parent, zeldrium::TInitParam& params, SetupTarget& target);
int PlugInSetup(HWND parent, zeldrium::TInitParam& params, TMainForm& form);

#endif  // ZELDRIUM_HOST_SETUP_UNIT_H_
