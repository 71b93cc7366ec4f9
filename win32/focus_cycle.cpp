#include "win32/focus_cycle.h"

#include <commctrl.h>

#include <algorithm>

#include "win32/module_life.h"
#include "win32/window.h"

namespace win32 {
namespace {

bool Reachable(HWND control) { return IsWindowVisible(control) && IsWindowEnabled(control); }

bool PlainTab(WPARAM key) {
  return key == VK_TAB && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
}

}  // namespace

FocusCycle::~FocusCycle() { Release(); }

void FocusCycle::Set(std::vector<HWND> controls) {
  Release();
  controls_ = std::move(controls);
  for (HWND control : controls_) {
    if (!control) continue;
    Subclass(control);
    for (HWND child = GetWindow(control, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      Subclass(child);
    }
  }
}

void FocusCycle::Subclass(HWND window) {
  if (SetWindowSubclass(window, &FocusCycle::Proc, 0, reinterpret_cast<DWORD_PTR>(this))) {
    subclassed_.push_back(window);
  }
}

void FocusCycle::Release() {
  for (HWND window : subclassed_) {
    if (IsWindow(window)) RemoveWindowSubclass(window, &FocusCycle::Proc, 0);
  }
  subclassed_.clear();
  controls_.clear();
}

void FocusCycle::CutLoose() {
  for (HWND window : subclassed_) win32::CutLoose(window);
  subclassed_.clear();
  controls_.clear();
}

int FocusCycle::IndexOf(HWND window) const {
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (window && (window == controls_[i] || IsChild(controls_[i], window))) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void FocusCycle::Move(bool backwards) {
  const int n = static_cast<int>(controls_.size());
  if (n == 0) return;
  int at = IndexOf(GetFocus());
  if (at < 0) at = backwards ? 0 : n - 1;
  for (int step = 1; step <= n; ++step) {
    const int next = ((at + (backwards ? -step : step)) % n + n) % n;
    HWND control = controls_[static_cast<size_t>(next)];
    if (!control || !Reachable(control)) continue;
    SetFocus(control);
    // As a dialog does: a text field reached by Tab has its text selected.
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    if (lstrcmpiW(name, WC_COMBOBOXW) == 0) {
      SendMessageW(control, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    } else if (lstrcmpiW(name, WC_EDITW) == 0) {
      SendMessageW(control, EM_SETSEL, 0, -1);
    }
    return;
  }
}

LRESULT CALLBACK FocusCycle::Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                  UINT_PTR id, DWORD_PTR self) {
  OurFrame frame;
  switch (message) {
    case WM_KEYDOWN:
      if (!PlainTab(wparam)) break;
      reinterpret_cast<FocusCycle*>(self)->Move(GetKeyState(VK_SHIFT) < 0);
      return 0;
    case WM_CHAR:
      if (wparam == L'\t') return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &FocusCycle::Proc, id);
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace win32
