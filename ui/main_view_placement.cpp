#include "ui/main_view_placement.h"

namespace ui {
namespace {

zeldrium::TRect FromRect(const RECT& r) {
  return {static_cast<int32_t>(r.left), static_cast<int32_t>(r.top), static_cast<int32_t>(r.right),
          static_cast<int32_t>(r.bottom)};
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  auto* list = reinterpret_cast<std::vector<zeldrium::TRect>*>(areas);
  const zeldrium::TRect work = FromRect(info.rcWork);
  if (info.dwFlags & MONITORINFOF_PRIMARY) {
    list->insert(list->begin(), work);
  } else {
    list->push_back(work);
  }
  return TRUE;
}

}  // namespace

void MainViewPlacement::Attach(HWND window, int dpi) {
  window_ = window;
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &info)) return;
  SetBounds(DefaultBounds(dpi, FromRect(info.rcWork)));
}

bool MainViewPlacement::Visible() const { return window_ && IsWindowVisible(window_); }

void MainViewPlacement::SetBounds(int left, int top, int width, int height) {
  SetBounds(zeldrium::TRect{left, top, left + width, top + height});
}

// A handle that names no window leaves the search window where it is.
void MainViewPlacement::LayOver(HWND list) {
  RECT r;
  if (list && IsWindow(list) && GetWindowRect(list, &r)) SetBounds(FromRect(r));
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
  if (!suggested || !dpi_follower_.TakesSuggestedBounds(GetBounds())) return;
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
  return FromRect(placement.rcNormalPosition);
}

void MainViewPlacement::SetBounds(const zeldrium::TRect& bounds) {
  dpi_follower_.BeginPlacing(bounds);
  WINDOWPLACEMENT placement = {};
  placement.length = sizeof(placement);
  GetWindowPlacement(window_, &placement);
  placement.rcNormalPosition = {bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
  if (!Visible()) placement.showCmd = SW_HIDE;
  SetWindowPlacement(window_, &placement);
  if (Visible() && state_ == zeldrium::TWindowState::kNormal) {
    SetWindowPos(window_, nullptr, bounds.Left, bounds.Top, bounds.Right - bounds.Left,
                 bounds.Bottom - bounds.Top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  dpi_follower_.EndPlacing();
}

std::vector<zeldrium::TRect> MainViewPlacement::WorkAreas() const {
  std::vector<zeldrium::TRect> areas;
  EnumDisplayMonitors(nullptr, nullptr, &AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

}  // namespace ui
