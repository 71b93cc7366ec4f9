#ifndef ZELDRIUM_SETTINGS_SCREEN_FIT_H_
#define ZELDRIUM_SETTINGS_SCREEN_FIT_H_

// Where a window goes among the monitors attached now: a placement stored on another day, with
// other monitors or another task bar, still opens where the user can reach it. Rectangles are
// screen pixels (ini_file.h's TRect); arithmetic is 64-bit, so hand-edited values of any size
// are safe.

#include <cstddef>
#include <vector>

#include "settings/ini_file.h"

namespace zeldrium {

// The index of the work area that holds the largest part of bounds (the first of equals, so the
// primary monitor when it is listed first); when bounds touches none of them, the nearest one.
// A rectangle without width or height counts as its top-left corner.
// REQUIRES: areas is not empty.
size_t MonitorOf(const TRect& bounds, const std::vector<TRect>& areas);

// bounds moved inside area with its size kept; a side longer than the area's is cut to it.
TRect FitInto(const TRect& bounds, const TRect& area);

}  // namespace zeldrium

#endif  // ZELDRIUM_SETTINGS_SCREEN_FIT_H_
