#include "query/line_filter.h"

#include <algorithm>
#include <bit>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
std::vector<std::vector<TLineFilter::Needle>> TLineFilter::RowNeeds(const TFindOpt& opt) {
  bool has_empty;
  std::vector<std::string> words = RowWords(opt, &has_empty);
  auto searchable = [&opt](const std::string& w) { return Searchable(opt, w); };
  const bool fold = !opt.CaseSensitive;
  auto needle = [fold](std::string& w) {
    // Folded words are compared in lower case: bit 5 set on both sides.
    if (fold) {
      for (char& c : w) {
        if (IsAsciiLetter(static_cast<unsigned char>(c))) c = static_cast<char>(c | 0x20);
      }
    }
    return Needle{std::move(w), fold, nullptr};
  };
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

TLineFilter::TLineFilter(const TFindRec& condition) {
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
  if (!groups_.empty() && groups_[0].size() == 1) {
    const Needle& only = groups_[0][0];
    // The two rarest bytes of the word, in the word's order.
    const std::string& text = only.text;
    std::vector<size_t> at(text.size());
    for (size_t i = 0; i < at.size(); ++i) at[i] = i;
    std::stable_sort(at.begin(), at.end(), [&text](size_t a, size_t b) {
      return ByteCommonness(text[a]) < ByteCommonness(text[b]);
    });
    const size_t from = at.size() > 1 ? std::min(at[0], at[1]) : 0;
    const size_t to = at.size() > 1 ? std::max(at[0], at[1]) : 0;
    const auto first = static_cast<unsigned char>(text[from]);
    const auto last = static_cast<unsigned char>(text[to]);
    probe_ = LineProbe{first, last, static_cast<unsigned char>(FoldOf(only.fold, first)),
                       static_cast<unsigned char>(FoldOf(only.fold, last)), to - from};
    probe_offset_ = from;
  }
}

void TLineFilter::Reset(const char* begin, const char* end) {
  end_ = end;
  for (std::vector<Needle>& group : groups_) {
    for (Needle& n : group) n.next = nullptr;  // not looked for yet
  }
}

bool TLineFilter::Holds(const char* line, const char* line_end, bool first_known) {
  for (size_t i = first_known ? 1 : 0; i < groups_.size(); ++i) {
    bool found = false;
    for (Needle& n : groups_[i]) {
      if (n.next == nullptr || n.next < line) n.next = Find(n, line, end_);
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

bool TLineFilter::Matches(const Needle& needle, const char* p) {
  const std::string& text = needle.text;
  for (size_t j = 0; j < text.size(); ++j) {
    const auto w = static_cast<unsigned char>(text[j]);
    if ((static_cast<unsigned char>(p[j]) | FoldOf(needle.fold, w)) != w) return false;
  }
  return true;
}

const char* TLineFilter::Find(const Needle& needle, const char* from, const char* end) {
  const std::string& text = needle.text;
  const size_t k = text.size();
  if (static_cast<size_t>(end - from) < k) return end;
  const auto first = static_cast<unsigned char>(text[0]);
  const auto last = static_cast<unsigned char>(text[k - 1]);
  const char* const stop = end - k;  // the last place a needle can start
  const char* p = from;
#if defined(__SSE2__)
  // Sixteen starts at a time: the first and the last byte of the needle both in place, then a
  // check of the whole needle where both are.
  const __m128i want_first = _mm_set1_epi8(static_cast<char>(first));
  const __m128i want_last = _mm_set1_epi8(static_cast<char>(last));
  const __m128i fold_first = _mm_set1_epi8(static_cast<char>(FoldOf(needle.fold, first)));
  const __m128i fold_last = _mm_set1_epi8(static_cast<char>(FoldOf(needle.fold, last)));
  for (; stop - p >= 15; p += 16) {
    const __m128i a =
        _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), fold_first);
    const __m128i b =
        _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k - 1)), fold_last);
    unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_and_si128(_mm_cmpeq_epi8(a, want_first), _mm_cmpeq_epi8(b, want_last))));
    while (bits != 0) {
      const char* at = p + std::countr_zero(bits);
      if (Matches(needle, at)) return at;
      bits &= bits - 1;
    }
  }
#endif
  for (; p <= stop; ++p) {
    if (Matches(needle, p)) return p;
  }
  return end;
}

}  // namespace zeldrium
