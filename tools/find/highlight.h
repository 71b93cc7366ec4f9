#ifndef ZELDRIUM_TOOLS_FIND_HIGHLIGHT_H_
#define ZELDRIUM_TOOLS_FIND_HIGHLIGHT_H_

// Where the words of a condition stand in the texts of a hit, for --color: the words of its OR
// and AND rows (a NOT row's words are what a hit does not hold), found as the matcher finds
// them, ignoring case unless the row keeps it, and only where a character starts.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "query/find_class.h"

namespace zeldrium::find {

enum class Column { kSubject, kFrom };

// [begin, end) byte ranges of a text, ascending and not overlapping.
using Ranges = std::vector<std::pair<size_t, size_t>>;

class WordHighlighter {
 public:
  explicit WordHighlighter(const TFindRec& condition);

  // Where the words of the rows that test column stand in text (code page 932). From counts
  // for rows of From and of From and To; To is not shown, so its rows mark nothing.
  Ranges Find(Column column, std::string_view text) const;

 private:
  struct Words {
    Column column;
    bool upper;
    std::vector<std::string> words;
  };
  std::vector<Words> rows_;
};

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_HIGHLIGHT_H_
