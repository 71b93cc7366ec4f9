#ifndef ZELDRIUM_ENGINE_WORD_PREFILTER_H_
#define ZELDRIUM_ENGINE_WORD_PREFILTER_H_

// Which lines of an index window are worth splitting into fields and testing. Most conditions
// can only hold on a line where one of a few of their words occurs somewhere in the line's
// bytes; a vector search over the window finds those words, and every other line needs no more
// than its date (which each line must still yield, and which the date limit may want).
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
//
// A word is looked for by two of its bytes, those least likely to stand in an index line, so
// that few places are found where the word does not stand. When the first group is a single
// word, the marking pass of the window lists the places of its two bytes (MarkLineBytes with
// Probe()), which costs less than a search of its own.

#include <cstddef>
#include <string>
#include <vector>

#include "query/find_class.h"
#include "store/line_masks.h"

namespace zeldrium {

class TWordPrefilter {
 public:
  explicit TWordPrefilter(const TFindRec& condition);

  // False when every line has to be tested.
  bool Active() const { return !groups_.empty(); }

  // The bytes whose places the marking pass of a window is to list, or null.
  const LineProbe* Probe() const { return probing_ ? &groups_[0][0].probe : nullptr; }

  // Starts on the window [begin, end), marked with Probe().
  void Reset(const char* begin, const char* end, const LineMarks& marks);

  // False when the condition cannot hold for the line [line, line_end): a word it needs stands
  // nowhere in the line. REQUIRES: Active(); lines asked in increasing order, inside the window.
  bool MayHold(const char* line, const char* line_end) {
    if (!probing_) return GroupsHold(0, line, line_end);
    // Where the probed word occurs next is kept from line to line: most lines hold none, and
    // then cost one comparison, here.
    Needle& word = groups_[0][0];
    if (word.next == nullptr || word.next < line) word.next = NextProbedWord(line);
    if (word.next >= line_end) return false;
    return groups_.size() == 1 || GroupsHold(1, line, line_end);
  }

 private:
  struct Needle {
    std::string text;     // ASCII letters lower-cased where fold is set
    bool fold;            // ASCII letters match in either case
    LineProbe probe;      // two of its bytes
    size_t probe_offset;  // where the probe's first byte stands in the word
    const char* next;     // where it occurs next in the window, at or after the last line asked
  };

  static std::vector<std::vector<Needle>> RowNeeds(const TFindOpt& opt);
  static Needle MakeNeedle(std::string word, bool fold);
  static bool Matches(const Needle& needle, const char* p);
  const char* Find(const Needle& needle, const char* from) const;
  const char* NextProbedWord(const char* from);
  bool GroupsHold(size_t first, const char* line, const char* line_end);

  std::vector<std::vector<Needle>> groups_;
  bool probing_ = false;  // the first group is one word, found through the marking pass
  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  // With probing_: the places the marking pass listed, and the next one not yet looked at.
  const uint32_t* probe_at_ = nullptr;
  size_t probes_ = 0;
  size_t next_probe_ = 0;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_ENGINE_WORD_PREFILTER_H_
