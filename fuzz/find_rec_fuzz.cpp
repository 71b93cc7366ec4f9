// A saved condition (a FINDPARAM value) read by CsvToRec, written back by RecToCsv, and tested
// against an index line.
//
// Input: FuzzedDataProvider strings for the condition's CSV text, then From, To and Subject of
// two lines (a backslash and another byte end each; "\\" is a backslash).

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "query/find_class.h"
#include "same_rec.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium::fuzz {
namespace {

// The matching rule written out the slow, literal way: no cache, no prepared words.
bool Occurs(std::string_view text, std::string_view word) {
  if (word.empty()) return false;
  size_t i = 0;
  while (i < text.size()) {
    if (text.substr(i).substr(0, word.size()) == word) return true;
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  return false;
}

bool ReferenceMatch(const TFindRec& rec, const TFolderIdx& line) {
  bool any_or = false;
  bool all_ok = true;
  int or_rows = 0;
  for (const TFindOpt& row : rec.Opts) {
    if (row.Target == kTargetNone) continue;
    std::string text;
    switch (row.Target) {
      case kTargetFrom:
        text = line.From;
        break;
      case kTargetTo:
        text = line.To;
        break;
      case kTargetSubject:
        text = line.Subject;
        break;
      default:
        text = std::string(line.From) + " " + std::string(line.To);
        break;
    }
    std::string keyword = row.Keyword;
    if (!row.CaseSensitive) {
      keyword = UpperCase(keyword);
      text = UpperCase(text);
    }
    const std::vector<std::string> words = ReadCommaList(keyword);
    size_t n = 0;
    for (const std::string& w : words) n += Occurs(text, w) ? 1 : 0;
    const bool holds = row.CommaAnd ? n == words.size() : n > 0;
    switch (row.Logic) {
      case kLogicOr:
        any_or = any_or || holds;
        ++or_rows;
        break;
      case kLogicAnd:
        all_ok = all_ok && holds;
        break;
      case kLogicNot:
        all_ok = all_ok && !holds;
        break;
    }
  }
  return or_rows > 0 ? any_or && all_ok : all_ok;
}

struct Line {
  ExactBytes from, to, subject;
  TFolderIdx idx;
  explicit Line(FuzzedDataProvider* in)
      : from(in->ConsumeRandomLengthString(64)),
        to(in->ConsumeRandomLengthString(64)),
        subject(in->ConsumeRandomLengthString(128)) {
    idx.From = from.view();
    idx.To = to.view();
    idx.Subject = subject.view();
  }
};

}  // namespace
}  // namespace zeldrium::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace zeldrium;
  using namespace zeldrium::fuzz;
  FuzzedDataProvider in(data, size);
  const ExactBytes csv(in.ConsumeRandomLengthString(1024));
  Line first(&in);
  Line second(&in);

  TFindRec rec;
  const bool ok = CsvToRec(csv.view(), &rec);
  TStringCSV fields(csv.view());
  bool any_row = false;
  for (int r = 0; r < kFindRows; ++r) any_row = any_row || fields.GetInt(3 + 5 * r + 1) >= 0;
  FUZZ_CHECK(ok == (any_row && !fields.GetField(0).empty()));

  TFindClass list;
  FUZZ_CHECK(list.CsvToRec(0, csv.view()) == ok);
  if (!ok) {
    FUZZ_CHECK(list.Count() == 0);
    return 0;
  }
  FUZZ_CHECK(list.Count() == 1);
  FUZZ_CHECK(SameRec(list.GetRec(0), rec));

  // Written and read again, the condition is the same, and so is its text from then on.
  const std::string written = RecToCsv(rec);
  FUZZ_CHECK(list.RecToCsv(0) == written);
  TFindRec again;
  FUZZ_CHECK(CsvToRec(written, &again));
  FUZZ_CHECK(SameRec(again, rec));
  FUZZ_CHECK(RecToCsv(again) == written);

  // One matcher over two lines in turn must not carry anything from the first to the second.
  TFindMatcher matcher(rec);
  for (const Line* line : {&first, &second, &first}) {
    const bool expected = ReferenceMatch(rec, line->idx);
    FUZZ_CHECK(matcher.Matches(line->idx) == expected);
    FUZZ_CHECK(list.Match(0, line->idx) == expected);
  }
  return 0;
}
