#include "engine/hit_list.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace zeldrium {
namespace {

// "(無題)" (untitled) in code page 932.
const std::string kNoSubject = "(\x96\xb3\x91\xe8)";

std::vector<std::string> Keys(const THitList& hits) {
  std::vector<std::string> keys;
  THitRow row;
  for (size_t i = 0; i < hits.size(); ++i) {
    hits.GetRow(i, &row);
    keys.push_back(row.MailID.substr(row.MailID.find('?') + 1));
  }
  return keys;
}

using V = std::vector<std::string>;

TEST(THitListTest, RowFields) {
  THitList hits;
  const uint32_t inbox = hits.AddFolder("box.mb\\in\\", "Inbox");
  hits.Add(inbox, 0x5f5e1000 + 32400, "Subj", "Me <me@example.com>", "You", "k1");
  hits.Add(inbox, 32400, "", "", "", "");
  ASSERT_EQ(hits.size(), 2u);

  THitRow row;
  hits.GetRow(0, &row);
  EXPECT_EQ(row.Subject, "Subj");
  EXPECT_EQ(row.From, "Me <me@example.com>");
  EXPECT_EQ(row.To, "You");
  EXPECT_EQ(row.Folder, "Inbox");
  EXPECT_EQ(row.MailID, "box.mb\\in\\?k1");
  EXPECT_EQ(row.Date, "2020/09/13 21:26:40");
  EXPECT_EQ(row.DateValue, 0x5f5e1000 + 32400);

  // The same row object takes the next hit whole: nothing of the first is left over.
  hits.GetRow(1, &row);
  EXPECT_EQ(row.Subject, kNoSubject);
  EXPECT_EQ(row.From, "");
  EXPECT_EQ(row.To, "");
  EXPECT_EQ(row.MailID, "box.mb\\in\\?");
  EXPECT_EQ(row.Date, "1970/01/01 09:00:00");

  const std::vector<THitRow> rows = hits.MakeRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Subject, "Subj");
  EXPECT_EQ(rows[1].Subject, kNoSubject);
}

TEST(THitListTest, NewestFirstAndEqualDatesInTheOrderAdded) {
  THitList hits;
  const uint32_t f = hits.AddFolder("f\\", "f");
  const struct {
    int32_t date;
    const char* key;
  } added[] = {
      {100, "a"},
      {300, "b"},
      {100, "c"},
      {200, "d"},
      {300, "e"},
      {100, "f"},
      // Below zero the date text is that of the unsigned value, a time after 2038: newest.
      {-5, "g"},
      // A date of 0 shows as 1899/12/30, older than everything.
      {0, "h"},
  };
  for (const auto& a : added) hits.Add(f, a.date, "s", "x", "", a.key);
  EXPECT_EQ(Keys(hits), (V{"a", "b", "c", "d", "e", "f", "g", "h"}));
  hits.SortNewestFirst();
  EXPECT_EQ(Keys(hits), (V{"g", "b", "e", "d", "a", "c", "f", "h"}));

  // The order of the dates shown is the order of the rows.
  const std::vector<THitRow> rows = hits.MakeRows();
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_GE(rows[i - 1].Date, rows[i].Date) << i;

  // A hit added after sorting puts the list back in the order added until the next sort.
  hits.Add(f, 400, "s", "x", "", "i");
  EXPECT_EQ(Keys(hits).back(), "i");
  hits.SortNewestFirst();
  EXPECT_EQ(Keys(hits)[1], "i");
}

TEST(THitListTest, ManyHitsAndLongTexts) {
  // More hits than one chunk holds and texts larger than a text block, mixed with short ones.
  THitList hits;
  const uint32_t a = hits.AddFolder("a\\", "A");
  const uint32_t b = hits.AddFolder("b\\", "B");
  const std::string long_subject(100000, 's');
  const int kCount = 10000;
  for (int i = 0; i < kCount; ++i) {
    const std::string key = std::to_string(i);
    hits.Add(i % 2 == 0 ? a : b, i, i % 1000 == 0 ? long_subject : key, key, "", key);
  }
  hits.SortNewestFirst();
  ASSERT_EQ(hits.size(), static_cast<size_t>(kCount));
  THitRow row;
  for (int i = 0; i < kCount; ++i) {
    const int want = kCount - 1 - i;
    hits.GetRow(static_cast<size_t>(i), &row);
    ASSERT_EQ(row.DateValue, want);
    ASSERT_EQ(row.From, std::to_string(want));
    ASSERT_EQ(row.Subject, want % 1000 == 0 ? long_subject : std::to_string(want));
    ASSERT_EQ(row.Folder, want % 2 == 0 ? "A" : "B");
  }
  hits.Clear();
  EXPECT_TRUE(hits.empty());
  EXPECT_TRUE(hits.MakeRows().empty());
  // Usable again after Clear.
  hits.Add(hits.AddFolder("c\\", "C"), 1, "x", "y", "", "k");
  EXPECT_EQ(Keys(hits), V{"k"});
}

}  // namespace
}  // namespace zeldrium
