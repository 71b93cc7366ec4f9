#ifndef ZELDRIUM_TESTS_SETUP_DIALOG_DRIVER_H_
#define ZELDRIUM_TESTS_SETUP_DIALOG_DRIVER_H_

// Tests only: what a user does in the setup dialog beyond clicks and ticks
// (tests/dialog_test_driver.h): pressing keys in the hot-key field, and working the system's font
// dialog that the font button opens. Called from the driving thread while the dialog is modal.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <string>

#include "tests/dialog_test_driver.h"

namespace setuptest {

// Font dialog controls (dlgs.h): the face and size lists.
inline constexpr int kFaceList = 0x470;
inline constexpr int kSizeList = 0x472;

// Whether some window holds the global hot key: a second registration then fails.
inline bool HotKeyHeld(UINT modifiers, UINT key) {
  if (!RegisterHotKey(nullptr, 0x7F00, modifiers, key)) return true;
  UnregisterHotKey(nullptr, 0x7F00);
  return false;
}

// A key press as the keyboard sends it to the focused control: modifiers (HOTKEYF_) down, the
// key down and up, modifiers up.
inline void Press(HWND control, BYTE modifiers, UINT key) {
  struct Mod {
    BYTE flag;
    UINT key;
  } const mods[] = {
      {HOTKEYF_CONTROL, VK_CONTROL}, {HOTKEYF_SHIFT, VK_SHIFT}, {HOTKEYF_ALT, VK_MENU}};
  bool sys = (modifiers & HOTKEYF_ALT) != 0;
  auto send = [&](UINT vk, bool down) {
    UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    LPARAM lparam = 1 | (MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16) | (sys ? 1 << 29 : 0) |
                    (down ? 0 : 0xC0000000u);
    SendMessageW(control, message, vk, lparam);
  };
  for (const Mod& m : mods) {
    if (modifiers & m.flag) send(m.key, true);
  }
  send(key, true);
  send(key, false);
  for (const Mod& m : mods) {
    if (modifiers & m.flag) send(m.key, false);
  }
}

// The font dialog that the setup dialog opened: a visible dialog it owns, waited for; null when
// none shows.
inline HWND WaitForFontDialog(HWND setup) {
  for (int waited = 0; waited < dialogtest::kPatienceMs; waited += 10) {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w;
         w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
      if (GetWindow(w, GW_OWNER) == setup && IsWindowVisible(w) && GetDlgItem(w, kFaceList)) {
        return w;
      }
    }
    Sleep(10);
  }
  return nullptr;
}

// Picks an item of one of the font dialog's lists as a click on it does.
inline void PickInFontDialog(HWND dialog, int id, int index) {
  HWND box = GetDlgItem(dialog, id);
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

inline std::wstring ListItem(HWND dialog, int id, int index) {
  HWND box = GetDlgItem(dialog, id);
  LRESULT length = SendMessageW(box, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

// What the user picked in the font dialog.
struct PickedFont {
  std::wstring face;  // empty when the dialog never showed
  std::wstring size;  // as listed, in points
};

// Opens the font dialog with the setup dialog's font button (its ID), picks any face other than
// current (vertical "@" faces left out) and the first size, and confirms or cancels it.
inline PickedFont PickFont(HWND setup, int button, const std::wstring& current, bool confirm) {
  PickedFont picked;
  PostMessageW(GetDlgItem(setup, button), BM_CLICK, 0, 0);
  HWND font = WaitForFontDialog(setup);
  if (!font) return picked;
  int faces = static_cast<int>(SendDlgItemMessageW(font, kFaceList, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < faces; ++i) {
    std::wstring face = ListItem(font, kFaceList, i);
    if (face.empty() || face[0] == L'@' || face == current) continue;
    picked.face = face;
    PickInFontDialog(font, kFaceList, i);
    break;
  }
  PickInFontDialog(font, kSizeList, 0);
  picked.size = ListItem(font, kSizeList, 0);
  SendMessageW(GetDlgItem(font, confirm ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
  dialogtest::WaitGone(font);
  return picked;
}

}  // namespace setuptest

#endif  // ZELDRIUM_TESTS_SETUP_DIALOG_DRIVER_H_
