#ifndef ZELDRIUM_WIN32_FOCUS_CYCLE_H_
#define ZELDRIUM_WIN32_FOCUS_CYCLE_H_

// Tab and Shift+Tab through the controls of a window that is no dialog. The host's message loop
// does not call IsDialogMessage for the plug-in's window, so Tab reaches the focused control as
// a plain key, and a control would beep or do nothing. Each control of the round (and each
// window inside it that can hold the focus, such as the edit field of an editable combo box) is
// subclassed and hands Tab on to the next visible, enabled control of the round, or Shift+Tab to
// the one before; the character the key leaves behind is swallowed.

#include <windows.h>

#include <vector>

namespace win32 {

class FocusCycle {
 public:
  FocusCycle() = default;
  ~FocusCycle();
  FocusCycle(const FocusCycle&) = delete;
  FocusCycle& operator=(const FocusCycle&) = delete;

  // REQUIRES: the controls live as long as this object or are destroyed before it.
  void Set(std::vector<HWND> controls);
  // The control of the round that holds window (the control itself or a window inside it), or
  // -1.
  int IndexOf(HWND window) const;
  // Gives the focus to the next control of the round after the one holding it, or before it;
  // from outside the round, to the first or the last.
  void Move(bool backwards);
  // The windows of another thread lose their subclasses (win32::CutLoose), and the round is
  // forgotten.
  void CutLoose();

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                               DWORD_PTR self);
  void Subclass(HWND window);
  void Release();

  std::vector<HWND> controls_;
  std::vector<HWND> subclassed_;
};

}  // namespace win32

#endif  // ZELDRIUM_WIN32_FOCUS_CYCLE_H_
