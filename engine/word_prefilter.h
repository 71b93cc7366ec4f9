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
// that few places are found where the word does not stand. The first group of at most
// kMaxLineProbes words is looked for first, and the marking pass of the window lists the places
// of its words' two bytes (MarkLineBytes with Probes()), which costs less than a search of its
// own.

#include <cstddef>
#include <span>
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

  // The bytes whose places the marking pass of a window is to list; empty for none.
  std::span<const LineProbe> Probes() const { return probes_; }

  // Starts on the window [begin, end), marked with Probes().
  void Reset(const char* begin, const char* end, const LineMarks& marks);

  // False when the condition cannot hold for the line [line, line_end): a word it needs stands
  // nowhere in the line. REQUIRES: Active(); lines asked in increasing order, inside the window.
  bool MayHold(const char* line, const char* line_end) {
    if (probes_.empty()) return GroupsHold(0, line, line_end);
    // Where a probed word occurs next is kept from line to line: most lines hold none, and
    // then cost one comparison, here.
    if (probed_next_ == nullptr || probed_next_ < line) probed_next_ = NextProbedWord(line);
    if (probed_next_ >= line_end) return false;
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
  // The probes of the first group's words, when it is found through the marking pass.
  std::vector<LineProbe> probes_;
  const char* begin_ = nullptr;
  const char* end_ = nullptr;
  // With probes_: the places the marking pass listed, the next one not yet looked at, and where
  // a word of the first group occurs next, at or after the last line asked.
  const uint32_t* probe_at_ = nullptr;
  size_t probe_count_ = 0;
  size_t next_probe_ = 0;
  const char* probed_next_ = nullptr;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_ENGINE_WORD_PREFILTER_H_
