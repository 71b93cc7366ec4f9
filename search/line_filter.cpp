#include "search/line_filter.h"

#include <algorithm>
#include <bit>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zeldrium {
namespace {

bool IsAsciiLetter(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Setting bit 5 of a byte compared with a letter lets it match in either case; no other byte
// becomes a letter by it.
unsigned FoldOf(bool fold, unsigned char c) { return fold && IsAsciiLetter(c) ? 0x20 : 0; }

// What a row needs: nullopt when it needs nothing that can be searched for, else a set of
// needles one of which must occur (empty when the row can never hold).
struct Needles {
  std::vector<std::string> texts;
  bool fold;
};

std::optional<Needles> RowNeedles(const TFindOpt& opt) {
  bool has_empty;
  std::vector<std::string> words = RowWords(opt, &has_empty);
  const bool from_to =
      opt.Target != kTargetFrom && opt.Target != kTargetTo && opt.Target != kTargetSubject;
  const bool fold = !opt.CaseSensitive;
  auto searchable = [&](const std::string& w) {
    if (from_to && w.find(' ') != std::string::npos) return false;
    return !fold || std::all_of(w.begin(), w.end(),
                                [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  };
  if (opt.CommaAnd) {
    // Every word must occur: the longest searchable one is the rarest guess.
    if (has_empty || words.empty()) return std::nullopt;  // never holds, or always
    const std::string* best = nullptr;
    for (const std::string& w : words) {
      if (searchable(w) && (best == nullptr || w.size() > best->size())) best = &w;
    }
    if (best == nullptr) return std::nullopt;
    return Needles{{*best}, fold};
  }
  if (!std::all_of(words.begin(), words.end(), searchable)) return std::nullopt;
  return Needles{std::move(words), fold};
}

}  // namespace

TLineFilter::TLineFilter(const TFindRec& condition) {
  std::optional<Needles> and_row;
  std::vector<Needles> or_rows;
  bool or_unsearchable = false;
  for (const TFindOpt& opt : condition.Opts) {
    if (opt.Target == kTargetNone) continue;
    if (opt.Logic == kLogicAnd && !and_row) {
      and_row = RowNeedles(opt);
    } else if (opt.Logic == kLogicOr) {
      std::optional<Needles> n = RowNeedles(opt);
      if (n) {
        or_rows.push_back(std::move(*n));
      } else {
        or_unsearchable = true;
      }
    }
  }
  std::vector<Needles> chosen;
  if (and_row) {
    chosen.push_back(std::move(*and_row));
  } else if (!or_unsearchable) {
    chosen = std::move(or_rows);
  }
  for (Needles& n : chosen) {
    for (std::string& text : n.texts) {
      if (n.fold) {
        for (char& c : text) {
          if (IsAsciiLetter(static_cast<unsigned char>(c))) c = static_cast<char>(c | 0x20);
        }
      }
      needles_.push_back(Needle{std::move(text), n.fold, nullptr});
    }
  }
  if (needles_.size() == 1) {
    const Needle& only = needles_[0];
    const auto first = static_cast<unsigned char>(only.text.front());
    const auto last = static_cast<unsigned char>(only.text.back());
    probe_ = LineProbe{first, last, static_cast<unsigned char>(FoldOf(only.fold, first)),
                       static_cast<unsigned char>(FoldOf(only.fold, last)), only.text.size() - 1};
  }
}

void TLineFilter::Reset(const char* begin, const char* end) {
  end_ = end;
  for (Needle& n : needles_) n.next = nullptr;  // not looked for yet
}

bool TLineFilter::Holds(const char* line, const char* line_end) {
  for (Needle& n : needles_) {
    if (n.next == nullptr || n.next < line) n.next = Find(n, line, end_);
    if (n.next < line_end) return true;
  }
  return false;
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
