#ifndef ZELDRIUM_UI_PICTURES_H_
#define ZELDRIUM_UI_PICTURES_H_

// The pictures of the plug-in's windows, drawn with GDI rather than loaded, so the library
// carries no bitmap resources: the envelopes of the result list's rows and the post box and
// folders of the folder tree. Each is designed in a 16 x 16 square, drawn with the same few
// strokes, and touches no pixel outside its square; the background is left as it was.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

namespace ui {

inline constexpr int kPictureSize = 16;

// A closed envelope, or an opened one with a letter in it, its top-left corner at (x, y).
void DrawEnvelope(HDC dc, int x, int y, bool opened);
// The two envelopes, closed first, size x size pixels.
HIMAGELIST CreateEnvelopeImageList(int size = kPictureSize);

// The order is the image list's: a mailbox node shows kPostBox, a folder node kClosedFolder and,
// while selected, kOpenFolder.
enum class FolderPicture : int { kPostBox = 0, kClosedFolder = 1, kOpenFolder = 2 };
void DrawFolderPicture(HDC dc, int x, int y, FolderPicture picture);
// The three folder pictures in enum order, size x size pixels.
HIMAGELIST CreateFolderImageList(int size = kPictureSize);

// The image lists draw the 16 x 16 drawing scaled to their size, transparent around it. The
// caller owns a list (ImageList_Destroy); null when GDI has no room.

}  // namespace ui

#endif  // ZELDRIUM_UI_PICTURES_H_
