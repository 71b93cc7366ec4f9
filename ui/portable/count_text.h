#ifndef ZELDRIUM_UI_PORTABLE_COUNT_TEXT_H_
#define ZELDRIUM_UI_PORTABLE_COUNT_TEXT_H_

// What the search window's count label Label1 says (code page 932): "N 件" once a search has
// ended, "検索中… N 件" while one reads, N then with thousands separators, as a number that
// changes while it is read is easier to take in grouped.

#include <cstddef>
#include <string>

namespace ui {

std::string CountText(size_t count);
std::string ProgressText(size_t hits);
// The widest progress text the count is given room for at all times (main_view_bar_layout.h).
std::string WideProgressText();

}  // namespace ui

#endif  // ZELDRIUM_UI_PORTABLE_COUNT_TEXT_H_
