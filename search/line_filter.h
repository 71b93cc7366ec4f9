#ifndef ZELDRIUM_SEARCH_LINE_FILTER_H_
#define ZELDRIUM_SEARCH_LINE_FILTER_H_

// Which lines of an index window are worth splitting into fields and testing. Most conditions
// can only hold on a line where one of a few of their words occurs somewhere in the line's
// bytes; one vector search over the window finds those words, and every other line needs no
// more than its date (which each line must still yield, and which the date limit may want).
//
// A word stands for its row only when an occurrence in the tested text is sure to be one in the
// raw line: any word of a row that keeps case; of a row that ignores case, a word of ASCII
// bytes only (upper-casing changes no other single byte, and a double-byte character never
// becomes single bytes); never a word with a blank of a From+To row, which may span the blank
// put between From and To. The condition needs a word of one of these sets:
// - with AND rows, those of one AND row (all its words if it needs any one; with comma-and,
//   the longest one, as it must occur anyway);
// - else, with OR rows, those of all OR rows together, as one of them must hold;
// NOT rows never require anything. Where no such set can be formed, every line is tested.

#include <cstddef>
#include <string>
#include <vector>

#include "search/find_class.h"
#include "search/line_masks.h"

namespace zeldrium {

class TLineFilter {
 public:
  explicit TLineFilter(const TFindRec& condition);

  // False when every line has to be tested.
  bool Active() const { return !needles_.empty(); }

  // Starts on a window of data; lines are then asked about in order.
  void Reset(const char* begin, const char* end);

  // True when a word starts in [line, line_end). REQUIRES: lines asked in increasing order,
  // inside the window.
  bool Holds(const char* line, const char* line_end);

  // With a single word, it can instead be looked for while the window is marked
  // (MarkLineBytes), which costs less than a search of its own; the places found there are
  // then checked with OccursAt. Null with several words.
  const LineProbe* Probe() const { return needles_.size() == 1 ? &probe_ : nullptr; }
  // True when the single word occurs at p and ends by end.
  bool OccursAt(const char* p, const char* end) const {
    return static_cast<size_t>(end - p) >= needles_[0].text.size() && Matches(needles_[0], p);
  }

 private:
  struct Needle {
    std::string text;  // lower-cased where fold is set
    bool fold;         // ASCII letters match in either case
    const char* next;  // where it occurs next in the window, at or after the last line asked
  };

  static bool Matches(const Needle& needle, const char* p);
  static const char* Find(const Needle& needle, const char* from, const char* end);

  std::vector<Needle> needles_;
  LineProbe probe_{};
  const char* end_ = nullptr;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_SEARCH_LINE_FILTER_H_
