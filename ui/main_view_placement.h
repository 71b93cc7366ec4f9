#ifndef ZELDRIUM_UI_MAIN_VIEW_PLACEMENT_H_
#define ZELDRIUM_UI_MAIN_VIEW_PLACEMENT_H_

// Where the search window stands: its designed bounds at the window's DPI, the placement the
// settings keep (WINDOWINFO: the state and the normal bounds), and the window laid over the
// host's mail list when it is opened from a menu. A hidden window has no state of its own, so
// the state to show it in is kept here.

#include <windows.h>

#include "settings/ini_params.h"

namespace ui {

class MainViewPlacement : public zeldrium::PlacedWindow {
 public:
  // The designed bounds, screen pixels at 96 dpi: where a window without a stored placement
  // opens.
  static constexpr RECT kDesignedBounds = {302, 281, 302 + 932, 281 + 399};

  // The window placed from now on, just created (hidden); its designed size is made the size at
  // dpi.
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
  // The window's DPI changed (WM_DPICHANGED): it takes the place the system suggests, if any.
  void DpiChanged(const RECT* suggested);

  zeldrium::TWindowState GetState() const override;
  void SetState(zeldrium::TWindowState state) override;
  zeldrium::TRect GetBounds() const override;
  void SetBounds(const zeldrium::TRect& bounds) override;
  zeldrium::TScreenSize ScreenSize() const override;

 private:
  HWND window_ = nullptr;
  zeldrium::TWindowState state_ = zeldrium::TWindowState::kNormal;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_MAIN_VIEW_PLACEMENT_H_
