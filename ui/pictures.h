#ifndef ZELDRIUM_UI_PICTURES_H_
#define ZELDRIUM_UI_PICTURES_H_

// The three 16 x 16 pictures of the folder tree, drawn with GDI rather than loaded, so the
// library carries no bitmap resources.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

namespace ui {

// The order is the image list's: a mailbox node shows kPostBox, a folder node kClosedFolder and,
// while selected, kOpenFolder.
enum class FolderPicture : int { kPostBox = 0, kClosedFolder = 1, kOpenFolder = 2 };
inline constexpr int kFolderPictureSize = 16;

// Draws one picture with its top-left corner at (x, y). Only the picture's own pixels are
// painted, all inside the 16 x 16 square; the background is left as it was.
void DrawFolderPicture(HDC dc, int x, int y, FolderPicture picture);

// An image list of the three pictures in enum order, size x size pixels (the 16 x 16 drawing
// scaled), transparent around them. The caller owns it (ImageList_Destroy); null when GDI has no
// room.
HIMAGELIST CreateFolderImageList(int size = kFolderPictureSize);

}  // namespace ui

#endif  // ZELDRIUM_UI_PICTURES_H_
