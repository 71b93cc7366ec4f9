#ifndef ZELDRIUM_UI_PORTABLE_MAIN_VIEW_BAR_LAYOUT_H_
#define ZELDRIUM_UI_PORTABLE_MAIN_VIEW_BAR_LAYOUT_H_

// How ToolBar8 of the search window shares its width, so that the hit count ("N 件") can always
// be read.
//
// As designed, the items of the bar stand side by side at their designed widths, and the count
// label Label1 follows them, reaching to a reserve of one button width short of the bar's right
// end. When the bar is too narrow for the count's text, items give up width in a fixed order,
// each only as much as is still missing and never below its least width: first the empty
// reserve, then the search text box down to a comfortable width, the scope selector down to a
// readable one, the label "以降のメールのみ...", the search text box down to a working width, the
// separators, the field selector, the scope selector altogether (a stub of it would show no
// choice), and the search text box once more. When even that is not enough, the count keeps the
// room its text needs at the bar's right end and is drawn over what lies there. A bar wide
// enough for the designed layout keeps it exactly. All widths are pixels at the window's DPI.
//
// While a search reads, the count says so and how many hits it has found so far: a longer text
// than the count at its end. Where the first few give-ups can make room for it, the count gets
// that room at all times (FitBarWithRoom), so that the bar, and the search text box the user
// types in, stay where they are while the searches of the typed text come and go.

#include <cstddef>
#include <vector>

namespace ui {

// An item that gives up width when the count would not fit, down to least pixels. kReserve
// stands for the room after the count.
struct BarGiveUp {
  static constexpr int kReserve = -1;
  int item;
  int least;
  // Gives all it has above least as soon as it gives anything: the room it leaves beyond what
  // was missing goes to the count.
  bool whole = false;
};

struct BarFit {
  std::vector<int> widths;  // of the items before the count, left to right
  int count_left = 0;       // where the count label starts, from the bar's left edge
  int count_width = 0;
  bool covers_items = false;  // the count lies over the items at the bar's right end
};

// items: the designed widths of the items before the count; reserve: the designed room after it;
// text: the width the count's text needs; give_ups: in the order they give up width.
BarFit FitBar(std::vector<int> items, int reserve, int bar_width, int text,
              const std::vector<BarGiveUp>& give_ups);

// The same, with room for a count of up to room pixels where the first soft give-ups alone can
// make it; else with room for text, as FitBar gives it.
BarFit FitBarWithRoom(const std::vector<int>& items, int reserve, int bar_width, int text, int room,
                      const std::vector<BarGiveUp>& give_ups, size_t soft);

}  // namespace ui

#endif  // ZELDRIUM_UI_PORTABLE_MAIN_VIEW_BAR_LAYOUT_H_
