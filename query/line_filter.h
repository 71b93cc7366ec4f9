#ifndef ZELDRIUM_QUERY_LINE_FILTER_H_
#define ZELDRIUM_QUERY_LINE_FILTER_H_

// Which lines of an index window are worth splitting into fields and testing. Most conditions
// can only hold on a line where one of a few of their words occurs somewhere in the line's
// bytes; one vector search over the window finds those words, and every other line needs no
// more than its date (which each line must still yield, and which the date limit may want).
//
// A word stands for its row only when an occurrence in the tested text is sure to be one in the
// raw line: any word of a row that keeps case; of a row that ignores case, a word of ASCII
// bytes only (upper-casing changes no other single byte, and a double-byte character never
// becomes single bytes); never a word with a blank of a From+To row, which may span the blank
// put between From and To. A line must then hold a word of each of these groups:
// - for every AND row, and for the OR row when there is only one, its words (one of them), or
//   with comma-and each of its words;
// - with several OR rows, the words of all of them together, as one must hold (a comma-and row
//   adds its longest word, which must occur where the row holds), unless one has no word to
//   stand for it.
// NOT rows never require anything. Without any group every line is tested. Groups are looked
// for in order, each only in lines that hold the ones before.

#include <cstddef>
#include <string>
#include <vector>

#include "query/find_class.h"
#include "engine/line_masks.h"

namespace zeldrium {

class TLineFilter {
 public:
  explicit TLineFilter(const TFindRec& condition);

  // False when every line has to be tested.
  bool Active() const { return !groups_.empty(); }

  // Starts on a window of data; lines are then asked about in order.
  void Reset(const char* begin, const char* end);

  // True when a word of every group starts in [line, line_end); with first_known, of every
  // group but the first (found through Probe). REQUIRES: lines asked in increasing order,
  // inside the window.
  bool Holds(const char* line, const char* line_end, bool first_known = false);

  // When the first group is a single word, it can instead be looked for while the window is
  // marked (MarkLineBytes), which costs less than a search of its own; the places found there,
  // less ProbeOffset, are then checked with OccursAt. Null otherwise. The probe compares two of
  // the word's bytes, those least likely to stand in an index line, so that few places are
  // found where the word does not stand.
  const LineProbe* Probe() const {
    return !groups_.empty() && groups_[0].size() == 1 ? &probe_ : nullptr;
  }
  // Where in the word the probe's first byte stands.
  size_t ProbeOffset() const { return probe_offset_; }
  // True when the first group's word occurs at p and ends by end.
  bool OccursAt(const char* p, const char* end) const {
    const Needle& only = groups_[0][0];
    return static_cast<size_t>(end - p) >= only.text.size() && Matches(only, p);
  }

 private:
  struct Needle {
    std::string text;  // ASCII letters lower-cased where fold is set
    bool fold;         // ASCII letters match in either case
    const char* next;  // where it occurs next in the window, at or after the last line asked
  };

  static std::vector<std::vector<Needle>> RowNeeds(const TFindOpt& opt);
  static bool Matches(const Needle& needle, const char* p);
  static const char* Find(const Needle& needle, const char* from, const char* end);

  std::vector<std::vector<Needle>> groups_;
  LineProbe probe_{};
  size_t probe_offset_ = 0;
  const char* end_ = nullptr;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_QUERY_LINE_FILTER_H_
