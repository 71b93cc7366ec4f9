#include "host/setup_unit.h"

#include <commdlg.h>

#include <algorithm>
#include <string>

#include "host/zeldrium.h"
#include "text/code_page_win.h"
#include "ui/main_view.h"
#include "ui/view_font.h"
#include "win32/dpi.h"
#include "win32/module_life.h"

namespace {

// Code page 932 captions.
constexpr char kCaption[] = "Zeldrium\x82\xcc\x90\xdd\x92\xe8";  // Zeldriumの設定
constexpr char kGroupBox1Caption[] =
    "\x83\x8a\x83\x58\x83\x67\x95\x5c\x8e\xa6\x82\xcc\x83\x74\x83\x48\x83\x93\x83\x67";  // リスト表示のフォント
constexpr char kButton1Caption[] = "\x83\x74\x83\x48\x83\x93\x83\x67...";  // フォント...
constexpr char kGroupBox2Caption[] =
    "\x8c\x9f\x8d\xf5\x82\xcc\x83\x66\x83\x74\x83\x48\x83\x8b\x83\x67";  // 検索のデフォルト
constexpr char kSubCheckCaption[] =
    "\x83\x54\x83\x75\x83\x74\x83\x48\x83\x8b\x83\x5f\x82\xe0\x8c\x9f\x8d\xf5";  // サブフォルダも検索
constexpr char kCommaCheckCaption[] =
    " \x83\x4a\x83\x93\x83\x7d/\x8b\xf3\x94\x92\x82\xf0"  // " カンマ/空白を"
    "AND\x8c\x9f\x8d\xf5";                                // "AND検索"
constexpr char kCaseCheckCaption[] =
    "\x91\xe5\x81\x45\x8f\xac\x95\xb6\x8e\x9a\x82\xf0\x8b\xe6\x95\xca";  // 大・小文字を区別
constexpr char kGroupBox3Caption[] =
    "\x83\x45\x83\x42\x83\x93\x83\x68\x83\x45\x95\x5c\x8e\xa6"
    "\x83\x7a\x83\x62\x83\x67\x83\x4c\x81\x5b";  // ウィンドウ表示ホットキー
constexpr char kWindowFitCaption[] =
    "Becky\x82\xcc\x83\x8a\x83\x58\x83\x67\x83\x72\x83\x85\x81\x5b\x82\xc9"  // Beckyのリストビューに
    "\x83\x45\x83\x42\x83\x93\x83\x68\x83\x45\x82\xf0"                       // ウィンドウを
    "\x8f\x64\x82\xcb\x82\xc8\x82\xa2";                                      // 重ねない
constexpr char kSearchWhileTypingCaption[] =
    "\x93\xfc\x97\xcd\x92\x86\x82\xc9\x8c\x9f\x8d\xf5";                        // 入力中に検索
constexpr char kCancelCaption[] = "\x83\x4c\x83\x83\x83\x93\x83\x5a\x83\x8b";  // キャンセル
constexpr char kVersionPrefix[] = "\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93: ";  // バージョン:

constexpr int kClientWidth = 347;
constexpr int kClientHeight = 254;
constexpr int kVersionHeight = 12;
constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// The group boxes, in client pixels. Their contents are placed relative to them as designed, but
// all are children of the dialog itself.
constexpr RECT kGroupBox1 = {5, 5, 5 + 336, 5 + 66};
constexpr RECT kGroupBox2 = {5, 75, 5 + 186, 75 + 91};
constexpr RECT kGroupBox3 = {195, 75, 195 + 146, 75 + 56};

std::wstring W(const char* text) { return zeldrium::WideFrom932(text); }

// One dialog at a time: the host's window stays usable when it is not the owner, and a second
// dialog would hand the hot key back while the first still edits it.
TSetupForm* g_open_form = nullptr;

// The hot-key field's rule, enforced as each key goes down: a key needs Ctrl or Alt. The
// control's own rules would replace an invalid combination by the bare key, since no substitute
// modifier is wanted, and a bare key as a global hot key would take that key away from every
// program. Backspace and Delete clear the field ("no hot key").
LRESULT ViewHotKeyKeyDown(HWND hwnd, UINT message, WPARAM key, LPARAM lparam) {
  if (key == VK_BACK || key == VK_DELETE) {
    SendMessageW(hwnd, HKM_SETHOTKEY, 0, 0);
    return 0;
  }
  LRESULT result = DefSubclassProc(hwnd, message, key, lparam);
  WORD value = static_cast<WORD>(SendMessageW(hwnd, HKM_GETHOTKEY, 0, 0));
  if (LOBYTE(value) != 0 && !(HIBYTE(value) & (HOTKEYF_CONTROL | HOTKEYF_ALT))) {
    SendMessageW(hwnd, HKM_SETHOTKEY, 0, 0);
  }
  return result;
}

LRESULT CALLBACK ViewHotKeyProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                DWORD_PTR) {
  win32::OurFrame frame;
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return ViewHotKeyKeyDown(hwnd, message, wparam, lparam);
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &ViewHotKeyProc, id);
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

// The search window as the setup sees it.
class MainFormTarget : public SetupTarget {
 public:
  explicit MainFormTarget(TMainForm& form) : form_(form) {}
  HWND HotKeyWindow() const override { return form_.hwnd(); }
  void RegisterShowHotKey(int id, uint16_t shortcut) override {
    form_.RegisterShowHotKey(id, shortcut);
  }
  void ApplyListFont() override { form_.ApplyListFont(); }

 private:
  TMainForm& form_;
};

}  // namespace

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

uint16_t ShortcutFromHotKey(WORD hot_key) {
  BYTE key = LOBYTE(hot_key);
  BYTE flags = HIBYTE(hot_key);
  if (key == 0) return 0;
  uint16_t shortcut = key;
  if (flags & HOTKEYF_SHIFT) shortcut |= zeldrium::kHotKeyShift;
  if (flags & HOTKEYF_CONTROL) shortcut |= zeldrium::kHotKeyCtrl;
  if (flags & HOTKEYF_ALT) shortcut |= zeldrium::kHotKeyAlt;
  return shortcut;
}

WORD HotKeyFromShortcut(uint16_t shortcut) {
  unsigned key = shortcut & 0x1FFF;
  // A code beyond one byte is no virtual key; the field cannot show it.
  if (key == 0 || key > 0xFF) return 0;
  BYTE flags = 0;
  if (shortcut & zeldrium::kHotKeyShift) flags |= HOTKEYF_SHIFT;
  if (shortcut & zeldrium::kHotKeyCtrl) flags |= HOTKEYF_CONTROL;
  if (shortcut & zeldrium::kHotKeyAlt) flags |= HOTKEYF_ALT;
  return MAKEWORD(key, flags);
}

TSetupForm::TSetupForm() : Dialog({W(kCaption), kClientWidth, kClientHeight, kFrameStyle}) {
  controls::BevelLabelState centred;
  centred.Alignment = controls::TAlignment::taCenter;
  centred.Layout = controls::TTextLayout::tlCenter;
  ListFont.SetState(centred);
  SetListFont(view_font_);
}

TSetupForm::~TSetupForm() = default;

void TSetupForm::LoadFrom(const zeldrium::TInitParam& params) {
  SetListFont(params.ViewFont);
  sub_folder_ = params.SubFolder;
  comma_and_ = params.CommaAnd;
  case_sensitive_ = params.CaseSensitive;
  hot_key_ = params.ShowHotKey;
  window_fit_ = params.WindowFit;
  search_while_typing_ = params.SearchWhileTyping;
  if (hwnd()) ShowControls();
}

void TSetupForm::StoreInto(zeldrium::TInitParam* params) const {
  params->SubFolder = sub_folder_;
  params->CommaAnd = comma_and_;
  params->CaseSensitive = case_sensitive_;
  params->WindowFit = window_fit_;
  params->SearchWhileTyping = search_while_typing_;
  params->ShowHotKey = hot_key_;
  params->ViewFont = view_font_;
}

INT_PTR TSetupForm::ShowCentred(HWND owner) { return ShowModalOnScreenCentre(owner); }

void TSetupForm::CreateControls() {
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&classes);
  using Args = ControlArgs;
  auto box = [&](const char* caption, int id, const RECT& r) {
    AddControl(Args{WC_BUTTONW, W(caption), id, BS_GROUPBOX, 0, r.left, r.top, r.right - r.left,
                    r.bottom - r.top});
  };
  // Each control is placed relative to its group box, as the form is designed. WS_GROUP starts
  // a run of controls that the arrow keys move within.
  auto in = [](const RECT& group, int x, int y) { return POINT{group.left + x, group.top + y}; };

  box(kGroupBox1Caption, kGroupBox1, ::kGroupBox1);
  POINT p = in(::kGroupBox1, 5, 20);
  if (ListFont.Create(hwnd(), Scale(p.x), Scale(p.y), Scale(196), Scale(31))) {
    SetWindowLongPtrW(ListFont.hwnd(), GWLP_ID, kListFont);
  }
  p = in(::kGroupBox1, 210, 25);
  AddControl(
      Args{WC_BUTTONW, W(kButton1Caption), kButton1, WS_GROUP | WS_TABSTOP, 0, p.x, p.y, 100, 25});

  AddControl(Args{WC_BUTTONW, L"OK", kBitBtn1, WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 20, 205,
                  101, 25});
  AddControl(
      Args{WC_BUTTONW, W(kCancelCaption), kBitBtn2, WS_GROUP | WS_TABSTOP, 0, 190, 205, 101, 25});

  box(kGroupBox2Caption, kGroupBox2, ::kGroupBox2);
  const struct {
    const char* caption;
    int id, x, y, width, height;
  } checks[] = {
      {kCommaCheckCaption, kCommaCheck, 15, 45, 155, 18},
      {kCaseCheckCaption, kCaseCheck, 15, 65, 125, 18},
      {kSubCheckCaption, kSubCheck, 15, 20, 133, 20},
  };
  DWORD group = WS_GROUP;
  for (const auto& c : checks) {
    p = in(::kGroupBox2, c.x, c.y);
    AddControl(Args{WC_BUTTONW, W(c.caption), c.id, group | WS_TABSTOP | BS_AUTOCHECKBOX, 0, p.x,
                    p.y, c.width, c.height});
    group = 0;
  }

  AddControl(Args{WC_BUTTONW, W(kWindowFitCaption), kWindowFit,
                  WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 5, 175, 316, 17});

  box(kGroupBox3Caption, kGroupBox3, ::kGroupBox3);
  p = in(::kGroupBox3, 9, 22);
  HWND hot_key = AddControl(Args{HOTKEY_CLASSW, L"", kViewHotKey, WS_GROUP | WS_TABSTOP,
                                 WS_EX_CLIENTEDGE, p.x, p.y, 121, 18});
  if (hot_key) {
    SendMessageW(hot_key, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, 0);
    SetWindowSubclass(hot_key, &ViewHotKeyProc, 0, 0);
  }

  // Below the hot key, beside the defaults of new searches: it is the window's way of searching,
  // not a default of a search.
  AddControl(Args{WC_BUTTONW, W(kSearchWhileTypingCaption), kSearchWhileTypingCheck,
                  WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 200, 142, 141, 18});

  AddControl(Args{WC_STATICW, W(kVersionPrefix) + W(kZeldriumVersion), kLabel1,
                  WS_GROUP | SS_RIGHT | SS_NOPREFIX, 0, 0, kClientHeight - kVersionHeight,
                  kClientWidth, kVersionHeight});
  ShowControls();
}

void TSetupForm::ShowControls() {
  auto check = [&](int id, bool checked) {
    SendMessageW(Item(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  check(kSubCheck, sub_folder_);
  check(kCommaCheck, comma_and_);
  check(kCaseCheck, case_sensitive_);
  SendMessageW(Item(kViewHotKey), HKM_SETHOTKEY, HotKeyFromShortcut(hot_key_), 0);
  check(kWindowFit, window_fit_);
  check(kSearchWhileTypingCheck, search_while_typing_);
}

void TSetupForm::SetListFont(const zeldrium::TFontDesc& font) {
  view_font_ = font;
  controls::BevelLabelState shown = ListFont.State();
  shown.Font = {font.Name, win32::FontHeightAt(font.Size, ScreenDpi()),
                static_cast<controls::TColor>(ui::ColorOf(font.Color))};
  shown.Caption = font.Name;
  ListFont.SetState(shown);
}

INT_PTR TSetupForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (OnCommand(LOWORD(wparam), HIWORD(wparam))) return TRUE;
      break;
  }
  return Dialog::HandleMessage(message, wparam, lparam);
}

BOOL TSetupForm::OnCommand(int id, int code) {
  switch (id) {
    case kButton1:
      if (code == BN_CLICKED) Button1Click();
      return TRUE;
    case kBitBtn1:
      BitBtn1Click();
      return TRUE;
  }
  return FALSE;
}

void TSetupForm::Button1Click() {
  int dpi = ScreenDpi();
  LOGFONTW font = ui::ToLogFont(view_font_, dpi);
  CHOOSEFONTW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = hwnd();
  dialog.lpLogFont = &font;
  dialog.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT;
  dialog.rgbColors = ui::ColorOf(view_font_.Color);
  if (!ChooseFontW(&dialog)) return;
  SetListFont(ui::FromLogFont(font, dialog.rgbColors, dpi));
}

void TSetupForm::BitBtn1Click() {
  auto checked = [&](int id) { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
  sub_folder_ = checked(kSubCheck);
  comma_and_ = checked(kCommaCheck);
  case_sensitive_ = checked(kCaseCheck);
  window_fit_ = checked(kWindowFit);
  search_while_typing_ = checked(kSearchWhileTypingCheck);
  // The stored value is kept as long as the user leaves the field alone, also one the field
  // cannot show (a key code beyond one byte, written by hand into the settings file).
  WORD shown = static_cast<WORD>(SendMessageW(Item(kViewHotKey), HKM_GETHOTKEY, 0, 0));
  if (shown != HotKeyFromShortcut(hot_key_)) hot_key_ = ShortcutFromHotKey(shown);
  End(IDOK);
}

int PlugInSetup(HWND parent, zeldrium::TInitParam& params, SetupTarget& target) {
  if (g_open_form) {
    if (g_open_form->hwnd()) SetForegroundWindow(g_open_form->hwnd());
    return 1;
  }
  TSetupForm form;
  struct OpenScope {
    explicit OpenScope(TSetupForm* form) { g_open_form = form; }
    ~OpenScope() { g_open_form = nullptr; }
  } open(&form);
  form.LoadFrom(params);

  // Whatever happens from here on, the hot key in the settings is registered again.
  UnregisterHotKey(target.HotKeyWindow(), 0);
  struct Reregister {
    ~Reregister() {
      try {
        target.RegisterShowHotKey(0, params.ShowHotKey);
      } catch (...) {
      }
    }
    SetupTarget& target;
    zeldrium::TInitParam& params;
  } reregister{target, params};

  // The host's window is the owner when it is one of this thread's: the host is then kept
  // from calling again while the dialog is open.
  HWND owner = target.HotKeyWindow();
  if (parent && IsWindow(parent) &&
      GetWindowThreadProcessId(parent, nullptr) == GetCurrentThreadId()) {
    owner = parent;
  }
  if (form.ShowCentred(owner) == IDOK) {
    form.StoreInto(&params);
    target.ApplyListFont();
  }
  return 1;
}

int PlugInSetup(HWND parent, zeldrium::TInitParam& params, TMainForm& form) {
  MainFormTarget target(form);
  return PlugInSetup(parent, params, target);
}
