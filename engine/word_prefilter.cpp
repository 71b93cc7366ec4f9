#include "engine/word_prefilter.h"

#include <algorithm>
#include <string_view>

namespace zeldrium {
namespace {

bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Setting bit 5 of a byte compared with a letter lets it match in either case; no other byte
// becomes a letter by it.
unsigned FoldOf(bool fold, unsigned char c) { return fold && IsAsciiLetter(c) ? 0x20 : 0; }

// How common a byte is in index lines, roughly, as a rank (higher: more common): in mail
// addresses, message IDs, dates and hexadecimal numbers, English words, and the first bytes of
// kana and symbols in code page 932. A guess is enough: it only chooses which bytes to look
// for first. Letters count in lower case, as folded words are compared.
int ByteCommonness(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  // English letters from the least frequent on.
  constexpr std::string_view kLetters = "qzjxkvbpgywfmculdrhsnioate";
  if (const size_t at = kLetters.find(static_cast<char>(c)); at != std::string_view::npos) {
    return 10 + static_cast<int>(at);
  }
  if (c >= '0' && c <= '9') return 30;
  if (c == ' ' || c == '.' || c == '@' || c == '<' || c == '>' || c == '-') return 40;
  if (c >= 0x81 && c <= 0x83) return 40;  // symbols, hiragana, katakana
  if (c >= 0x80) return 20;
  return 5;  // other punctuation and control bytes
}

bool Searchable(const TFindOpt& opt, const std::string& word) {
  const bool from_to =
      opt.Target != kTargetFrom && opt.Target != kTargetTo && opt.Target != kTargetSubject;
  if (from_to && word.find(' ') != std::string::npos) return false;
  return opt.CaseSensitive || std::all_of(word.begin(), word.end(), [](char c) {
           return static_cast<unsigned char>(c) < 0x80;
         });
}

}  // namespace

// What a row holding needs: a group per word for comma-and (each must occur), else one group
// of its words (one must). Nothing where a word cannot be searched for, and for rows that never
// hold (no word, or an empty one with comma-and) or always (comma-and without words).
std::vector<std::vector<TWordPrefilter::Needle>> TWordPrefilter::RowNeeds(const TFindOpt& opt) {
  bool has_empty;
  std::vector<std::string> words = RowWords(opt, &has_empty);
  auto searchable = [&opt](const std::string& w) { return Searchable(opt, w); };
  const bool fold = !opt.CaseSensitive;
  auto needle = [fold](std::string& w) { return MakeNeedle(std::move(w), fold); };
  std::vector<std::vector<Needle>> groups;
  if (opt.CommaAnd) {
    if (has_empty) return groups;
    for (std::string& w : words) {
      if (searchable(w)) groups.push_back({needle(w)});
    }
  } else if (!words.empty() && std::all_of(words.begin(), words.end(), searchable)) {
    std::vector<Needle> any;
    for (std::string& w : words) any.push_back(needle(w));
    groups.push_back(std::move(any));
  }
  return groups;
}

TWordPrefilter::TWordPrefilter(const TFindRec& condition) {
  int or_rows = 0;
  for (const TFindOpt& opt : condition.Opts) {
    if (opt.Target != kTargetNone && opt.Logic == kLogicOr) ++or_rows;
  }
  // Every AND row must hold, and so must the OR row when it is the only one: every group of
  // theirs is needed. Of several OR rows one must hold: one group of them all, with a word of
  // each (for comma-and, its longest group stands for it), where the first of them stands.
  // Groups are in the order of the rows and words, as the user wrote the condition.
  std::vector<Needle> any_or;
  size_t any_or_at = 0;
  bool or_searchable = or_rows > 1;
  for (const TFindOpt& opt : condition.Opts) {
    if (opt.Target == kTargetNone) continue;
    if (opt.Logic == kLogicAnd || (opt.Logic == kLogicOr && or_rows == 1)) {
      for (auto& group : RowNeeds(opt)) groups_.push_back(std::move(group));
    } else if (opt.Logic == kLogicOr) {
      if (any_or.empty()) any_or_at = groups_.size();
      std::vector<std::vector<Needle>> needs = RowNeeds(opt);
      if (needs.empty()) {
        or_searchable = false;
        continue;
      }
      auto& longest = *std::max_element(needs.begin(), needs.end(), [](auto& a, auto& b) {
        return a.front().text.size() < b.front().text.size();
      });
      for (Needle& n : longest) any_or.push_back(std::move(n));
    }
  }
  if (or_searchable) groups_.insert(groups_.begin() + any_or_at, std::move(any_or));
  // The first group the marking pass can look for goes first: every group must hold, in any
  // order.
  const auto probed = std::find_if(groups_.begin(), groups_.end(), [](const auto& group) {
    return group.size() <= kMaxLineProbes;
  });
  if (probed != groups_.end()) {
    std::rotate(groups_.begin(), probed, probed + 1);
    for (const Needle& n : groups_[0]) probes_.push_back(n.probe);
  }
}

TWordPrefilter::Needle TWordPrefilter::MakeNeedle(std::string word, bool fold) {
  // Folded words are compared in lower case: bit 5 set on both sides.
  if (fold) {
    for (char& c : word) {
      if (IsAsciiLetter(static_cast<unsigned char>(c))) c = static_cast<char>(c | 0x20);
    }
  }
  // The two rarest bytes of the word, in the word's order.
  std::vector<size_t> at(word.size());
  for (size_t i = 0; i < at.size(); ++i) at[i] = i;
  std::stable_sort(at.begin(), at.end(), [&word](size_t a, size_t b) {
    return ByteCommonness(word[a]) < ByteCommonness(word[b]);
  });
  const size_t from = at.size() > 1 ? std::min(at[0], at[1]) : 0;
  const size_t to = at.size() > 1 ? std::max(at[0], at[1]) : 0;
  const auto first = static_cast<unsigned char>(word[from]);
  const auto last = static_cast<unsigned char>(word[to]);
  const LineProbe probe{first, last, static_cast<unsigned char>(FoldOf(fold, first)),
                        static_cast<unsigned char>(FoldOf(fold, last)), to - from};
  return Needle{std::move(word), fold, probe, from, nullptr};
}

void TWordPrefilter::Reset(const char* begin, const char* end, const LineMarks& marks) {
  begin_ = begin;
  end_ = end;
  probe_at_ = marks.probe_at.data();
  probe_count_ = probes_.empty() ? 0 : marks.probes;
  next_probe_ = 0;
  probed_next_ = nullptr;
  for (std::vector<Needle>& group : groups_) {
    for (Needle& n : group) n.next = nullptr;  // not looked for yet
  }
}

// Whether a word of every group from first on stands in the line.
bool TWordPrefilter::GroupsHold(size_t first, const char* line, const char* line_end) {
  for (size_t i = first; i < groups_.size(); ++i) {
    bool found = false;
    for (Needle& n : groups_[i]) {
      if (n.next == nullptr || n.next < line) n.next = Find(n, line);
      if (n.next < line_end) {
        found = true;
        break;
      }
    }
    // The groups after it are not looked for in this line: their search starts again at the
    // next line asked about, so that text between is never searched for them.
    if (!found) return false;
  }
  return true;
}

// Where a word of the first group occurs at or after from, found among the places the marking
// pass listed; end_ if nowhere. With two words the one found need not be the first to start,
// but it starts at or before its place, and places come in order: when a word stands in a line,
// what is found starts before that word's place, inside the line. (A word that runs past its
// line's end is taken all the same: the prefilter may let through more lines than the
// condition holds for, never fewer.)
const char* TWordPrefilter::NextProbedWord(const char* from) {
  for (; next_probe_ < probe_count_; ++next_probe_) {
    const size_t at = probe_at_[next_probe_];
    for (const Needle& word : groups_[0]) {
      if (at < word.probe_offset) continue;
      const char* start = begin_ + (at - word.probe_offset);
      if (start < from || static_cast<size_t>(end_ - start) < word.text.size()) continue;
      if (Matches(word, start)) return start;
    }
  }
  return end_;
}

bool TWordPrefilter::Matches(const Needle& needle, const char* p) {
  const std::string& text = needle.text;
  for (size_t j = 0; j < text.size(); ++j) {
    const auto w = static_cast<unsigned char>(text[j]);
    if ((static_cast<unsigned char>(p[j]) | FoldOf(needle.fold, w)) != w) return false;
  }
  return true;
}

// Where the needle occurs first at or after from, ending inside the window; end_ if nowhere.
const char* TWordPrefilter::Find(const Needle& needle, const char* from) const {
  const size_t size = needle.text.size();
  if (static_cast<size_t>(end_ - from) < size) return end_;
  for (const char* at = from + needle.probe_offset;; ++at) {
    at = FindProbe(at, end_, needle.probe);
    if (at == end_) return end_;
    const char* start = at - needle.probe_offset;
    if (static_cast<size_t>(end_ - start) < size) return end_;
    if (Matches(needle, start)) return start;
  }
}

}  // namespace zeldrium
