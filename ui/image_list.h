#ifndef ZELDRIUM_UI_IMAGE_LIST_H_
#define ZELDRIUM_UI_IMAGE_LIST_H_

// Image lists of pictures we draw ourselves, for the controls that show them.

#include <windows.h>
#include <commctrl.h>

#include <functional>

namespace ui {

// count pictures of size x size pixels; picture i is drawn by draw(dc, i) at (0, 0) over mask,
// a colour the pictures never use, which the list keeps transparent. The caller owns the list;
// null when Windows refuses one of the steps.
HIMAGELIST MakeMaskedImageList(int size, int count, COLORREF mask,
                               const std::function<void(HDC, int)>& draw);

}  // namespace ui

#endif  // ZELDRIUM_UI_IMAGE_LIST_H_
