#ifndef ZELDRIUM_QUERY_FIND_CLASS_H_
#define ZELDRIUM_QUERY_FIND_CLASS_H_

// Search conditions: one condition per tab of the search window, each of up to five rows that
// test one header field of an index line for words, combined with OR, AND and NOT.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/folder_idx.h"

namespace zeldrium {

enum : int32_t { kLogicOr = 0, kLogicAnd = 1, kLogicNot = 2 };
// Any Target other than these (and kTargetNone) tests From + " " + To, like kTargetFromTo.
enum : int32_t {
  kTargetNone = -1,
  kTargetFrom = 0,
  kTargetTo = 1,
  kTargetSubject = 2,
  kTargetFromTo = 3
};

inline constexpr int kFindRows = 5;
// Fields of the CSV form of a condition: Name, SubFolder, Folders, then five per row.
inline constexpr int kFindCsvFields = 3 + 5 * kFindRows;

// One row of a condition. Logic values other than the three above make the row count for
// nothing.
struct TFindOpt {
  int32_t Logic = kLogicOr;
  int32_t Target = kTargetNone;
  bool CaseSensitive = false;
  bool CommaAnd = false;  // every word must occur, not just one
  std::string Keyword;    // a comma list of words
};

struct TFindRec {
  std::string Name;
  std::array<TFindOpt, kFindRows> Opts;
  bool SubFolder = false;
  std::string Folders;  // a comma list of folder IDs; empty for a quick search
};

// The 28-field comma-list form stored in the settings file.
std::string RecToCsv(const TFindRec& rec);
// Returns false, leaving *rec untouched, for a text without a name or without a row whose
// Target is 0 or more (this includes the empty text). Missing fields read as "", false or 0.
bool CsvToRec(std::string_view text, TFindRec* rec);

// The one-row condition a quick search of text makes, named as its tab is.
TFindRec QuickSearchRec(int32_t target, std::string_view text, bool subfolder, bool case_sensitive,
                        bool comma_and);
// Whether two conditions search the same (their rows, folders and subfolder option; not their
// names).
bool SameSearch(const TFindRec& a, const TFindRec& b);

// The words a row looks for, as they are compared: upper-cased unless the row keeps case.
// Empty words are left out; *has_empty says whether there was one.
std::vector<std::string> RowWords(const TFindOpt& opt, bool* has_empty);

// Where word stands in text as the search sees it: the first place at or after from where it
// starts a character of text (a word's bytes may also appear from the second byte of a
// double-byte character), comparing with UpperCase(text) when fold_case, word being upper-cased
// already (RowWords); npos when nowhere. The matcher decides with it whether a word occurs, and
// the words found are marked where it finds them (TFindMatcher::FindMarks).
// REQUIRES: word is not empty; from is a character boundary of text, or its end.
size_t FindWord(std::string_view text, std::string_view word, bool fold_case, size_t from = 0);

// [begin, end) byte ranges of a text, ascending and apart.
using TextRanges = std::vector<std::pair<size_t, size_t>>;

// The header texts a hit shows, and so the ones its words are marked in.
enum class ShownField { kSubject, kFrom };

// A condition prepared for testing many lines. It is a snapshot: it keeps its own copy of the
// words, so the record may be edited or deleted while a search run still uses the matcher.
// Matches() allocates nothing once its buffers have grown to the longest line seen.
// Not thread-safe: one matcher per run.
class TFindMatcher {
 public:
  explicit TFindMatcher(const TFindRec& rec);

  bool Matches(const TFolderIdx& line);

  // Where the words that make line's rows hold stand in its Subject or From: every place of
  // every word of each OR and AND row that holds for line. A NOT row holds by what is absent, a
  // row over To marks nothing shown, and one over From and To marks what stands in From. The
  // ranges begin and end at character boundaries; places side by side or overlapping make one.
  void FindMarks(const TFolderIdx& line, ShownField field, TextRanges* marks);
  // Whether FindMarks needs the line's To: a row over From and To may hold by what To holds.
  bool MarksNeedTo() const;

 private:
  // The four texts a row can test.
  enum Field : int { kFrom, kTo, kSubject, kFromTo };

  struct Row {
    int32_t logic;
    Field field;
    bool upper;
    bool comma_and;
    bool has_empty_word;             // an empty word never occurs
    std::vector<std::string> words;  // upper-cased unless the row keeps case
  };

  bool RowHolds(const Row& row);
  void StartLine(const TFolderIdx& line) {
    line_ = &line;
    from_to_ready_ = false;
  }
  std::string_view FieldText(Field field);

  std::vector<Row> rows_;
  bool has_or_ = false;

  // Per line: From + " " + To is built once, when a row first asks for it.
  const TFolderIdx* line_ = nullptr;
  bool from_to_ready_ = false;
  std::string from_to_;
};

// The ordered list of conditions; list order is tab order. Records are owned by the list and
// keep their address until they are deleted, so a reference from GetRec survives insertions and
// moves.
class TFindClass {
 public:
  TFindClass() = default;
  TFindClass(const TFindClass& other);
  TFindClass& operator=(const TFindClass& other);
  TFindClass(TFindClass&&) noexcept = default;
  TFindClass& operator=(TFindClass&&) noexcept = default;

  int Count() const { return static_cast<int>(recs_.size()); }
  // Throws std::out_of_range outside the list, as do the other operations taking an index
  // unless stated otherwise.
  TFindRec& GetRec(int index);
  const TFindRec& GetRec(int index) const;
  void DeleteRec(int index);
  void ClearAll();

  // Index of the first record whose Name equals name byte for byte, else -1.
  int IndexOfName(std::string_view name) const;
  // Every name quoted and followed by a comma: read as a comma list it gives one caption per
  // record.
  std::string GetNames() const;
  // The keywords of the rows testing From or To (mode 0) or Subject (mode 1, or any other
  // mode), in the same form. Rows testing From and To together are not listed.
  std::string GetKeywords(int mode) const;

  // Puts a one-row condition for text first, reusing (and resetting) a record of the same name.
  void AddQuickSearch(int32_t target, std::string_view text, bool subfolder, bool case_sensitive,
                      bool comma_and);

  bool Match(int index, const TFolderIdx& line) const;
  TFindMatcher MakeMatcher(int index) const { return TFindMatcher(GetRec(index)); }

  std::string RecToCsv(int index) const;
  // Stores a parsed condition: index < 0 inserts it first, index >= Count() appends it, else it
  // overwrites the record at index. Returns false, changing nothing, when the text is rejected.
  bool CsvToRec(int index, std::string_view text);

  // By name, ignoring case; records with equal names do not keep their order.
  void SortByName();
  // Takes the record at from out and reinserts it at to; the records between shift by one.
  void MoveRec(int from, int to);

 private:
  void CheckIndex(int index) const;
  void QuickSort(int l, int r);

  std::vector<std::unique_ptr<TFindRec>> recs_;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_QUERY_FIND_CLASS_H_
