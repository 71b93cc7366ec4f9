#include "text/str_csv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>

#include "text/str_libs.h"
#include "text/text_compare.h"

namespace zeldrium {
namespace {

using Items = std::vector<std::string>;

TEST(StrCsvTest, Write) {
  EXPECT_EQ(WriteCommaList({"a", "b c", "d\"e", ""}), "a,\"b c\",\"d\"\"e\",");
  EXPECT_EQ(WriteCommaList({""}), "\"\"");
  EXPECT_EQ(WriteCommaList({}), "");
  EXPECT_EQ(WriteCommaList({"\t", "x,y", "\x83\x5c"}), "\"\t\",\"x,y\",\x83\x5c");  // ソ
  // A 0x00 would end the line for the reader and lose the items after it.
  EXPECT_EQ(WriteCommaList({std::string("a\0b", 3), "c"}), "ab,c");
  EXPECT_EQ(WriteCommaList({std::string(1, '\0')}), "\"\"");
}

TEST(StrCsvTest, Read) {
  const struct {
    std::string_view line;
    Items want;
  } cases[] = {
      {"a,\"b c\",\"d\"\"e\",", {"a", "b c", "d\"e"}},  // a trailing comma adds no item
      {"\"\"", {""}},
      {"", {}},
      {" \t\r\n ", {}},
      {",x", {"", "x"}},
      {"\"ab\"cd", {"ab", "cd"}},
      {"a b\tc", {"a", "b", "c"}},
      {" a , , b ", {"a", "", "b"}},
      {"a,,", {"a", ""}},
      {"ab\"cd\"", {"ab\"cd\""}},
      {"\"a,b\" , c", {"a,b", "c"}},
      {"\"abc", {"abc"}},  // no closing quote: the rest of the text, nothing dropped
      {"\"a\"\"", {"a\""}},
      // 0x00 ends the text, as it would a zero-terminated string.
      {std::string_view("a,\0b", 4), {"a"}},
      {std::string_view("a\0,b", 4), {"a"}},
      {std::string_view("a \0 b", 5), {"a"}},
      {std::string_view("\"a\0b\",c", 7), {"a"}},
      {std::string_view("\0a", 2), {}},
      {std::string_view(" ,\0", 3), {""}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadCommaList(c.line), c.want) << c.line;
}

TEST(StrCsvTest, GetCommaItemAdvances) {
  std::string_view in = " a , \"b\" ";
  std::string item = "untouched";
  ASSERT_TRUE(GetCommaItem(&in, &item));
  EXPECT_EQ(item, "a");
  EXPECT_EQ(in, "\"b\" ");
  ASSERT_TRUE(GetCommaItem(&in, &item));
  EXPECT_EQ(item, "b");
  item = "untouched";
  EXPECT_FALSE(GetCommaItem(&in, &item));
  EXPECT_EQ(item, "untouched");
  EXPECT_TRUE(in.empty());
}

TEST(StrCsvTest, ReaderNeverSplitsDoubleByteCharacters) {
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(lead)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string item = {'x', static_cast<char>(lead), static_cast<char>(trail), 'y'};
      ASSERT_EQ(ReadCommaList("k," + item + ",z"), Items({"k", item, "z"})) << lead << trail;
      ASSERT_EQ(ReadCommaList(WriteCommaList({item + " q"})), Items({item + " q"}));
    }
  }
}

TEST(StrCsvTest, WriteThenReadRoundTrip) {
  // Blanks, commas, quotes, and ソ, ァ, ~ and high double-byte characters (trail bytes 0x5C,
  // 0x40, 0x7E, 0x80, 0xFC).
  const std::vector<std::string> pieces = {
      "a",        " ",        ",",        "\"",   "\"\"", "\t",   "\r\n", "\x83\x5c", "\x83\x40",
      "\x81\x7E", "\x81\x80", "\xFC\xFC", "\xB1", "\\",   "\x7F", "\x01", "\xFF"};
  std::mt19937 rng(42);
  for (int round = 0; round < 3000; ++round) {
    Items items(rng() % 5);
    for (std::string& item : items) {
      for (int n = rng() % 5; n > 0; --n) item += pieces[rng() % pieces.size()];
    }
    Items want = items;
    // A trailing comma reads back as nothing, so an empty last item of several is not kept.
    if (want.size() > 1 && want.back().empty()) want.pop_back();
    ASSERT_EQ(ReadCommaList(WriteCommaList(items)), want) << WriteCommaList(items);
  }
}

TEST(StrCsvTest, Fields) {
  TStringCSV csv("TRUE,True,1,2,,yes,01, 1 ,true");
  EXPECT_EQ(csv.Count(), 9);
  EXPECT_EQ(csv.GetField(-1), "");
  EXPECT_EQ(csv.GetField(9), "");
  EXPECT_EQ(csv.GetField(7), "1");  // the blanks around it vanish
  const bool want[] = {true, true, true, false, false, false, false, true, true, false};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(csv.GetBool(i), want[i]) << i;
  EXPECT_FALSE(TStringCSV("\" 1\"").GetBool(0));
}

TEST(StrCsvTest, GetInt) {
  const struct {
    const char* field;
    int32_t want;
  } cases[] = {
      {"-12", -12},
      {"-", 0},
      {"x5", 0},
      {"7 days", 7},
      {"12abc", 12},
      {"+5", 0},
      {"--5", 0},
      {"", 0},
      {"007", 7},
      {"2147483647", INT_MAX},
      {"2147483648", INT_MIN},
      {"-2147483648", INT_MIN},
      {"4294967296", 0},
      {"4294967297", 1},
      {"99999999999999999999", static_cast<int32_t>(1661992959u)},
  };
  for (const auto& c : cases) {
    TStringCSV csv;
    csv.Add(c.field);
    EXPECT_EQ(csv.GetInt(0), c.want) << c.field;
  }
  EXPECT_EQ(TStringCSV("1").GetInt(1), 0);
}

TEST(StrCsvTest, AddThenGetGivesTheValueBack) {
  TStringCSV csv;
  csv.AddBool(true);
  csv.AddBool(false);
  std::vector<int32_t> values = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
  for (int64_t v = INT_MIN; v <= INT_MAX; v += 65537 * 257)
    values.push_back(static_cast<int32_t>(v));
  for (int32_t v : values) csv.AddInt(v);
  const TStringCSV back(csv.GetText());
  ASSERT_EQ(back.Count(), csv.Count());
  EXPECT_TRUE(back.GetBool(0));
  EXPECT_FALSE(back.GetBool(1));
  for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(back.GetInt(i + 2), values[i]);
  EXPECT_EQ(TStringCSV().GetField(0), "");
}

TEST(StrCsvTest, Sort) {
  TStringCSV csv("banana,Apple,apple,cherry,\"\",Zoo,zoo");
  csv.Sort();
  // Capitalised texts compare as "Z" + text: "ZApple" < "zoo" < "ZZoo".
  EXPECT_EQ(csv.Items(), Items({"", "apple", "banana", "cherry", "Apple", "zoo", "Zoo"}));

  std::mt19937 rng(7);
  const char* words[] = {"a", "A", "b", "B", "ab", "Ab", "\x82\x81", "\x82\x60", "z", "Z", "_"};
  for (int round = 0; round < 200; ++round) {
    TStringCSV list;
    for (int n = rng() % 40; n > 0; --n)
      list.Add(std::string(words[rng() % 11]) + words[rng() % 11]);
    Items before = list.Items();
    list.Sort();
    auto key = [](const std::string& s) { return s[0] >= 'A' && s[0] <= 'Z' ? "Z" + s : s; };
    for (int i = 1; i < list.Count(); ++i) {
      ASSERT_LE(CompareText(key(list.Items()[i - 1]), key(list.Items()[i])), 0);
    }
    std::sort(before.begin(), before.end());
    Items after = list.Items();
    std::sort(after.begin(), after.end());
    ASSERT_EQ(after, before);
  }
}

TEST(StrCsvTest, IndexOfIgnoreCase) {
  TStringCSV csv("abc,ABC,\x82\x81,Def");
  EXPECT_EQ(csv.IndexOfIgnoreCase("ABC"), 0);
  EXPECT_EQ(csv.IndexOfIgnoreCase("dEF"), 3);
  EXPECT_EQ(csv.IndexOfIgnoreCase("\x82\x60"), -1);  // only ASCII letters fold
  EXPECT_EQ(csv.IndexOfIgnoreCase("ab"), -1);
}

}  // namespace
}  // namespace zeldrium
