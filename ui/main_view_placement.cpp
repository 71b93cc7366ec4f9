#include "ui/main_view_placement.h"

#include "win32/dpi.h"

namespace ui {

void MainViewPlacement::Attach(HWND window, int dpi) {
  window_ = window;
  if (dpi == win32::kDesignDpi) return;
  SetWindowPos(window_, nullptr, 0, 0,
               win32::Scaled(kDesignedBounds.right - kDesignedBounds.left, dpi),
               win32::Scaled(kDesignedBounds.bottom - kDesignedBounds.top, dpi),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool MainViewPlacement::Visible() const { return window_ && IsWindowVisible(window_); }

void MainViewPlacement::SetBounds(int left, int top, int width, int height) {
  SetBounds(zeldrium::TRect{left, top, left + width, top + height});
  if (Visible() && state_ == zeldrium::TWindowState::kNormal) {
    SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// A handle that names no window leaves the search window where it is.
void MainViewPlacement::LayOver(HWND list) {
  RECT r;
  if (list && IsWindow(list) && GetWindowRect(list, &r)) {
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
}

int MainViewPlacement::ShowCommand() const {
  switch (state_) {
    case zeldrium::TWindowState::kMinimized:
      return SW_SHOWMINIMIZED;
    case zeldrium::TWindowState::kMaximized:
      return SW_SHOWMAXIMIZED;
    default:
      return SW_SHOWNORMAL;
  }
}

void MainViewPlacement::DpiChanged(const RECT* suggested) {
  if (!suggested) return;
  SetWindowPos(window_, nullptr, suggested->left, suggested->top,
               suggested->right - suggested->left, suggested->bottom - suggested->top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

zeldrium::TWindowState MainViewPlacement::GetState() const {
  if (!Visible()) return state_;
  if (IsIconic(window_)) return zeldrium::TWindowState::kMinimized;
  if (IsZoomed(window_)) return zeldrium::TWindowState::kMaximized;
  return zeldrium::TWindowState::kNormal;
}

void MainViewPlacement::SetState(zeldrium::TWindowState state) {
  state_ = state;
  if (Visible()) ShowWindow(window_, ShowCommand());
}

zeldrium::TRect MainViewPlacement::GetBounds() const {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  GetWindowPlacement(window_, &placement);
  // A tool window's normal position is in screen coordinates.
  const RECT& r = placement.rcNormalPosition;
  return {static_cast<int32_t>(r.left), static_cast<int32_t>(r.top), static_cast<int32_t>(r.right),
          static_cast<int32_t>(r.bottom)};
}

void MainViewPlacement::SetBounds(const zeldrium::TRect& bounds) {
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  GetWindowPlacement(window_, &placement);
  placement.rcNormalPosition = {bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
  if (!Visible()) placement.showCmd = SW_HIDE;
  SetWindowPlacement(window_, &placement);
}

zeldrium::TScreenSize MainViewPlacement::ScreenSize() const {
  return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace ui
