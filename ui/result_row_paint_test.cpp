#include "ui/result_row_paint.h"

#include <gtest/gtest.h>

#include "tests/test_canvas.h"
#include "win32/handles.h"

namespace ui {
namespace {

constexpr COLORREF kUnpainted = RGB(255, 0, 255);
constexpr COLORREF kBack = RGB(255, 255, 255);

// A long subject in a narrow column, marked at its start and past where it is cut, beside a
// marked sender and a hidden column: the text is cut with "..." inside its column, the mark past
// the cut is not drawn, and nothing is painted outside the row.
TEST(ResultRowPaintTest, TextAndMarksStayInTheirColumnsAndACutTextEndsInAnEllipsis) {
  win32::UniqueHfont font(
      CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS UI Gothic"));
  win32::UniqueHfont bold(
      CreateFontW(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS UI Gothic"));
  PaintedRow row;
  const std::wstring subject = L"aaaa" + std::wstring(40, L'b') + L"cccc";
  row.cells = {{subject, {{0, 4}, {44, 48}}, 150}, {L"xy", {{0, 2}}, 100}, {L"hidden", {}, 0}};
  row.font = font.get();
  row.marked_font = bold.get();
  row.back_color = kBack;
  constexpr int kPadding = 6;  // the designed distance of a text from its column's edges
  for (const bool selected : {false, true}) {
    SCOPED_TRACE(selected);
    row.selected = selected;
    row.list_focused = true;
    testutil::TestCanvas canvas(320, 20);
    const RECT all = {0, 0, 320, 20};
    win32::UniqueHbrush unpainted(CreateSolidBrush(kUnpainted));
    FillRect(canvas.dc(), &all, unpainted.get());
    const RECT bounds = {0, 0, 300, 20};
    PaintResultRow(row, canvas.dc(), bounds);
    GdiFlush();

    SIZE marked = {};
    {
      win32::SelectObjectGuard use(canvas.dc(), bold.get());
      GetTextExtentPoint32W(canvas.dc(), L"aaaa", 4, &marked);
    }
    const COLORREF back = selected ? GetSysColor(COLOR_HIGHLIGHT) : kBack;
    int first_marks = 0;
    int second_marks = 0;
    int beyond_the_first_mark = 0;
    int ink_near_the_cut = 0;
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 320; ++x) {
        const COLORREF c = canvas.At(x, y);
        if (x >= 300) {
          ASSERT_EQ(c, kUnpainted) << x << "," << y;
          continue;
        }
        // Between the columns: the padding of both.
        if (x >= 150 - kPadding && x < 150 + kPadding) {
          EXPECT_EQ(c, back) << x << "," << y;
        }
        if (c == kMarkBackColor) {
          if (x < 150) {
            ++first_marks;
            beyond_the_first_mark += x > kPadding + marked.cx ? 1 : 0;
          } else {
            ++second_marks;
          }
        }
        if (x >= 150 - kPadding - 12 && x < 150 - kPadding && c != back) ++ink_near_the_cut;
      }
    }
    EXPECT_GT(first_marks, 0);
    EXPECT_EQ(beyond_the_first_mark, 0) << "the mark past the cut is drawn";
    EXPECT_GT(second_marks, 0);
    EXPECT_GT(ink_near_the_cut, 0) << "no ellipsis where the text is cut";
    EXPECT_EQ(canvas.At(299, 1), back);
  }
}

}  // namespace
}  // namespace ui
