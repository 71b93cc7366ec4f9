#ifndef ZELDRIUM_WIN32_IMAGE_LIST_H_
#define ZELDRIUM_WIN32_IMAGE_LIST_H_

// Image lists of pictures we draw ourselves, for the controls that show them.

#include <windows.h>
#include <commctrl.h>

#include <functional>

namespace win32 {

// The pictures are designed in a square of this many pixels.
inline constexpr int kPictureDesignSize = 16;

// count pictures of size x size pixels; picture i is drawn by draw(dc, i) in the designed square
// at (0, 0), over mask, a colour the pictures never use, which the list keeps transparent. At
// another size than the designed one the DC maps the designed square onto the picture, so the
// drawing scales with it. The caller owns the list; null when Windows refuses one of the steps.
HIMAGELIST MakeMaskedImageList(int size, int count, COLORREF mask,
                               const std::function<void(HDC, int)>& draw);

}  // namespace win32

#endif  // ZELDRIUM_WIN32_IMAGE_LIST_H_
