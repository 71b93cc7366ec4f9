#ifndef ZELDRIUM_WIN32_DPI_H_
#define ZELDRIUM_WIN32_DPI_H_

// Designed sizes are pixels at 96 dpi; a window shows them at its own DPI. At 96 dpi every size
// is exactly the designed one.

#include <windows.h>

namespace win32 {

inline constexpr int kDesignDpi = 96;

// The DPI a window is drawn at: GetDpiForWindow where the system has it (looked up at run time,
// so the library still loads on Windows 7), else the screen's LOGPIXELSX; 96 when neither
// answers.
int WindowDpi(HWND window);

// A designed size in pixels at dpi, and a size in pixels at dpi as designed pixels (rounded to
// the nearest, so Unscaled(Scaled(n)) == n for every dpi of 96 or more).
inline int Scaled(int designed, int dpi) { return MulDiv(designed, dpi, kDesignDpi); }
inline int Unscaled(int pixels, int dpi) { return MulDiv(pixels, kDesignDpi, dpi); }

// The LOGFONT height of a font of that many points at dpi.
inline int FontHeightAt(int points, int dpi) { return -MulDiv(points, dpi, 72); }

}  // namespace win32

#endif  // ZELDRIUM_WIN32_DPI_H_
