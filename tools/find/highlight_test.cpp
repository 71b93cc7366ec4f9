#include "highlight.h"

#include "gtest/gtest.h"

namespace zeldrium::find {
namespace {

TFindRec Condition(std::initializer_list<TFindOpt> rows) {
  TFindRec rec;
  rec.Name = "c";
  size_t i = 0;
  for (const TFindOpt& row : rows) rec.Opts[i++] = row;
  return rec;
}

TFindOpt Row(int32_t logic, int32_t target, std::string keyword, bool keep_case = false) {
  TFindOpt opt;
  opt.Logic = logic;
  opt.Target = target;
  opt.Keyword = std::move(keyword);
  opt.CaseSensitive = keep_case;
  return opt;
}

TEST(WordHighlighterTest, MarksTheWordsWhereTheMatcherFindsThem) {
  struct Case {
    const char* name;
    TFindRec condition;
    Column column;
    std::string text;
    Ranges want;
  } cases[] = {
      {"ignoring case, every place",
       Condition({Row(kLogicOr, kTargetSubject, "meeting")}),
       Column::kSubject,
       "Re: MEETING meeting",
       {{4, 11}, {12, 19}}},
      {"keeping case",
       Condition({Row(kLogicOr, kTargetSubject, "Meet", true)}),
       Column::kSubject,
       "meet Meet",
       {{5, 9}}},
      {"only the rows of the column",
       Condition({Row(kLogicOr, kTargetSubject, "bob")}),
       Column::kFrom,
       "bob",
       {}},
      {"From and To rows mark From",
       Condition({Row(kLogicAnd, kTargetFromTo, "bob"), Row(kLogicOr, kTargetTo, "ann")}),
       Column::kFrom,
       "bob ann",
       {{0, 3}}},
      {"NOT rows and rows of no logic mark nothing",
       Condition({Row(kLogicNot, kTargetSubject, "spam"), Row(7, kTargetSubject, "ham")}),
       Column::kSubject,
       "spam ham",
       {}},
      {"overlapping words are one mark",
       Condition({Row(kLogicOr, kTargetSubject, "meet,meeting,tin")}),
       Column::kSubject,
       "a meeting",
       {{2, 9}}},
      {"a quoted word keeps its blank",
       Condition({Row(kLogicOr, kTargetSubject, "\"a b\"")}),
       Column::kSubject,
       "ab a b",
       {{3, 6}}},
      // 0x83 0x41 is one katakana: its second byte is no "A"; full-width ａ folds to Ａ.
      {"never inside a double-byte character",
       Condition({Row(kLogicOr, kTargetSubject, "a,\x82\x60")}),
       Column::kSubject,
       "\x83\x41"
       "A\x82\x81",
       {{2, 5}}},  // side by side: one mark
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WordHighlighter(c.condition).Find(c.column, c.text), c.want) << c.name;
  }
}

}  // namespace
}  // namespace zeldrium::find
