#ifndef ZELDRIUM_UI_PORTABLE_MAIN_VIEW_PLACE_H_
#define ZELDRIUM_UI_PORTABLE_MAIN_VIEW_PLACE_H_

// Where the search window stands, decided without a window: where it opens when nothing is
// stored, and whether it follows the bounds the system suggests when its DPI changes. The
// stored placement itself is held to the monitors by the settings (TInitParam::RestoreWindow,
// settings/screen_fit.h). Rectangles are screen pixels.

#include "settings/ini_file.h"

namespace ui {

// The designed bounds, screen pixels at 96 dpi.
inline constexpr zeldrium::TRect kDesignedBounds = {302, 281, 302 + 932, 281 + 399};

// Where a window without a stored placement opens, at dpi, on the monitor whose work area is
// work: the designed corner and the designed size at dpi, moved and cut to fit the work area.
zeldrium::TRect DefaultBounds(int dpi, const zeldrium::TRect& work);

// The window's DPI is that of the monitor it stands on. Bounds the program gives it (a stored
// placement, the host's mail list) are pixels of the monitor they lie on already: scaled once
// more for that monitor's DPI, as the system suggests when the window reaches it, the window
// would grow or shrink at every start. A DPI change the user brings about, dragging the window
// to another monitor, takes the suggested bounds, so the window keeps the size it looks.
class DpiFollower {
 public:
  // Around the program's own moves of the window to bounds; the system may change the window's
  // DPI before the move returns, or only when the window is shown.
  void BeginPlacing(const zeldrium::TRect& bounds);
  void EndPlacing() { placing_ = false; }

  // The window's DPI changed while its bounds are now: whether it is to take the bounds the
  // system suggests.
  bool TakesSuggestedBounds(const zeldrium::TRect& now) const;

 private:
  zeldrium::TRect placed_;
  bool has_placed_ = false;
  bool placing_ = false;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_PORTABLE_MAIN_VIEW_PLACE_H_
