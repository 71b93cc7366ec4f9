#include "query/find_class.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "text/str_csv.h"
#include "text/str_libs.h"
#include "text/str_upper.h"
#include "text/text_compare.h"

namespace zeldrium {

namespace {

// Quoted and followed by a comma even when nothing needs quoting, so that every entry reads back
// as exactly one item, the empty text included.
void AppendQuotedItem(std::string_view text, std::string* out) {
  // A comma-list reader stops at 0x00; cutting there keeps one item per entry.
  text = text.substr(0, text.find('\0'));
  out->push_back('"');
  for (char c : text) {
    if (c == '"') out->push_back('"');
    out->push_back(c);
  }
  out->append("\",");
}

// Where the character that starts at i ends; past the text for a lead byte at its end.
size_t NextCharacter(std::string_view text, size_t i) {
  return i + (IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1);
}

}  // namespace

std::string RecToCsv(const TFindRec& rec) {
  TStringCSV csv;
  csv.Add(rec.Name);
  csv.AddBool(rec.SubFolder);
  csv.Add(rec.Folders);
  for (const TFindOpt& opt : rec.Opts) {
    csv.AddInt(opt.Logic);
    csv.AddInt(opt.Target);
    csv.AddBool(opt.CaseSensitive);
    csv.AddBool(opt.CommaAnd);
    csv.Add(opt.Keyword);
  }
  return csv.GetText();
}

bool CsvToRec(std::string_view text, TFindRec* rec) {
  TStringCSV csv(text);
  TFindRec parsed;
  parsed.Name = csv.GetField(0);
  parsed.SubFolder = csv.GetBool(1);
  parsed.Folders = csv.GetField(2);
  int used_rows = 0;
  for (int r = 0; r < kFindRows; ++r) {
    TFindOpt& opt = parsed.Opts[r];
    const int base = 3 + 5 * r;
    opt.Logic = csv.GetInt(base);
    opt.Target = csv.GetInt(base + 1);
    opt.CaseSensitive = csv.GetBool(base + 2);
    opt.CommaAnd = csv.GetBool(base + 3);
    opt.Keyword = csv.GetField(base + 4);
    if (opt.Target >= 0) ++used_rows;
  }
  if (used_rows == 0 || parsed.Name.empty()) return false;
  *rec = std::move(parsed);
  return true;
}

// ---------------------------------------------------------------------------------------------
// TFindMatcher

std::vector<std::string> RowWords(const TFindOpt& opt, bool* has_empty) {
  *has_empty = false;
  std::vector<std::string> words;
  for (std::string& word :
       ReadCommaList(opt.CaseSensitive ? opt.Keyword : UpperCase(opt.Keyword))) {
    if (word.empty()) {
      *has_empty = true;
    } else {
      words.push_back(std::move(word));
    }
  }
  return words;
}

TFindMatcher::TFindMatcher(const TFindRec& rec) {
  for (const TFindOpt& opt : rec.Opts) {
    if (opt.Target == kTargetNone) continue;
    // A row of an unknown logic cannot change the result, so it is not worth testing.
    if (opt.Logic != kLogicOr && opt.Logic != kLogicAnd && opt.Logic != kLogicNot) continue;
    Row row;
    row.logic = opt.Logic;
    switch (opt.Target) {
      case kTargetFrom:
        row.field = kFrom;
        break;
      case kTargetTo:
        row.field = kTo;
        break;
      case kTargetSubject:
        row.field = kSubject;
        break;
      default:
        row.field = kFromTo;
        break;
    }
    row.upper = !opt.CaseSensitive;
    row.comma_and = opt.CommaAnd;
    row.words = RowWords(opt, &row.has_empty_word);
    if (row.logic == kLogicOr) has_or_ = true;
    rows_.push_back(std::move(row));
  }
}

// Candidates come from a plain byte search; the boundary walk runs only for them and resumes
// where it stopped, so a text is walked at most once per word.
size_t FindWord(std::string_view text, std::string_view word, bool fold_case, size_t from) {
  // Folding is done on the fly: no upper-cased copy of the text is made.
  if (fold_case) return FindUpperCased(text, word, from);
  // string_view::find is a memchr for the first byte and a compare: on texts as short as header
  // fields it measured faster than a Horspool search prepared per word.
  size_t boundary = from;
  size_t cand = text.find(word, from);
  while (cand != std::string_view::npos) {
    while (boundary < cand) {
      boundary += IsLeadByte(static_cast<unsigned char>(text[boundary])) ? 2 : 1;
    }
    if (boundary == cand) return cand;
    cand = text.find(word, cand + 1);
  }
  return std::string_view::npos;
}

std::string_view TFindMatcher::FieldText(Field field) {
  switch (field) {
    case kFrom:
      return line_->From;
    case kTo:
      return line_->To;
    case kSubject:
      return line_->Subject;
    default:
      break;
  }
  if (!from_to_ready_) {
    from_to_.assign(line_->From);
    from_to_.push_back(' ');
    from_to_.append(line_->To);
    from_to_ready_ = true;
  }
  return from_to_;
}

bool TFindMatcher::RowHolds(const Row& row) {
  if (row.comma_and) {
    if (row.has_empty_word) return false;
    if (row.words.empty()) return true;
    const std::string_view text = FieldText(row.field);
    for (const std::string& w : row.words) {
      if (FindWord(text, w, row.upper) == std::string_view::npos) return false;
    }
    return true;
  }
  if (row.words.empty()) return false;
  const std::string_view text = FieldText(row.field);
  for (const std::string& w : row.words) {
    if (FindWord(text, w, row.upper) != std::string_view::npos) return true;
  }
  return false;
}

bool TFindMatcher::Matches(const TFolderIdx& line) {
  StartLine(line);
  bool any_or = false;
  bool result = true;
  for (const Row& row : rows_) {
    if (row.logic == kLogicOr) {
      if (!any_or && RowHolds(row)) any_or = true;
    } else if (RowHolds(row) != (row.logic == kLogicAnd)) {
      result = false;
      break;
    }
  }
  line_ = nullptr;
  return result && (any_or || !has_or_);
}

void TFindMatcher::FindMarks(const TFolderIdx& line, ShownField shown, TextRanges* marks) {
  marks->clear();
  const std::string_view text = shown == ShownField::kSubject ? line.Subject : line.From;
  StartLine(line);
  for (const Row& row : rows_) {
    if (row.logic == kLogicNot) continue;
    const bool tests_it = shown == ShownField::kSubject
                              ? row.field == kSubject
                              : row.field == kFrom || row.field == kFromTo;
    if (!tests_it || !RowHolds(row)) continue;
    // From + " " + To has From's places: what starts beyond From stands in To.
    const std::string_view field = FieldText(row.field);
    for (const std::string& w : row.words) {
      for (size_t at = FindWord(field, w, row.upper); at < text.size();
           at = FindWord(field, w, row.upper, std::min(NextCharacter(field, at), field.size()))) {
        marks->emplace_back(at, std::min(at + w.size(), text.size()));
      }
    }
  }
  line_ = nullptr;
  std::sort(marks->begin(), marks->end());
  // A word may end with a lead byte, whose character is then marked whole.
  size_t merged = 0;
  for (auto [begin, end] : *marks) {
    size_t whole = begin;
    while (whole < end) whole = NextCharacter(text, whole);
    end = std::min(whole, text.size());
    if (merged > 0 && begin <= (*marks)[merged - 1].second) {
      (*marks)[merged - 1].second = std::max((*marks)[merged - 1].second, end);
    } else {
      (*marks)[merged++] = {begin, end};
    }
  }
  marks->resize(merged);
}

bool TFindMatcher::MarksNeedTo() const {
  return std::any_of(rows_.begin(), rows_.end(),
                     [](const Row& row) { return row.logic != kLogicNot && row.field == kFromTo; });
}

// ---------------------------------------------------------------------------------------------
// TFindClass

TFindClass::TFindClass(const TFindClass& other) { *this = other; }

TFindClass& TFindClass::operator=(const TFindClass& other) {
  if (this == &other) return *this;
  std::vector<std::unique_ptr<TFindRec>> copy;
  copy.reserve(other.recs_.size());
  for (const auto& rec : other.recs_) copy.push_back(std::make_unique<TFindRec>(*rec));
  recs_ = std::move(copy);
  return *this;
}

void TFindClass::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) {
    throw std::out_of_range("condition index " + std::to_string(index) + " out of range (count " +
                            std::to_string(Count()) + ")");
  }
}

TFindRec& TFindClass::GetRec(int index) {
  CheckIndex(index);
  return *recs_[index];
}

const TFindRec& TFindClass::GetRec(int index) const {
  CheckIndex(index);
  return *recs_[index];
}

void TFindClass::DeleteRec(int index) {
  CheckIndex(index);
  recs_.erase(recs_.begin() + index);
}

void TFindClass::ClearAll() { recs_.clear(); }

int TFindClass::IndexOfName(std::string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    if (recs_[i]->Name == name) return i;
  }
  return -1;
}

std::string TFindClass::GetNames() const {
  std::string out;
  for (const auto& rec : recs_) AppendQuotedItem(rec->Name, &out);
  return out;
}

std::string TFindClass::GetKeywords(int mode) const {
  std::string out;
  for (const auto& rec : recs_) {
    for (const TFindOpt& opt : rec->Opts) {
      const bool listed = mode == 0 ? (opt.Target == kTargetFrom || opt.Target == kTargetTo)
                                    : opt.Target == kTargetSubject;
      if (listed) AppendQuotedItem(opt.Keyword, &out);
    }
  }
  return out;
}

TFindRec QuickSearchRec(int32_t target, std::string_view text, bool subfolder, bool case_sensitive,
                        bool comma_and) {
  TFindRec rec;
  if (target == kTargetFrom || target == kTargetTo) {
    // The local part of an address names the tab; a text without one is its own name.
    rec.Name = TextBetween(text, "", "@");
    if (rec.Name.empty()) rec.Name = std::string(text);
  } else {
    rec.Name = TrimToWidth(text, 8);
  }
  rec.Opts[0].Target = target;
  rec.Opts[0].CaseSensitive = case_sensitive;
  rec.Opts[0].CommaAnd = comma_and;
  rec.Opts[0].Keyword = std::string(text);
  rec.SubFolder = subfolder;
  return rec;
}

bool SameSearch(const TFindRec& a, const TFindRec& b) {
  TFindRec unnamed = a;
  unnamed.Name = b.Name;
  return RecToCsv(unnamed) == RecToCsv(b);
}

void TFindClass::AddQuickSearch(int32_t target, std::string_view text, bool subfolder,
                                bool case_sensitive, bool comma_and) {
  TFindRec made = QuickSearchRec(target, text, subfolder, case_sensitive, comma_and);
  const int found = IndexOfName(made.Name);
  if (found < 0) {
    recs_.insert(recs_.begin(), std::make_unique<TFindRec>());
  } else {
    MoveRec(found, 0);
  }
  // Reset in place: a reused record keeps its address for anyone holding it.
  *recs_[0] = std::move(made);
}

bool TFindClass::Match(int index, const TFolderIdx& line) const {
  TFindMatcher matcher(GetRec(index));
  return matcher.Matches(line);
}

std::string TFindClass::RecToCsv(int index) const { return zeldrium::RecToCsv(GetRec(index)); }

bool TFindClass::CsvToRec(int index, std::string_view text) {
  TFindRec rec;
  if (!zeldrium::CsvToRec(text, &rec)) return false;
  if (index < 0) {
    recs_.insert(recs_.begin(), std::make_unique<TFindRec>(std::move(rec)));
  } else if (index >= Count()) {
    recs_.push_back(std::make_unique<TFindRec>(std::move(rec)));
  } else {
    *recs_[index] = std::move(rec);
  }
  return true;
}

void TFindClass::SortByName() {
  if (Count() > 1) QuickSort(0, Count() - 1);
}

// The classic Hoare quicksort with the middle record as pivot; the order of equal names follows
// from it, so it is kept rather than replaced by std::sort. The pivot is held by address because
// exchanges move it around the range.
void TFindClass::QuickSort(int l, int r) {
  while (l < r) {
    const TFindRec* pivot = recs_[l + (r - l) / 2].get();
    int i = l;
    int j = r;
    do {
      // The bounds only matter for a comparison that is not a consistent order.
      while (i < r && CompareTextIgnoreCase(recs_[i]->Name, pivot->Name) < 0) ++i;
      while (j > l && CompareTextIgnoreCase(recs_[j]->Name, pivot->Name) > 0) --j;
      if (i <= j) {
        std::swap(recs_[i], recs_[j]);
        ++i;
        --j;
      }
    } while (i <= j);
    // The smaller side recurses, the larger loops: the depth stays logarithmic. The two sides
    // are disjoint, so the order in which they are sorted does not change the result.
    if (j - l < r - i) {
      if (l < j) QuickSort(l, j);
      l = i;
    } else {
      if (i < r) QuickSort(i, r);
      r = j;
    }
  }
}

void TFindClass::MoveRec(int from, int to) {
  CheckIndex(from);
  CheckIndex(to);
  auto begin = recs_.begin();
  if (from < to) {
    std::rotate(begin + from, begin + from + 1, begin + to + 1);
  } else if (from > to) {
    std::rotate(begin + to, begin + from, begin + from + 1);
  }
}

}  // namespace zeldrium
