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
    const int spare = std::max(0, width - give_up.least);
    const int given = give_up.whole ? spare : std::min(spare, missing);
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

BarFit FitBarWithRoom(const std::vector<int>& items, int reserve, int bar_width, int text, int room,
                      const std::vector<BarGiveUp>& give_ups, size_t soft) {
  if (room > text) {
    const std::vector<BarGiveUp> first(give_ups.begin(),
                                       give_ups.begin() + std::min(soft, give_ups.size()));
    BarFit fit = FitBar(items, reserve, bar_width, room, first);
    if (!fit.covers_items) return fit;
  }
  return FitBar(items, reserve, bar_width, text, give_ups);
}

}  // namespace ui
