#ifndef ZELDRIUM_UI_RESULT_ROW_PAINT_H_
#define ZELDRIUM_UI_RESULT_ROW_PAINT_H_

// How a row of the result list is drawn: its envelope, its cells cut to their columns with "..."
// where a text does not fit, and the words found marked. A marked word is drawn in the bold form
// of the list's font, dark on a marker's yellow: it stands out the same way in a selected row as
// in any other, and the colours do not depend on the list's text colour, which the user
// chooses. Every distance is a designed one, scaled to the DPI.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace ui {

// The colours of a marked word.
inline constexpr COLORREF kMarkBackColor = RGB(255, 226, 110);
inline constexpr COLORREF kMarkTextColor = RGB(0, 0, 0);

struct PaintedCell {
  std::wstring text;
  // [begin, end) ranges of text's characters drawn marked, ascending and apart.
  std::vector<std::pair<size_t, size_t>> marks;
  int width = 0;  // of its column, in pixels; 0 hides it
};

struct PaintedRow {
  std::vector<PaintedCell> cells;  // in column order, the first from the row's left edge
  HFONT font = nullptr;            // the list's
  HFONT marked_font = nullptr;     // its bold form
  HIMAGELIST images = nullptr;     // the envelope, in the first cell
  int image = -1;                  // none when negative
  bool selected = false;
  // A selected row shows the selection colours while the list has the keyboard, and quieter
  // ones otherwise (the list shows its selection always).
  bool list_focused = false;
  bool focus_rect = false;             // the row that has the keyboard within the list
  COLORREF text_color = RGB(0, 0, 0);  // the list's, for a row not selected
  COLORREF back_color = RGB(255, 255, 255);
  int dpi = 96;
};

// Paints row over bounds (its whole width, every column); nothing outside bounds is touched.
void PaintResultRow(const PaintedRow& row, HDC dc, const RECT& bounds);

}  // namespace ui

#endif  // ZELDRIUM_UI_RESULT_ROW_PAINT_H_
