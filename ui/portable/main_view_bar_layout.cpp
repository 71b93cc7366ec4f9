#include "ui/portable/main_view_bar_layout.h"

#include <algorithm>
#include <numeric>

namespace ui {

BarFit FitBar(std::vector<int> items, int reserve, int bar_width, int text,
              const std::vector<BarGiveUp>& give_ups) {
  const int designed = std::accumulate(items.begin(), items.end(), 0);
  int missing = designed + text + reserve - bar_width;
  for (const BarGiveUp& give_up : give_ups) {
    if (missing <= 0) break;
    const bool is_reserve = give_up.item == BarGiveUp::kReserve;
    if (!is_reserve && (give_up.item < 0 || give_up.item >= static_cast<int>(items.size()))) {
      continue;
    }
    int& width = is_reserve ? reserve : items[static_cast<size_t>(give_up.item)];
    const int given = std::clamp(width - give_up.least, 0, missing);
    width -= given;
    missing -= given;
  }
  BarFit fit;
  fit.widths = std::move(items);
  const int used = std::accumulate(fit.widths.begin(), fit.widths.end(), 0);
  if (missing <= 0) {
    fit.count_left = used;
    fit.count_width = std::max(0, bar_width - used - reserve);
  } else {
    fit.count_width = std::min(text, std::max(0, bar_width));
    fit.count_left = std::max(0, bar_width - fit.count_width);
    fit.covers_items = true;
  }
  return fit;
}

}  // namespace ui
