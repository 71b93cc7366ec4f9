#include "ui/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "tests/test_canvas.h"
#include "win32/handles.h"

namespace {

constexpr COLORREF kBackground = RGB(255, 0, 255);
constexpr int kSide = 48;  // the picture drawn at (16, 16), with a margin all round
constexpr int kAt = 16;

// A 48 x 48 memory bitmap filled with the background, one picture drawn in its middle.
class Canvas {
 public:
  explicit Canvas(ui::FolderPicture picture)
      : Canvas([picture](HDC dc) { ui::DrawFolderPicture(dc, kAt, kAt, picture); }) {}
  explicit Canvas(const std::function<void(HDC)>& draw) {
    testutil::TestCanvas canvas(kSide, kSide);
    win32::UniqueHbrush brush(CreateSolidBrush(kBackground));
    RECT all = {0, 0, kSide, kSide};
    FillRect(canvas.dc(), &all, brush.get());
    draw(canvas.dc());
    GdiFlush();
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) pixels_[y][x] = canvas.At(x, y);
    }
  }
  // In picture coordinates.
  COLORREF At(int x, int y) const { return pixels_[kAt + y][kAt + x]; }
  COLORREF Raw(int x, int y) const { return pixels_[y][x]; }
  bool operator==(const Canvas& other) const {
    return std::equal(&pixels_[0][0], &pixels_[0][0] + kSide * kSide, &other.pixels_[0][0]);
  }

 private:
  COLORREF pixels_[kSide][kSide] = {};
};

bool Reddish(COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 80 && GetBValue(c) < 80; }
bool Yellowish(COLORREF c) {
  return GetRValue(c) > 180 && GetGValue(c) > 140 && GetBValue(c) < 160;
}
bool White(COLORREF c) { return c == RGB(255, 255, 255); }

const ui::FolderPicture kAll[] = {ui::FolderPicture::kPostBox, ui::FolderPicture::kClosedFolder,
                                  ui::FolderPicture::kOpenFolder};

Canvas Envelope(bool opened) {
  return Canvas([opened](HDC dc) { ui::DrawEnvelope(dc, kAt, kAt, opened); });
}

TEST(Pictures, EachStaysInsideItsSquareAndLeavesItsCornersClear) {
  std::vector<Canvas> pictures;
  pictures.push_back(Envelope(false));
  pictures.push_back(Envelope(true));
  for (ui::FolderPicture picture : kAll) pictures.emplace_back(picture);
  for (size_t i = 0; i < pictures.size(); ++i) {
    SCOPED_TRACE(i);
    const Canvas& canvas = pictures[i];
    int painted = 0;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        bool inside = x >= kAt && x < kAt + 16 && y >= kAt && y < kAt + 16;
        if (!inside) {
          ASSERT_EQ(canvas.Raw(x, y), kBackground) << "painted outside at " << x << "," << y;
        } else if (canvas.Raw(x, y) != kBackground) {
          ++painted;
        }
      }
    }
    // A picture, not a speck and not a filled square: the tree's lines show beside it.
    EXPECT_GT(painted, 60);
    EXPECT_LT(painted, 16 * 16);
    EXPECT_EQ(canvas.At(15, 0), kBackground);
    EXPECT_EQ(canvas.At(0, 15), kBackground);
  }
  EXPECT_FALSE(pictures[0] == pictures[1]) << "the opened envelope is another picture";
}

TEST(FolderPictures, ShowWhatTheyStandFor) {
  Canvas post(ui::FolderPicture::kPostBox);
  EXPECT_TRUE(Reddish(post.At(5, 3)));  // body
  EXPECT_TRUE(Reddish(post.At(10, 12)));
  EXPECT_TRUE(White(post.At(7, 9)));       // the plate
  EXPECT_EQ(post.At(7, 5), RGB(0, 0, 0));  // the slot
  EXPECT_NE(post.At(7, 15), kBackground);  // it stands on a post
  EXPECT_EQ(post.At(2, 15), kBackground);

  Canvas closed(ui::FolderPicture::kClosedFolder);
  EXPECT_TRUE(Yellowish(closed.At(8, 10)));
  EXPECT_TRUE(Yellowish(closed.At(3, 3)));   // the tab
  EXPECT_EQ(closed.At(12, 2), kBackground);  // beside the tab

  Canvas open(ui::FolderPicture::kOpenFolder);
  EXPECT_TRUE(Yellowish(open.At(8, 10)));
  EXPECT_TRUE(White(open.At(6, 6)));  // a sheet inside
  EXPECT_FALSE(White(closed.At(6, 6)));
}

TEST(FolderPictures, ImageListHoldsTheThreeInOrder) {
  win32::UniqueHimagelist list(ui::CreateFolderImageList());
  ASSERT_TRUE(list);
  EXPECT_EQ(ImageList_GetImageCount(list.get()), 3);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(list.get(), &cx, &cy);
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);
  // Drawn through the list onto another background: the mask keeps the corners transparent
  // and the picture is the one of its index.
  for (ui::FolderPicture picture : kAll) {
    SCOPED_TRACE(static_cast<int>(picture));
    Canvas direct(picture);
    testutil::TestCanvas canvas(16, 16);
    win32::UniqueHbrush green(CreateSolidBrush(RGB(0, 255, 0)));
    RECT all = {0, 0, 16, 16};
    FillRect(canvas.dc(), &all, green.get());
    ASSERT_TRUE(
        ImageList_Draw(list.get(), static_cast<int>(picture), canvas.dc(), 0, 0, ILD_NORMAL));
    GdiFlush();
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        COLORREF want = direct.At(x, y) == kBackground ? RGB(0, 255, 0) : direct.At(x, y);
        ASSERT_EQ(canvas.At(x, y), want) << x << "," << y;
      }
    }
  }
}

}  // namespace
