#include "ui/pictures.h"

#include <commctrl.h>

#include <initializer_list>

#include "win32/handles.h"
#include "win32/image_list.h"

namespace ui {
namespace {

using UniqueHpen = win32::UniqueHandle<win32::GdiObjectTraits<HPEN>>;

constexpr COLORREF kPostRed = RGB(220, 32, 32);
constexpr COLORREF kPostEdge = RGB(120, 0, 0);
constexpr COLORREF kPostLeg = RGB(64, 64, 64);
constexpr COLORREF kSlot = RGB(0, 0, 0);
constexpr COLORREF kPlate = RGB(255, 255, 255);
constexpr COLORREF kFolderYellow = RGB(240, 200, 80);
constexpr COLORREF kFolderBack = RGB(200, 160, 48);
constexpr COLORREF kFolderFront = RGB(255, 228, 128);
constexpr COLORREF kFolderLight = RGB(255, 240, 176);
constexpr COLORREF kFolderEdge = RGB(136, 96, 16);
constexpr COLORREF kSheet = RGB(255, 255, 255);
// Never a colour of the pictures: marks what the image list keeps transparent.
constexpr COLORREF kMask = RGB(255, 0, 255);

void Fill(HDC dc, int x, int y, RECT r, COLORREF colour) {
  win32::UniqueHbrush brush(CreateSolidBrush(colour));
  OffsetRect(&r, x, y);
  FillRect(dc, &r, brush.get());
}

// A filled polygon with a one-pixel outline; the points are picture coordinates.
void Shape(HDC dc, int x, int y, std::initializer_list<POINT> points, COLORREF fill,
           COLORREF edge) {
  win32::UniqueHbrush brush(CreateSolidBrush(fill));
  UniqueHpen pen(CreatePen(PS_SOLID, 1, edge));
  win32::SelectObjectGuard with_brush(dc, brush.get());
  win32::SelectObjectGuard with_pen(dc, pen.get());
  POINT moved[8];
  int n = 0;
  for (POINT p : points) moved[n++] = {p.x + x, p.y + y};
  Polygon(dc, moved, n);
}

void DrawPostBox(HDC dc, int x, int y) {
  Fill(dc, x, y, {7, 13, 9, 16}, kPostLeg);
  Shape(dc, x, y, {{4, 3}, {5, 1}, {10, 1}, {11, 3}, {11, 13}, {4, 13}}, kPostRed, kPostEdge);
  Fill(dc, x, y, {5, 5, 11, 6}, kSlot);
  Fill(dc, x, y, {6, 8, 10, 11}, kPlate);
}

void DrawClosedFolder(HDC dc, int x, int y) {
  Shape(dc, x, y, {{1, 2}, {6, 2}, {7, 4}, {1, 4}}, kFolderYellow, kFolderEdge);
  Shape(dc, x, y, {{1, 4}, {14, 4}, {14, 13}, {1, 13}}, kFolderYellow, kFolderEdge);
  Fill(dc, x, y, {2, 5, 14, 6}, kFolderLight);
}

void DrawOpenFolder(HDC dc, int x, int y) {
  Shape(dc, x, y, {{1, 2}, {6, 2}, {7, 4}, {1, 4}}, kFolderBack, kFolderEdge);
  Shape(dc, x, y, {{1, 4}, {13, 4}, {13, 13}, {1, 13}}, kFolderBack, kFolderEdge);
  Fill(dc, x, y, {3, 5, 12, 8}, kSheet);
  Shape(dc, x, y, {{4, 7}, {15, 7}, {12, 13}, {1, 13}}, kFolderFront, kFolderEdge);
}

}  // namespace

void DrawFolderPicture(HDC dc, int x, int y, FolderPicture picture) {
  switch (picture) {
    case FolderPicture::kPostBox:
      DrawPostBox(dc, x, y);
      break;
    case FolderPicture::kClosedFolder:
      DrawClosedFolder(dc, x, y);
      break;
    case FolderPicture::kOpenFolder:
      DrawOpenFolder(dc, x, y);
      break;
  }
}

HIMAGELIST CreateFolderImageList(int size) {
  return win32::MakeMaskedImageList(size, 3, kMask, [](HDC dc, int i) {
    DrawFolderPicture(dc, 0, 0, static_cast<FolderPicture>(i));
  });
}

}  // namespace ui
