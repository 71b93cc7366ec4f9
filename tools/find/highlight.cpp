#include "highlight.h"

#include <algorithm>

#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium::find {

WordHighlighter::WordHighlighter(const TFindRec& condition) {
  for (const TFindOpt& opt : condition.Opts) {
    if (opt.Target == kTargetNone || opt.Target == kTargetTo) continue;
    if (opt.Logic != kLogicOr && opt.Logic != kLogicAnd) continue;
    bool has_empty = false;
    std::vector<std::string> words = RowWords(opt, &has_empty);
    if (words.empty()) continue;
    rows_.push_back({opt.Target == kTargetSubject ? Column::kSubject : Column::kFrom,
                     !opt.CaseSensitive, std::move(words)});
  }
}

Ranges WordHighlighter::Find(Column column, std::string_view text) const {
  Ranges found;
  std::string upper;
  // Where each character starts: a word found elsewhere would begin inside one.
  std::vector<bool> starts(text.size() + 1, false);
  for (size_t i = 0; i < text.size();
       i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1) {
    starts[i] = true;
  }
  for (const Words& row : rows_) {
    if (row.column != column) continue;
    std::string_view haystack = text;
    if (row.upper) {
      if (upper.empty()) upper = UpperCase(text);  // the same length, so positions hold
      haystack = upper;
    }
    for (const std::string& word : row.words) {
      for (size_t at = haystack.find(word); at != std::string_view::npos;
           at = haystack.find(word, at + 1)) {
        if (starts[at]) found.emplace_back(at, at + word.size());
      }
    }
  }
  std::sort(found.begin(), found.end());
  Ranges merged;
  for (const auto& r : found) {
    if (!merged.empty() && r.first <= merged.back().second) {
      merged.back().second = std::max(merged.back().second, r.second);
    } else {
      merged.push_back(r);
    }
  }
  return merged;
}

}  // namespace zeldrium::find
