#include "ui/pictures.h"

#include <initializer_list>
#include <vector>

#include "win32/handles.h"
#include "win32/image_list.h"

namespace ui {
namespace {

using UniqueHpen = win32::UniqueHandle<win32::GdiObjectTraits<HPEN>>;

constexpr COLORREF kEnvelopeEdge = RGB(92, 76, 52);
constexpr COLORREF kPaper = RGB(255, 248, 218);
constexpr COLORREF kInside = RGB(226, 206, 150);
constexpr COLORREF kLetter = RGB(255, 255, 255);
constexpr COLORREF kWriting = RGB(70, 110, 190);
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
// Never a colour of the pictures: marks what the image lists keep transparent.
constexpr COLORREF kMask = RGB(255, 0, 255);

// The strokes, in picture coordinates from the picture's top-left corner.
class Strokes {
 public:
  Strokes(HDC dc, int x, int y) : dc_(dc), x_(x), y_(y), saved_(SaveDC(dc)) {
    IntersectClipRect(dc, x, y, x + kPictureSize, y + kPictureSize);
  }
  ~Strokes() { RestoreDC(dc_, saved_); }
  Strokes(const Strokes&) = delete;
  Strokes& operator=(const Strokes&) = delete;

  void Fill(RECT r, COLORREF colour) {
    win32::UniqueHbrush brush(CreateSolidBrush(colour));
    OffsetRect(&r, x_, y_);
    FillRect(dc_, &r, brush.get());
  }

  // A filled polygon with a one-pixel outline.
  void Shape(std::initializer_list<POINT> points, COLORREF fill, COLORREF edge) {
    win32::UniqueHbrush brush(CreateSolidBrush(fill));
    UniqueHpen pen(CreatePen(PS_SOLID, 1, edge));
    win32::SelectObjectGuard with_brush(dc_, brush.get());
    win32::SelectObjectGuard with_pen(dc_, pen.get());
    const std::vector<POINT> moved = Moved(points);
    Polygon(dc_, moved.data(), static_cast<int>(moved.size()));
  }

  void Lines(std::initializer_list<POINT> points, COLORREF colour) {
    UniqueHpen pen(CreatePen(PS_SOLID, 1, colour));
    win32::SelectObjectGuard with_pen(dc_, pen.get());
    const std::vector<POINT> moved = Moved(points);
    Polyline(dc_, moved.data(), static_cast<int>(moved.size()));
  }

 private:
  std::vector<POINT> Moved(std::initializer_list<POINT> points) const {
    std::vector<POINT> moved;
    for (POINT p : points) moved.push_back({p.x + x_, p.y + y_});
    return moved;
  }

  HDC dc_;
  int x_, y_;
  int saved_;
};

void DrawPostBox(Strokes& s) {
  s.Fill({7, 13, 9, 16}, kPostLeg);
  s.Shape({{4, 3}, {5, 1}, {10, 1}, {11, 3}, {11, 13}, {4, 13}}, kPostRed, kPostEdge);
  s.Fill({5, 5, 11, 6}, kSlot);
  s.Fill({6, 8, 10, 11}, kPlate);
}

void DrawClosedFolder(Strokes& s) {
  s.Shape({{1, 2}, {6, 2}, {7, 4}, {1, 4}}, kFolderYellow, kFolderEdge);
  s.Shape({{1, 4}, {14, 4}, {14, 13}, {1, 13}}, kFolderYellow, kFolderEdge);
  s.Fill({2, 5, 14, 6}, kFolderLight);
}

void DrawOpenFolder(Strokes& s) {
  s.Shape({{1, 2}, {6, 2}, {7, 4}, {1, 4}}, kFolderBack, kFolderEdge);
  s.Shape({{1, 4}, {13, 4}, {13, 13}, {1, 13}}, kFolderBack, kFolderEdge);
  s.Fill({3, 5, 12, 8}, kSheet);
  s.Shape({{4, 7}, {15, 7}, {12, 13}, {1, 13}}, kFolderFront, kFolderEdge);
}

}  // namespace

void DrawEnvelope(HDC dc, int x, int y, bool opened) {
  Strokes s(dc, x, y);
  if (!opened) {
    s.Shape({{1, 3}, {14, 3}, {14, 13}, {1, 13}}, kPaper, kEnvelopeEdge);
    s.Lines({{1, 3}, {7, 9}, {8, 9}, {15, 2}}, kEnvelopeEdge);
    return;
  }
  // The flap stands open behind a letter that sticks out of the pocket.
  s.Shape({{1, 7}, {7, 1}, {8, 1}, {14, 7}}, kInside, kEnvelopeEdge);
  s.Shape({{3, 3}, {12, 3}, {12, 11}, {3, 11}}, kLetter, kEnvelopeEdge);
  s.Lines({{5, 5}, {11, 5}}, kWriting);
  s.Lines({{5, 7}, {11, 7}}, kWriting);
  s.Shape({{1, 7}, {7, 11}, {8, 11}, {14, 7}, {14, 14}, {1, 14}}, kPaper, kEnvelopeEdge);
}

HIMAGELIST CreateEnvelopeImageList(int size) {
  return win32::MakeMaskedImageList(size, 2, kMask,
                                    [](HDC dc, int i) { DrawEnvelope(dc, 0, 0, i == 1); });
}

void DrawFolderPicture(HDC dc, int x, int y, FolderPicture picture) {
  Strokes s(dc, x, y);
  switch (picture) {
    case FolderPicture::kPostBox:
      DrawPostBox(s);
      break;
    case FolderPicture::kClosedFolder:
      DrawClosedFolder(s);
      break;
    case FolderPicture::kOpenFolder:
      DrawOpenFolder(s);
      break;
  }
}

HIMAGELIST CreateFolderImageList(int size) {
  return win32::MakeMaskedImageList(size, 3, kMask, [](HDC dc, int i) {
    DrawFolderPicture(dc, 0, 0, static_cast<FolderPicture>(i));
  });
}

}  // namespace ui
