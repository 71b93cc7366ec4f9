#ifndef ZELDRIUM_UI_MAIN_VIEW_PLACEMENT_H_
#define ZELDRIUM_UI_MAIN_VIEW_PLACEMENT_H_

// Where the search window stands: its designed bounds at the window's DPI, the placement the
// settings keep (WINDOWINFO: the state and the normal bounds), and the window laid over the
// host's mail list when it is opened from a menu. A hidden window has no state of its own, so
// the state to show it in is kept here.

#include <windows.h>

#include <vector>

#include "settings/ini_params.h"
#include "ui/portable/main_view_place.h"

namespace ui {

class MainViewPlacement : public zeldrium::PlacedWindow {
 public:
  // The window placed from now on, just created (hidden) at the designed bounds: it gets the
  // designed size at dpi, held to the work area of the monitor it opens on.
  void Attach(HWND window, int dpi);
  void Restore(const zeldrium::TInitParam& params) { params.RestoreWindow(*this); }
  void Store(zeldrium::TInitParam* params) const { params->StoreWindow(*this); }

  bool Visible() const;
  // The bounds of the window in its normal state, screen pixels.
  void SetBounds(int left, int top, int width, int height);
  // The bounds of the host's mail list, when list names a window.
  void LayOver(HWND list);
  // The ShowWindow command that shows the window in its state.
  int ShowCommand() const;
  // The window's DPI changed (WM_DPICHANGED): it takes the place the system suggests, if any,
  // unless it stands where it was put (main_view_place.h).
  void DpiChanged(const RECT* suggested);

  zeldrium::TWindowState GetState() const override;
  void SetState(zeldrium::TWindowState state) override;
  zeldrium::TRect GetBounds() const override;
  void SetBounds(const zeldrium::TRect& bounds) override;
  std::vector<zeldrium::TRect> WorkAreas() const override;

 private:
  HWND window_ = nullptr;
  zeldrium::TWindowState state_ = zeldrium::TWindowState::kNormal;
  DpiFollower dpi_follower_;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_MAIN_VIEW_PLACEMENT_H_
