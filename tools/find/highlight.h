#ifndef ZELDRIUM_TOOLS_FIND_HIGHLIGHT_H_
#define ZELDRIUM_TOOLS_FIND_HIGHLIGHT_H_

// Where the words found stand in the texts of a hit, for --color: what the search window marks,
// the words of the condition's OR and AND rows that hold for the hit, where the matcher finds
// them (TFindMatcher::FindMarks).

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/hit_list.h"
#include "query/find_class.h"

namespace zeldrium::find {

enum class Column { kSubject, kFrom };

// [begin, end) byte ranges of a text, ascending and not overlapping.
using Ranges = TextRanges;

class WordHighlighter {
 public:
  explicit WordHighlighter(const TFindRec& condition) : matcher_(condition) {}

  // Whether Find needs the rows' To: a row over From and To may hold by what To holds.
  bool NeedsTo() const { return matcher_.MarksNeedTo(); }
  // Where the words found stand in the row's Subject or From as printed. A Subject printed as
  // "(無題)" stands for an empty one, in which nothing was found.
  Ranges Find(Column column, const THitRow& row) const;

 private:
  mutable TFindMatcher matcher_;  // keeps buffers of its own between lines
};

}  // namespace zeldrium::find

#endif  // ZELDRIUM_TOOLS_FIND_HIGHLIGHT_H_
