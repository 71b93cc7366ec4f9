#ifndef ZELDRIUM_UI_ROW_ORDER_H_
#define ZELDRIUM_UI_ROW_ORDER_H_

// The orders a header click asks of the result list, as new orders of a hit list (the number of
// the hit to show at each position). A million rows are sorted in the host's process at once,
// so the texts are compared by their locale sort keys with memcmp rather than by CompareString
// in every comparison, a key is made once per distinct text, and the keys exist only while the
// sort runs. Equal texts keep the order they had.
//
// Every function here may throw std::bad_alloc; the list's own order is untouched then.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/hit_list.h"

namespace ui {

// The bytes of the user's locale sort key of text, ignoring case: comparing two of them as
// unsigned bytes orders the texts as CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE) does.
// The terminating zero byte is part of the key.
std::string SortKeyIgnoreCase(std::wstring_view text);

// By date, as the fixed-width date texts sort: the dates as unsigned 32-bit numbers.
std::vector<uint32_t> OrderByDate(const zeldrium::THitList& hits, bool descending);

// The text a column shows for a hit, by its number in the list (code page 932). It may be made
// in *scratch, and then stays valid until the next call with the same scratch.
using CellText = std::function<std::string_view(uint32_t hit, std::string* scratch)>;

// By the texts, as the locale compares them ignoring case.
std::vector<uint32_t> OrderByText(const zeldrium::THitList& hits, const CellText& text,
                                  bool descending);

}  // namespace ui

#endif  // ZELDRIUM_UI_ROW_ORDER_H_
