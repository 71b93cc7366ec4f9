#include "ui/portable/main_view_place.h"

#include <cstdint>

#include "settings/screen_fit.h"

namespace ui {
namespace {

constexpr int kDesignDpi = 96;

// As the windows scale designed sizes: to the nearest pixel.
int32_t Scaled(int32_t designed, int dpi) {
  return static_cast<int32_t>((int64_t{designed} * dpi + kDesignDpi / 2) / kDesignDpi);
}

}  // namespace

zeldrium::TRect DefaultBounds(int dpi, const zeldrium::TRect& work) {
  const zeldrium::TRect& d = kDesignedBounds;
  return zeldrium::FitInto({d.Left, d.Top, d.Left + Scaled(d.Right - d.Left, dpi),
                            d.Top + Scaled(d.Bottom - d.Top, dpi)},
                           work);
}

void DpiFollower::BeginPlacing(const zeldrium::TRect& bounds) {
  placed_ = bounds;
  has_placed_ = true;
  placing_ = true;
}

bool DpiFollower::TakesSuggestedBounds(const zeldrium::TRect& now) const {
  return !placing_ && !(has_placed_ && now == placed_);
}

}  // namespace ui
