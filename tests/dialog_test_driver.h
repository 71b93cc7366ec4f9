#ifndef ZELDRIUM_TESTS_DIALOG_TEST_DRIVER_H_
#define ZELDRIUM_TESTS_DIALOG_TEST_DRIVER_H_

// Tests only: drives a modal dialog as a user would while the test thread sits in its modal
// loop. A second thread waits for the dialog's window and talks to its controls through the
// messages that clicks and typing produce; whatever it reads is checked by the test thread
// after the dialog has returned.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "win32/dpi.h"

namespace dialogtest {

// How long a driver waits for what the plug-in shows at once. Only a failing test waits that
// long, so it is generous: a machine busy with other work must not fail a good test.
inline constexpr int kPatienceMs = 60000;

// Every visible top-level dialog of this process with that caption. Other programs on the same
// desktop (another test run, say) may show dialogs of the same caption at the same time.
inline std::vector<HWND> OwnDialogs(const std::wstring& caption) {
  struct Search {
    const std::wstring* caption;
    std::vector<HWND> found;
    static BOOL CALLBACK Visit(HWND window, LPARAM search) {
      auto* s = reinterpret_cast<Search*>(search);
      DWORD process = 0;
      GetWindowThreadProcessId(window, &process);
      wchar_t name[16] = {}, text[256] = {};
      GetClassNameW(window, name, 16);
      GetWindowTextW(window, text, 256);
      if (process == GetCurrentProcessId() && lstrcmpW(name, L"#32770") == 0 &&
          IsWindowVisible(window) && *s->caption == text) {
        s->found.push_back(window);
      }
      return TRUE;
    }
  } search{&caption, {}};
  EnumWindows(&Search::Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A visible top-level dialog of this process with that caption, waited for up to timeout_ms;
// null on time-out.
inline HWND WaitForDialog(const std::wstring& caption, int timeout_ms = kPatienceMs) {
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    const std::vector<HWND> dialogs = OwnDialogs(caption);
    if (!dialogs.empty()) return dialogs.front();
    Sleep(10);
  }
  return nullptr;
}

// True once the window is gone, waited for up to timeout_ms.
inline bool WaitGone(HWND window, int timeout_ms = kPatienceMs) {
  for (int waited = 0; waited < timeout_ms; waited += 10) {
    if (!IsWindow(window)) return true;
    Sleep(10);
  }
  return false;
}

inline void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
// For a button whose handler runs a modal loop of its own: a sent click would not return.
inline void PostClick(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Typing: the new text, then the notification the edit sends its dialog.
inline void Type(HWND dialog, int id, const std::wstring& text) {
  HWND edit = GetDlgItem(dialog, id);
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(edit));
}

// Choosing an item of a drop-down list (-1 empties it).
inline void Choose(HWND dialog, int id, int index) {
  HWND box = GetDlgItem(dialog, id);
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

// Ticks or unticks a check box by clicking it when it is not as wanted.
inline void Tick(HWND dialog, int id, bool checked) {
  bool now = SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (now != checked) Click(dialog, id);
}

// Selects a list box line as a click on it does (-1 clears the selection).
inline void SelectLine(HWND dialog, int id, int index) {
  HWND list = GetDlgItem(dialog, id);
  SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

inline std::wstring Text(HWND dialog, int id) {
  wchar_t buffer[1024] = {};
  GetWindowTextW(GetDlgItem(dialog, id), buffer, 1024);
  return buffer;
}
inline int Selected(HWND dialog, int id) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0));
}
inline bool Checked(HWND dialog, int id) {
  return SendMessageW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}
inline bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }

inline std::vector<std::wstring> Lines(HWND dialog, int id) {
  HWND list = GetDlgItem(dialog, id);
  std::vector<std::wstring> lines;
  int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t buffer[1024] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
    lines.push_back(buffer);
  }
  return lines;
}

// One tree item as the user sees it.
struct TreeItem {
  HTREEITEM item = nullptr;
  std::wstring text;
  int image = -1, selected_image = -1;
  int depth = 0;
};

// Every item of a tree view, depth first, expanded or not.
inline std::vector<TreeItem> TreeItems(HWND tree) {
  std::vector<TreeItem> items;
  std::function<void(HTREEITEM, int)> walk = [&](HTREEITEM item, int depth) {
    for (; item; item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                 reinterpret_cast<LPARAM>(item)))) {
      wchar_t buffer[512] = {};
      TVITEMW data = {};
      data.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
      data.hItem = item;
      data.pszText = buffer;
      data.cchTextMax = 512;
      SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
      items.push_back({item, buffer, data.iImage, data.iSelectedImage, depth});
      walk(reinterpret_cast<HTREEITEM>(
               SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))),
           depth + 1);
    }
  };
  walk(reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0);
  return items;
}

// The item reached by following texts from the root ({L"Main", L"Inbox"}); null when absent.
inline HTREEITEM FindTreeItem(HWND tree, const std::vector<std::wstring>& path) {
  size_t depth = 0;
  HTREEITEM found = nullptr;
  for (const TreeItem& item : TreeItems(tree)) {
    if (static_cast<size_t>(item.depth) < depth) return nullptr;
    if (static_cast<size_t>(item.depth) == depth && item.text == path[depth]) {
      found = item.item;
      if (++depth == path.size()) return found;
    }
  }
  return nullptr;
}

// Selects a tree item as a click on it does: the tree tells its dialog.
inline bool SelectTreeItem(HWND dialog, int id, const std::vector<std::wstring>& path) {
  HWND tree = GetDlgItem(dialog, id);
  HTREEITEM item = FindTreeItem(tree, path);
  if (!item) return false;
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  return true;
}

// The width of a control's caption in the font it has, in pixels.
inline int CaptionWidth(HWND control) {
  wchar_t text[256] = {};
  int length = GetWindowTextW(control, text, 256);
  HDC dc = GetDC(control);
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32W(dc, text, length, &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

// Whether a label, button or check box is too narrow for its caption in the font it has.
inline bool CaptionCut(HWND control) {
  wchar_t class_name[32] = {};
  GetClassNameW(control, class_name, 32);
  bool button = lstrcmpiW(class_name, L"Button") == 0;
  LONG kind = GetWindowLongW(control, GWL_STYLE) & 0x0F;
  bool check_box = button && kind == BS_AUTOCHECKBOX;
  bool push = button && (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON);
  if (!check_box && !push && lstrcmpiW(class_name, L"Static") != 0) return false;
  RECT r = {};
  GetClientRect(control, &r);
  int room = r.right - (check_box ? 16 : push ? 6 : 0);
  return CaptionWidth(control) > room;
}

// A designed rectangle (left, top, right, bottom at 96 dpi) as a dialog at dpi places it: corner
// and size scaled each.
inline RECT ScaledRect(const RECT& r, int dpi) {
  const int left = win32::Scaled(r.left, dpi), top = win32::Scaled(r.top, dpi);
  return {left, top, left + win32::Scaled(r.right - r.left, dpi),
          top + win32::Scaled(r.bottom - r.top, dpi)};
}

// What a dialog looks like to a user: its frame, and each control in tab order with the faults
// a user would see (a caption cut, another font than the dialog font at the dialog's DPI, a
// control beyond the edge).
struct Layout {
  int dpi = 96;
  RECT window = {}, client = {};
  std::vector<int> ids;  // every control, in tab order
  std::vector<int> tab_stops;
  std::vector<int> wrong_font, outside, cut;  // the IDs of faulty controls
};

inline Layout ReadLayout(HWND dialog) {
  Layout layout;
  layout.dpi = win32::WindowDpi(dialog);
  GetWindowRect(dialog, &layout.window);
  GetClientRect(dialog, &layout.client);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    int id = GetDlgCtrlID(child);
    layout.ids.push_back(id);
    if (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP) layout.tab_stops.push_back(id);
    LOGFONTW font = {};
    auto hfont = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    if (!hfont || !GetObjectW(hfont, sizeof(font), &font) ||
        font.lfHeight != -win32::Scaled(12, layout.dpi) ||
        lstrcmpW(font.lfFaceName, L"\xff2d\xff33 \xff30\x30b4\x30b7\x30c3\x30af") !=
            0) {  // ＭＳ Ｐゴシック
      layout.wrong_font.push_back(id);
    }
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    // A drop-down list's window includes its closed list.
    wchar_t class_name[32] = {};
    GetClassNameW(child, class_name, 32);
    if (lstrcmpiW(class_name, L"ComboBox") == 0) {
      COMBOBOXINFO info = {};
      info.cbSize = sizeof(info);
      GetComboBoxInfo(child, &info);
      r.bottom = r.top + info.rcItem.bottom + info.rcItem.top;
    }
    if (r.left < 0 || r.top < 0 || r.right > layout.client.right ||
        r.bottom > layout.client.bottom) {
      layout.outside.push_back(id);
    }
    if (CaptionCut(child)) layout.cut.push_back(id);
  }
  return layout;
}

// For screenshots and demonstrations: keeps the dialog open for ZELDRIUM_DIALOG_HOLD_MS
// milliseconds where a script calls it; without that variable it returns at once.
inline void HoldForDemo() {
  wchar_t value[16] = {};
  if (GetEnvironmentVariableW(L"ZELDRIUM_DIALOG_HOLD_MS", value, 16) == 0) return;
  int ms = _wtoi(value);
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

// Runs script(dialog) on a second thread as soon as a dialog of this process with the caption
// shows. The script ends the dialog; one still open long after the script returned is cancelled,
// so a failing test cannot hang in the modal loop.
class ModalDriver {
 public:
  ModalDriver(std::wstring caption, std::function<void(HWND)> script)
      : thread_([this, caption = std::move(caption), script = std::move(script)] {
          HWND dialog = WaitForDialog(caption);
          if (!dialog) return;
          found_ = true;
          script(dialog);
          if (!WaitGone(dialog)) {
            left_open_ = true;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
          }
        }) {}
  ~ModalDriver() { Join(); }
  ModalDriver(const ModalDriver&) = delete;
  ModalDriver& operator=(const ModalDriver&) = delete;

  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  // Whether the dialog showed, and whether the script failed to close it (after Join).
  bool found() const { return found_; }
  bool left_open() const { return left_open_; }

 private:
  std::atomic<bool> found_{false};
  std::atomic<bool> left_open_{false};
  std::thread thread_;
};

}  // namespace dialogtest

#endif  // ZELDRIUM_TESTS_DIALOG_TEST_DRIVER_H_
