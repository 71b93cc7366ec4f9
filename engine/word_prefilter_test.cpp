#include "engine/word_prefilter.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/idx_lines.h"
#include "gtest/gtest.h"
#include "testsupport/test_conditions.h"
#include "testsupport/test_line_mask_codes.h"

namespace zeldrium {
namespace {

TEST(WordPrefilterTest, FiltersOnlyWhereAWordIsSureToStandInTheRawLine) {
  struct Case {
    const char* name;
    TFindRec condition;
    bool active;
    size_t probes;  // words the marking pass looks for
  };
  const Case cases[] = {
      {"an ASCII word ignoring case", Rec({Row(kLogicOr, kTargetSubject, "invoice")}), true, 1},
      {"any word kept in case", Rec({Row(kLogicOr, kTargetFrom, "\x82\x60", false, true)}), true,
       1},
      // Upper-casing turns full-width small letters into other bytes: not in the raw line.
      {"a full-width word ignoring case", Rec({Row(kLogicOr, kTargetFrom, "\x82\x81")}), false, 0},
      {"a blank in a From+To word", Rec({Row(kLogicOr, kTargetFromTo, "\"a b\"")}), false, 0},
      {"a blank in a From word", Rec({Row(kLogicOr, kTargetFrom, "\"a b\"")}), true, 1},
      {"one OR row unsearchable",
       Rec({Row(kLogicOr, kTargetSubject, "x"), Row(kLogicOr, kTargetFromTo, "\"a b\"")}), false,
       0},
      {"an AND row is enough",
       Rec({Row(kLogicOr, kTargetFromTo, "\"a b\""), Row(kLogicAnd, kTargetTo, "bob")}), true, 1},
      {"NOT rows require nothing", Rec({Row(kLogicNot, kTargetSubject, "spam")}), false, 0},
      {"comma-and without words holds always", Rec({Row(kLogicOr, kTargetSubject, ",", true)}),
       false, 0},
      // Two OR rows: one of their words, both looked for in the marking pass.
      {"two OR rows",
       Rec({Row(kLogicOr, kTargetSubject, "invoice"), Row(kLogicOr, kTargetTo, "bob"),
            Row(kLogicNot, kTargetSubject, "re:")}),
       true, 2},
      // Three words of one group are too many for the pass; the AND row's word is looked for
      // there instead.
      {"three OR words and an AND row",
       Rec({Row(kLogicOr, kTargetSubject, "a,b,c"), Row(kLogicAnd, kTargetFrom, "bob")}), true, 1},
      {"three OR words alone", Rec({Row(kLogicOr, kTargetSubject, "a,b,c")}), true, 0},
  };
  for (const Case& c : cases) {
    const TWordPrefilter filter(c.condition);
    EXPECT_EQ(filter.Active(), c.active) << c.name;
    EXPECT_EQ(filter.Probes().size(), c.probes) << c.name;
  }
}

class WordPrefilterScanTest : public EveryLineMaskCode {};
ZELDRIUM_FOR_EVERY_LINE_MASK_CODE(WordPrefilterScanTest);

// The probe looks for the word's rarest bytes, which need not be its first: a word is still
// found at the very start and the very end of a window, and a line without it yields its date.
TEST_P(WordPrefilterScanTest, FindsTheWordWhereverItsProbedBytesStand) {
  const TFindRec condition = Rec({Row(kLogicOr, kTargetSubject, "invoice")});
  TWordPrefilter filter(condition);
  ASSERT_EQ(filter.Probes().size(), 1u);
  EXPECT_EQ(filter.Probes()[0].first, 'v');  // 'v' and 'c' are rarer than 'i' and 'e'
  EXPECT_EQ(filter.Probes()[0].distance, 3u);
  const std::string date =
      "\x01\x01\x01\x01\x01\x01\x01\x01"
      "5f5e1000";
  const std::string data = "invoice" + date + "\r\n" +  // at the window's first byte
                           "invoic" + date + "\r\n" +   // not the word
                           "\x01\x01\x01xINVOICE" + date.substr(3) + "\r" +  // the subject
                           date + "\x01nvoice\x01Invoice";  // the last bytes, no line end
  TIdxLineScanner lines;
  lines.Reset(data, true, &filter);
  IdxLine kind;
  TFolderIdx rec;
  std::string err;
  std::vector<IdxLine> kinds;
  while (lines.Next(&kind, &rec, &err)) kinds.push_back(kind);
  EXPECT_EQ(kinds, (std::vector<IdxLine>{IdxLine::kRecord, IdxLine::kDateOnly, IdxLine::kRecord,
                                         IdxLine::kRecord}));
}

// Every line where the condition holds must come out of a filtered scan as a record; the others
// may come out as kDateOnly, with the same date, and nothing else may change.
TEST_P(WordPrefilterScanTest, NeverHidesALineTheConditionHoldsFor) {
  const char* const words[] = {"invoice",  "INVOICE",  "Inv",      "\"a b\"", "bob",
                               "\x83\x5c", "\x82\x60", "\x82\x81", "x",       "meeting",
                               "e",        "Re:",      " "};
  const char* const text[] = {"invoice", "InVoIcE", "inv",      "a",        " ",        "b",
                              "bob",     "BOB",     "\x83\x5c", "\x82\x60", "\x82\x81", "x",
                              "\x81",    "meeting", "Re:",      "re:",      "\x01"};
  std::mt19937 rng(11);
  auto pick = [&rng](auto& pool) {
    return pool[std::uniform_int_distribution<size_t>(0, std::size(pool) - 1)(rng)];
  };
  auto chance = [&rng](double p) { return std::bernoulli_distribution(p)(rng); };
  for (int n = 0; n < 600; ++n) {
    std::vector<TFindOpt> rows;
    for (int r = std::uniform_int_distribution<int>(1, kFindRows)(rng); r > 0; --r) {
      std::string keyword = pick(words);
      if (chance(0.3)) keyword += std::string(",") + pick(words);
      rows.push_back(Row(std::uniform_int_distribution<int>(0, 2)(rng),
                         std::uniform_int_distribution<int>(0, 3)(rng), keyword, chance(0.3),
                         chance(0.3)));
    }
    const TFindRec condition = Rec(rows);
    std::string data;
    for (int l = 0; l < 60; ++l) {
      for (int f = 1; f <= 10; ++f) {
        if (f == 9) {
          // Dates of eight digits, each its own; now and then one written otherwise.
          char date[16];
          std::snprintf(date, sizeof date, l % 7 == 3 ? " %x " : "%x",
                        (l % 11 == 5 ? 0x1000000 : 0x5f5e1000) + l);  // seven digits
          data += date;
        } else if (f >= 2 && f <= 7) {
          for (int w = std::uniform_int_distribution<int>(0, 3)(rng); w > 0; --w)
            data += pick(text);
        }
        if (f < 10) data += '\x01';
      }
      data += "\r\n";
    }
    TFindMatcher matcher(condition);
    TWordPrefilter filter(condition);
    TIdxLineScanner all;
    TIdxLineScanner filtered;
    all.Reset(data, true);
    filtered.Reset(data, true, &filter);
    IdxLine kind;
    IdxLine filtered_kind;
    TFolderIdx rec;
    TFolderIdx filtered_rec;
    std::string err;
    // Dates of every dated line in order, and the subjects of the lines that come out whole.
    std::vector<int32_t> dates;
    std::vector<std::string> records;
    while (all.Next(&kind, &rec, &err)) {
      ASSERT_TRUE(filtered.Next(&filtered_kind, &filtered_rec, &err));
      ASSERT_EQ(filtered.Consumed(), all.Consumed());
      if (kind != IdxLine::kRecord) {
        ASSERT_EQ(filtered_kind, kind);
        continue;
      }
      dates.push_back(filtered_rec.Date);
      if (filtered_kind == IdxLine::kRecord) records.emplace_back(filtered_rec.Subject);
      ASSERT_EQ(filtered_rec.Date, rec.Date);
      if (matcher.Matches(rec)) {
        ASSERT_EQ(filtered_kind, IdxLine::kRecord)
            << n << ": " << testing::PrintToString(RecToCsv(condition)) << " hides "
            << testing::PrintToString(std::string(rec.Subject) + "|" + std::string(rec.From) + "|" +
                                      std::string(rec.To));
      }
    }
    EXPECT_FALSE(filtered.Next(&filtered_kind, &filtered_rec, &err));

    // Passing over the lines the filter does not hold for keeps their dates, in order.
    TIdxLineScanner passing;
    passing.Reset(data, true, &filter);
    std::vector<int32_t> passed_dates;
    std::vector<std::string> passed_records;
    while (passing.NextWanted(&kind, &rec, &err, &passed_dates)) {
      if (kind == IdxLine::kRecord || kind == IdxLine::kDateOnly) passed_dates.push_back(rec.Date);
      if (kind == IdxLine::kRecord) passed_records.emplace_back(rec.Subject);
    }
    ASSERT_EQ(passed_dates, dates) << n;
    ASSERT_EQ(passed_records, records) << n;
    ASSERT_EQ(passing.Consumed(), all.Consumed());
  }
}

}  // namespace
}  // namespace zeldrium
