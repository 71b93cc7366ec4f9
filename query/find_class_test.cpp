#include "query/find_class.h"

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "testsupport/test_conditions.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "text/str_upper.h"

namespace zeldrium {
namespace {

TFolderIdx Line(std::string_view from, std::string_view to, std::string_view subject) {
  TFolderIdx line;
  line.From = from;
  line.To = to;
  line.Subject = subject;
  return line;
}

std::vector<std::string> Names(const TFindClass& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.GetRec(i).Name);
  return names;
}

TEST(FindClassTest, QuickSearchNames) {
  struct Case {
    int32_t target;
    std::string text;
    std::string name;
  } cases[] = {
      {kTargetFrom, "taro.yamada@example.jp", "taro.yamada"},
      {kTargetTo, " taro @example.jp", "taro"},
      {kTargetSubject, "taro.yamada@example.jp", "taro.yam..."},
      {kTargetFrom, " @x", " @x"},  // nothing before "@": the whole text
      {kTargetFrom, "no address", "no address"},
      {kTargetSubject, "abcdefgh", "abcdefgh"},
      {kTargetSubject, "abcdefg\x83\x5c", "abcdefg\x83\x5c..."},  // ソ, not split at byte 8
      {kTargetFromTo, "abcdefghij", "abcdefgh..."},
  };
  for (const Case& c : cases) {
    TFindClass list;
    list.AddQuickSearch(c.target, c.text, true, false, true);
    const TFindRec& rec = list.GetRec(0);
    EXPECT_EQ(rec.Name, c.name) << c.text;
    EXPECT_EQ(rec.Opts[0].Keyword, c.text);
    EXPECT_EQ(rec.Opts[0].Target, c.target);
    EXPECT_TRUE(rec.Opts[0].CommaAnd);
    EXPECT_TRUE(rec.SubFolder);
  }
}

TEST(FindClassTest, QuickSearchReusesAndResetsRecordOfSameName) {
  TFindClass list;
  list.AddQuickSearch(kTargetSubject, "hello", false, false, false);
  list.AddQuickSearch(kTargetSubject, "other", false, false, false);
  TFindRec& reused = list.GetRec(1);
  reused.Folders = "\"\\Inbox\\\"";
  reused.Opts[3] = Row(kLogicNot, kTargetFrom, "spam");

  list.AddQuickSearch(kTargetSubject, "hello", true, true, true);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"hello", "other"}));
  EXPECT_EQ(&list.GetRec(0), &reused);  // same record, moved, still valid for its holder
  EXPECT_EQ(reused.Folders, "");
  EXPECT_EQ(reused.Opts[3].Target, kTargetNone);
  EXPECT_EQ(reused.Opts[3].Keyword, "");
  EXPECT_TRUE(reused.Opts[0].CaseSensitive);
}

TEST(FindClassTest, BlankSubjectQuickSearchGivesCaptionlessTabThatNeverMatches) {
  TFindClass list;
  list.AddQuickSearch(kTargetSubject, "  ", false, false, false);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetRec(0).Name, "");
  EXPECT_FALSE(list.Match(0, Line("a", "b", "  ")));
  EXPECT_EQ(list.RecToCsv(0).substr(0, 1), ",");  // dropped when the settings are read back
}

TEST(FindClassTest, MatchRules) {
  const TFindOpt orx = Row(kLogicOr, kTargetFrom, "x");
  const TFindOpt not_spam = Row(kLogicNot, kTargetSubject, "spam");
  struct Case {
    const char* what;
    std::vector<TFindOpt> rows;
    TFolderIdx line;
    bool match;
  } cases[] = {
      // clang-format off
      {"any word", {Row(kLogicOr, kTargetSubject, "abc def")}, Line("", "", "def"), true},
      {"all words", {Row(kLogicOr, kTargetSubject, "abc def", true)}, Line("", "", "def"), false},
      {"all words, any order", {Row(kLogicOr, kTargetSubject, "abc def", true)},
       Line("", "", "def-abc"), true},
      {"phrase", {Row(kLogicOr, kTargetSubject, "\"abc def\"")}, Line("", "", "xabc defx"), true},
      {"phrase split", {Row(kLogicOr, kTargetSubject, "\"abc def\"")}, Line("", "", "abc  def"),
       false},
      {"empty word, all", {Row(kLogicOr, kTargetSubject, "abc,,def", true)},
       Line("", "", "abc def"), false},
      {"empty word, any", {Row(kLogicOr, kTargetSubject, "abc,,def")}, Line("", "", "def"), true},
      {"only empty words", {Row(kLogicOr, kTargetSubject, "\"\"")}, Line("", "", "x"), false},
      {"no words, any", {Row(kLogicOr, kTargetSubject, "")}, Line("", "", "x"), false},
      {"no words, all", {Row(kLogicOr, kTargetSubject, " ", true)}, Line("", "", "x"), true},
      {"ignore case", {Row(kLogicOr, kTargetSubject, "ABC")}, Line("", "", "xabcx"), true},
      {"keep case", {Row(kLogicOr, kTargetSubject, "ABC", false, true)}, Line("", "", "xabcx"),
       false},
      {"From and To", {Row(kLogicOr, kTargetFromTo, "a b", true)}, Line("a", "b", ""), true},
      {"From and To, one missing", {Row(kLogicOr, kTargetFromTo, "a b", true)},
       Line("a", "c", ""), false},
      {"From and To, the blank between", {Row(kLogicOr, kTargetFromTo, "\"a b\"")},
       Line("a", "b", ""), true},
      {"other target is From and To", {Row(kLogicOr, 7, "b")}, Line("a", "b", ""), true},
      {"To only", {Row(kLogicOr, kTargetTo, "a")}, Line("a", "b", "a"), false},
      {"OR and NOT, spam", {orx, not_spam}, Line("x", "", "spam offer"), false},
      {"OR and NOT, hello", {orx, not_spam}, Line("x", "", "hello"), true},
      {"OR and NOT, other sender", {orx, not_spam}, Line("y", "", "hello"), false},
      {"two ORs, second holds", {orx, Row(kLogicOr, kTargetTo, "z")}, Line("y", "z", ""), true},
      {"two ORs, first holds", {orx, Row(kLogicOr, kTargetTo, "z")}, Line("x", "q", ""), true},
      {"inactive then AND", {TFindOpt(), Row(kLogicAnd, kTargetSubject, "x")},
       Line("", "", "axb"), true},
      {"inactive then AND, no x", {TFindOpt(), Row(kLogicAnd, kTargetSubject, "x")},
       Line("", "", "ab"), false},
      {"all inactive", {}, Line("", "", ""), true},
      {"unknown logic counts for nothing", {Row(5, kTargetSubject, "x")}, Line("", "", "y"), true},
      {"unknown logic beside a failing OR", {Row(5, kTargetSubject, "x"), orx}, Line("y", "", ""),
       false},
      // ソ ends in a backslash byte; the byte after it is a character of its own.
      {"trail byte", {Row(kLogicOr, kTargetSubject, "\\")}, Line("", "", "\x83\x5c"), false},
      {"backslash after trail byte", {Row(kLogicOr, kTargetSubject, "\\")},
       Line("", "", "\x83\x5c\x5c"), true},
      {"long word at trail bytes only", {Row(kLogicOr, kTargetSubject, "\\abcd")},
       Line("", "", "\x83\x5c" "abcd \x83\x5c" "abcd"), false},
      {"long word after trail byte", {Row(kLogicOr, kTargetSubject, "\\abcd")},
       Line("", "", "\x83\x5c" "abcd \x83\x5c\\abcd"), true},
      // ヂ is 0x83 0x61 and ア 0x83 0x41: trail bytes that look like "a" and "A".
      {"trail byte like a small letter", {Row(kLogicOr, kTargetSubject, "A")},
       Line("", "", "\x83\x61"), false},
      {"trail byte like a capital", {Row(kLogicOr, kTargetSubject, "a")},
       Line("", "", "\x83\x41"), false},
      {"trail byte not folded", {Row(kLogicOr, kTargetSubject, "\x83\x41")},  // ア
       Line("", "", "\x83\x61"), false},
      {"double-byte word", {Row(kLogicOr, kTargetSubject, "\x83\x41")},  // ア
       Line("", "", "a\x83\x41"), true},
      {"word longer than field", {Row(kLogicOr, kTargetSubject, "abcdef")}, Line("", "", "abc"),
       false},
      // clang-format on
  };
  for (const Case& c : cases) {
    TFindClass list;
    list.CsvToRec(0, RecToCsv(Rec(c.rows)));
    if (c.rows.empty()) {
      // Such a condition cannot be stored; the matcher still decides it.
      TFindMatcher matcher(Rec(c.rows));
      EXPECT_EQ(matcher.Matches(c.line), c.match) << c.what;
      continue;
    }
    ASSERT_EQ(list.Count(), 1) << c.what;
    EXPECT_EQ(list.Match(0, c.line), c.match) << c.what;
  }
}

// One matcher tests many lines: nothing prepared for one line may leak into the next.
TEST(FindMatcherTest, ReusedAcrossLinesAndSnapshotOfRecord) {
  TFindClass list;
  list.CsvToRec(0, RecToCsv(Rec({Row(kLogicOr, kTargetFromTo, "BOB ANN", true),
                                 Row(kLogicNot, kTargetSubject, "Spam", false, true),
                                 Row(kLogicAnd, kTargetSubject, "re:")})));
  TFindMatcher matcher = list.MakeMatcher(0);
  list.GetRec(0).Opts[0].Keyword = "zzz";  // an edit during a run does not reach the matcher
  const TFolderIdx lines[] = {
      Line("bob@x", "ann@y", "RE: a long subject line, Spam free"),
      Line("bob", "ann", "Re: x"),
      Line("bob", "carl", "Re: x"),
      Line("ann", "bob", "RE: spam"),
      Line("ann", "", "re: bob"),
  };
  const bool expected[] = {false, true, false, true, false};
  for (size_t i = 0; i < std::size(lines); ++i) {
    EXPECT_EQ(matcher.Matches(lines[i]), expected[i]) << i;
  }
  list.ClearAll();
  EXPECT_TRUE(matcher.Matches(lines[1]));
}

// The marks as the matcher's verdicts make them: each row asked of the matcher alone, and the
// places of the words of those that hold found by trying every character of an upper-cased copy.
TextRanges ReferenceMarks(const TFindRec& rec, const TFolderIdx& line, ShownField shown) {
  const std::string_view text = shown == ShownField::kSubject ? line.Subject : line.From;
  std::vector<bool> marked(text.size(), false);
  for (const TFindOpt& opt : rec.Opts) {
    if (opt.Logic != kLogicOr && opt.Logic != kLogicAnd) continue;
    const bool from_to = opt.Target != kTargetNone && opt.Target != kTargetFrom &&
                         opt.Target != kTargetTo && opt.Target != kTargetSubject;
    if (shown == ShownField::kSubject ? opt.Target != kTargetSubject
                                      : opt.Target != kTargetFrom && !from_to) {
      continue;
    }
    TFindOpt alone = opt;
    alone.Logic = kLogicOr;
    if (!TFindMatcher(Rec({alone})).Matches(line)) continue;
    std::string field(text);
    if (from_to) field += " " + std::string(line.To);
    if (!opt.CaseSensitive) field = UpperCase(field);
    const std::string keyword = opt.CaseSensitive ? opt.Keyword : UpperCase(opt.Keyword);
    for (const std::string& word : ReadCommaList(keyword)) {
      if (word.empty()) continue;
      for (size_t i = 0; i < text.size();) {
        const size_t next = i + (IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1);
        if (field.compare(i, word.size(), word) == 0) {
          for (size_t b = i; b < i + word.size() && b < text.size(); ++b) marked[b] = true;
        }
        i = next;
      }
    }
  }
  // A character is marked when any of its bytes is; runs of marked characters are one range.
  TextRanges ranges;
  for (size_t i = 0; i < text.size();) {
    const size_t next =
        std::min(text.size(), i + (IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1));
    if (marked[i] || marked[next - 1]) {
      if (!ranges.empty() && ranges.back().second == i) {
        ranges.back().second = next;
      } else {
        ranges.emplace_back(i, next);
      }
    }
    i = next;
  }
  return ranges;
}

TEST(FindMatcherTest, MarksAreExactlyWhatMadeTheRowsHoldOnRandomLines) {
  // Characters whose bytes meet in awkward ways: letters in both cases and widths (ａ folds to
  // Ａ), ア whose second byte is "A", ソ whose second byte is a backslash, separators of words.
  const std::vector<std::string> chars = {"a",        "A",        "b",        "B",        " ",
                                          "\x83\x41", "\x83\x5c", "\x82\x60", "\x82\x81", "\\"};
  const std::vector<std::string> word_chars = {"a", "A", "b", "\x83\x41", "\x82\x81", "\\"};
  // A word may end in a lead byte (a condition of the settings file can hold any bytes): the
  // character it begins is marked whole.
  std::mt19937 rng(2027);
  auto below = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
  auto text = [&](size_t most) {
    std::string t;
    for (size_t n = below(most + 1); n > 0; --n) t += chars[below(chars.size())];
    if (below(8) == 0) t += "\x83";  // a lead byte at the very end
    return t;
  };
  auto keyword = [&] {
    std::string k;
    for (size_t n = below(3) + 1; n > 0; --n) {
      if (!k.empty()) k += below(4) == 0 ? ",," : below(2) == 0 ? "," : " ";
      std::string word;
      for (size_t m = below(2) + 1; m > 0; --m) word += word_chars[below(word_chars.size())];
      if (below(10) == 0) word += "\x83";
      k += below(6) == 0 ? "\"" + word + " " + word + "\"" : word;
    }
    return k;
  };
  int hits = 0;
  int marked = 0;
  TextRanges marks;
  for (int round = 0; round < 20000; ++round) {
    std::vector<TFindOpt> rows;
    for (size_t n = below(4) + 1; n > 0; --n) {
      const int32_t logic = below(8) == 0 ? 5 : static_cast<int32_t>(below(3));
      const int32_t target = below(8) == 0 ? 7 : static_cast<int32_t>(below(5)) - 1;
      rows.push_back(Row(logic, target, keyword(), below(2) == 0, below(3) == 0));
    }
    const TFindRec rec = Rec(rows);
    const std::string from = text(6), to = text(4), subject = text(8);
    const TFolderIdx line = Line(from, to, subject);
    TFindMatcher matcher(rec);
    hits += matcher.Matches(line) ? 1 : 0;
    for (ShownField field : {ShownField::kSubject, ShownField::kFrom}) {
      matcher.FindMarks(line, field, &marks);
      marked += marks.empty() ? 0 : 1;
      ASSERT_EQ(marks, ReferenceMarks(rec, line, field))
          << "round " << round << ": " << RecToCsv(rec) << " | " << subject << " | " << from
          << " | " << to;
    }
  }
  // The random conditions found lines and marked words, not only nothing.
  EXPECT_GT(hits, 2000);
  EXPECT_GT(marked, 2000);
}

TEST(FindClassTest, CsvFormAndRoundTrip) {
  TFindClass list;
  list.AddQuickSearch(kTargetSubject, "abc", false, false, false);
  EXPECT_EQ(list.RecToCsv(0), "abc,0,,0,2,0,0,abc,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,");

  TFindRec rec;
  rec.Name = " a \"b\", \x83\x5c";  // ソ, trail byte is a backslash
  rec.SubFolder = true;
  rec.Folders = WriteCommaList({"\\Inbox\\", "\x95\x5c\\x y\\"});  // 表, trail byte 0x5C
  rec.Opts[0] = Row(kLogicNot, kTargetFrom, "\"\x83\x5c x\",y", true, true);
  rec.Opts[4] = Row(kLogicAnd, 9, ",\"\"");
  TFindRec back;
  ASSERT_TRUE(CsvToRec(RecToCsv(rec), &back));
  EXPECT_EQ(RecToCsv(back), RecToCsv(rec));
  EXPECT_EQ(back.Name, rec.Name);
  EXPECT_EQ(back.Folders, rec.Folders);
  EXPECT_EQ(back.Opts[0].Keyword, rec.Opts[0].Keyword);
  EXPECT_EQ(back.Opts[4].Keyword, rec.Opts[4].Keyword);
  EXPECT_EQ(back.Opts[4].Target, 9);
  EXPECT_TRUE(back.SubFolder && back.Opts[0].CaseSensitive && back.Opts[0].CommaAnd);
}

TEST(FindClassTest, CsvReading) {
  TFindRec rec;
  EXPECT_FALSE(CsvToRec("", &rec));
  EXPECT_FALSE(CsvToRec(",1,,0,2,0,0,x", &rec));  // no name
  EXPECT_FALSE(CsvToRec("n,1,,0,-2,0,0,x,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,", &rec));
  EXPECT_FALSE(CsvToRec("n,1,,0,-1,0,0,x,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,", &rec));
  // Missing fields read as empty, false or 0: a missing Target is 0 (From), an active row.
  ASSERT_TRUE(CsvToRec("n,TRUE,f,1,2,True,yes,k,7", &rec));
  EXPECT_TRUE(rec.SubFolder);
  EXPECT_EQ(rec.Folders, "f");
  EXPECT_EQ(rec.Opts[0].Logic, kLogicAnd);
  EXPECT_TRUE(rec.Opts[0].CaseSensitive);
  EXPECT_FALSE(rec.Opts[0].CommaAnd);
  EXPECT_EQ(rec.Opts[1].Logic, 7);
  EXPECT_EQ(rec.Opts[1].Target, kTargetFrom);
  EXPECT_EQ(rec.Opts[4].Logic, kLogicOr);
  EXPECT_EQ(rec.Opts[4].Target, kTargetFrom);
  EXPECT_EQ(rec.Opts[4].Keyword, "");
  // Rows 2 to 4 are empty OR rows on From, which never hold: the AND row alone cannot match.
  EXPECT_FALSE(TFindMatcher(rec).Matches(Line("", "", "k")));
  EXPECT_TRUE(CsvToRec("n", &rec));  // every missing Target reads as 0: five used rows

  TFindClass list;
  EXPECT_TRUE(list.CsvToRec(5, "b,0,,0,0"));   // past the end: appended
  EXPECT_TRUE(list.CsvToRec(-1, "a,0,,0,0"));  // before the start: inserted first
  EXPECT_TRUE(list.CsvToRec(1, "c,0,,0,0"));   // overwrites
  // Refused, no row with a target: the list is unchanged.
  EXPECT_FALSE(list.CsvToRec(0, "d,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,"));
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "c"}));
}

TEST(FindClassTest, NamesAndKeywordsAsCommaLists) {
  TFindClass list;
  list.AddQuickSearch(kTargetSubject, "say \"hi\"", false, false, false);
  list.AddQuickSearch(kTargetFrom, "a,b@c", false, false, false);
  list.GetRec(1).Opts[2] = Row(kLogicAnd, kTargetTo, "");
  list.GetRec(1).Opts[3] = Row(kLogicAnd, kTargetFromTo, "ft");
  EXPECT_EQ(list.GetNames(), "\"a,b\",\"say \"\"hi\"\"\",");
  EXPECT_EQ(ReadCommaList(list.GetNames()), Names(list));
  EXPECT_EQ(ReadCommaList(list.GetKeywords(0)), (std::vector<std::string>{"a,b@c", ""}));
  EXPECT_EQ(ReadCommaList(list.GetKeywords(1)), std::vector<std::string>{"say \"hi\""});
  EXPECT_EQ(TFindClass().GetNames(), "");
  list.GetRec(0).Name = std::string("x\0y", 3);  // a reader stops at 0x00: still one caption
  EXPECT_EQ(ReadCommaList(list.GetNames()).size(), 2u);
}

TEST(FindClassTest, NamesIgnoringCaseAndSorting) {
  TFindClass list;
  for (const char* name : {"b", "Work", "a", "work", "C", "B"}) {
    list.CsvToRec(list.Count(), std::string(name) + ",0,,0,2");
  }
  EXPECT_EQ(list.IndexOfName("work"), 3);
  EXPECT_EQ(list.IndexOfName("Work"), 1);
  EXPECT_EQ(list.IndexOfName("WORK"), -1);
  list.SortByName();
  std::vector<std::string> names = Names(list);
  ASSERT_EQ(names.size(), 6u);
  EXPECT_EQ(names[0], "a");
  EXPECT_EQ(names[3], "C");
  EXPECT_TRUE((names[1] == "b" && names[2] == "B") || (names[1] == "B" && names[2] == "b"));
  EXPECT_TRUE((names[4] == "Work" && names[5] == "work") ||
              (names[4] == "work" && names[5] == "Work"));
  TFindClass empty;
  empty.SortByName();
  EXPECT_EQ(empty.Count(), 0);
}

TEST(FindClassTest, MoveDeleteAndIndexErrors) {
  TFindClass list;
  for (const char* name : {"a", "b", "c", "d"}) {
    list.CsvToRec(list.Count(), std::string(name) + ",0,,0,2");
  }
  list.MoveRec(0, 2);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "c", "a", "d"}));
  list.MoveRec(3, 1);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "d", "c", "a"}));
  TFindClass copy = list;
  list.DeleteRec(1);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(copy.Count(), 4);
  EXPECT_NE(&copy.GetRec(0), &list.GetRec(0));

  const TFolderIdx line = Line("", "", "");
  EXPECT_THROW(list.GetRec(3), std::out_of_range);
  EXPECT_THROW(list.GetRec(-1), std::out_of_range);
  EXPECT_THROW(list.DeleteRec(3), std::out_of_range);
  EXPECT_THROW(list.Match(3, line), std::out_of_range);
  EXPECT_THROW(list.MoveRec(0, 3), std::out_of_range);
  EXPECT_THROW(list.RecToCsv(-1), std::out_of_range);
  list.ClearAll();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace zeldrium
