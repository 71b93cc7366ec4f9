#include "settings/screen_fit.h"

#include <algorithm>
#include <cstdint>

namespace zeldrium {
namespace {

int64_t Overlap(int64_t low, int64_t high, int64_t area_low, int64_t area_high) {
  return std::max<int64_t>(0, std::min(high, area_high) - std::max(low, area_low));
}

// How far apart two ranges lie along one axis; 0 when they meet.
int64_t Gap(int64_t low, int64_t high, int64_t area_low, int64_t area_high) {
  if (high < area_low) return area_low - high;
  if (low > area_high) return low - area_high;
  return 0;
}

}  // namespace

size_t MonitorOf(const TRect& bounds, const std::vector<TRect>& areas) {
  const int64_t right = std::max<int64_t>(bounds.Right, bounds.Left);
  const int64_t bottom = std::max<int64_t>(bounds.Bottom, bounds.Top);
  size_t best = 0;
  int64_t best_share = 0;
  for (size_t i = 0; i < areas.size(); ++i) {
    const TRect& a = areas[i];
    const int64_t share =
        Overlap(bounds.Left, right, a.Left, a.Right) * Overlap(bounds.Top, bottom, a.Top, a.Bottom);
    if (share > best_share) {
      best = i;
      best_share = share;
    }
  }
  if (best_share > 0) return best;
  // In doubles: a hand-edited rectangle may lie 2^32 pixels away, whose square 64 bits miss.
  double best_distance = 0;
  for (size_t i = 0; i < areas.size(); ++i) {
    const TRect& a = areas[i];
    const int64_t dx = Gap(bounds.Left, right, a.Left, a.Right);
    const int64_t dy = Gap(bounds.Top, bottom, a.Top, a.Bottom);
    const double distance = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy;
    if (i == 0 || distance < best_distance) {
      best = i;
      best_distance = distance;
    }
  }
  return best;
}

TRect FitInto(const TRect& bounds, const TRect& area) {
  auto fit = [](int64_t low, int64_t high, int64_t area_low, int64_t area_high, int32_t* out_low,
                int32_t* out_high) {
    const int64_t room = std::max<int64_t>(0, area_high - area_low);
    const int64_t size = std::min(std::max<int64_t>(0, high - low), room);
    low = std::clamp(low, area_low, area_low + room - size);
    *out_low = static_cast<int32_t>(low);
    *out_high = static_cast<int32_t>(low + size);
  };
  TRect fitted;
  fit(bounds.Left, bounds.Right, area.Left, area.Right, &fitted.Left, &fitted.Right);
  fit(bounds.Top, bounds.Bottom, area.Top, area.Bottom, &fitted.Top, &fitted.Bottom);
  return fitted;
}

}  // namespace zeldrium
