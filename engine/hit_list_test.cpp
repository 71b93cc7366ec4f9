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

uint32_t Folder(THitList* hits, std::string_view id, std::string_view name) {
  uint32_t folder = 0;
  EXPECT_TRUE(hits->AddFolder(id, name, &folder));
  return folder;
}

TEST(THitListTest, RowFields) {
  THitList hits;
  const uint32_t inbox = Folder(&hits, "box.mb\\in\\", "Inbox");
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
  const uint32_t f = Folder(&hits, "f\\", "f");
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
  const uint32_t a = Folder(&hits, "a\\", "A");
  const uint32_t b = Folder(&hits, "b\\", "B");
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
  hits.Add(Folder(&hits, "c\\", "C"), 1, "x", "y", "", "k");
  EXPECT_EQ(Keys(hits), V{"k"});
}

// A text's length is stored in one byte below 128, two below 16,384, three from there: at each
// edge the record must be sized for exactly the bytes written, or a text spills into the record
// after it (or past its block, which the sanitizer build sees).
TEST(THitListTest, TextsAtTheEdgesOfTheirLengthsSizeComeBackWhole) {
  THitList hits;
  const uint32_t f = Folder(&hits, "f\\", "F");
  struct Want {
    std::string subject, from, to, key;
  };
  std::vector<Want> added;
  int n = 0;
  for (size_t size : {127, 128, 129, 16383, 16384, 16385}) {
    for (int field = 0; field < 4; ++field) {
      const std::string text = std::string(size - 1, 'a' + field) + static_cast<char>('0' + n % 10);
      const std::string tag = "#" + std::to_string(n++);
      Want w{tag + "s", tag + "f", tag + "t", tag + "k"};
      std::string* texts[] = {&w.subject, &w.from, &w.to, &w.key};
      *texts[field] = text;
      added.push_back(w);
      // A short record right after each, which is where a spilled byte would land.
      added.push_back({tag + "S", tag + "F", tag + "T", tag + "K"});
    }
  }
  for (size_t i = 0; i < added.size(); ++i) {
    const Want& w = added[i];
    ASSERT_TRUE(hits.Add(f, static_cast<int32_t>(i), w.subject, w.from, w.to, w.key));
  }
  THitRow row;
  for (size_t i = 0; i < added.size(); ++i) {
    hits.GetRow(i, &row);
    EXPECT_EQ(row.Subject, added[i].subject) << i;
    EXPECT_EQ(row.From, added[i].from) << i;
    EXPECT_EQ(row.To, added[i].to) << i;
    EXPECT_EQ(row.MailID, "f\\?" + added[i].key) << i;
  }
}

TEST(THitListTest, TextsAreSeenInPlaceInTheOrderSet) {
  THitList hits;
  const uint32_t a = Folder(&hits, "a\\", "A");
  const uint32_t b = Folder(&hits, "b\\", "\x83\x5c");  // ソ, trail byte is a backslash
  // A text as long as a text block is kept whole beside short ones.
  const std::string long_from(64 << 10, 'f');
  hits.Add(b, 7, "one", long_from, "to", "k1");
  hits.Add(a, -1, "", "", "", "");
  hits.Add(b, 5, "three", "x", "", "k3");

  const THitView first = hits.Hit(0);
  EXPECT_EQ(first.date, 7);
  EXPECT_EQ(first.folder, b);
  EXPECT_EQ(first.subject, "one");
  EXPECT_EQ(first.from, long_from);
  EXPECT_EQ(first.to, "to");
  EXPECT_EQ(first.message_key, "k1");
  EXPECT_EQ(hits.FolderName(first.folder), "\x83\x5c");
  EXPECT_EQ(hits.FolderId(hits.Hit(1).folder), "a\\");
  EXPECT_EQ(hits.Hit(1).subject, "");  // the view is the line's own; rows show "(無題)"
  EXPECT_EQ(hits.FolderCount(), 2u);

  hits.SetOrder({2, 0, 1});
  EXPECT_EQ(hits.IndexAt(0), 2u);
  EXPECT_EQ(hits.At(0).subject, "three");
  EXPECT_EQ(Keys(hits), (V{"k3", "k1", ""}));
  // A new hit puts the list back in the order added.
  hits.Add(a, 1, "four", "", "", "k4");
  EXPECT_EQ(Keys(hits), (V{"k1", "", "k3", "k4"}));
}

TEST(THitListTest, MovedHitsKeepTheirRowsAndLeaveAnEmptyList) {
  THitList hits;
  const uint32_t f = Folder(&hits, "f\\", "F");
  for (int i = 0; i < 5000; ++i) hits.Add(f, i, "s", "x", "", std::to_string(i));
  hits.SortNewestFirst();
  THitList taken(std::move(hits));
  EXPECT_TRUE(hits.empty());  // NOLINT: a moved-from list is empty by contract
  EXPECT_EQ(hits.FolderCount(), 0u);
  ASSERT_EQ(taken.size(), 5000u);
  EXPECT_EQ(Keys(taken).front(), "4999");

  // Both go on as lists of their own.
  hits.Add(Folder(&hits, "g\\", "G"), 1, "t", "y", "", "new");
  taken.Add(f, 9999, "s", "x", "", "last");
  EXPECT_EQ(Keys(hits), V{"new"});
  EXPECT_EQ(Keys(taken).back(), "last");
  THitList other;
  other = std::move(taken);
  EXPECT_EQ(other.size(), 5001u);
  EXPECT_TRUE(taken.empty());  // NOLINT
}

// Memory that runs out at any allocation leaves a list that holds every hit added before, in
// full, and that takes hits again once memory is there.
TEST(THitListTest, RunningOutOfMemoryKeepsEveryHitAddedBefore) {
  const std::string long_subject(20000, 's');
  for (size_t allowed = 0; allowed < 40; ++allowed) {
    SCOPED_TRACE("allocations allowed: " + std::to_string(allowed));
    THitList hits;
    hits.SetAllocationCheck(AllowAllocations(allowed));
    uint32_t f = 0;
    if (!hits.AddFolder("f\\", "F", &f)) {
      EXPECT_EQ(allowed, 0u);
      continue;
    }
    size_t added = 0;
    auto add = [&] {
      const std::string key = std::to_string(added);
      return hits.Add(f, static_cast<int32_t>(added), added % 7 == 0 ? long_subject : key, key, "",
                      key);
    };
    for (; add(); ++added) ASSERT_LT(added, 1000000u) << "the limit was never met";
    ASSERT_EQ(hits.size(), added);
    // Failing again changes nothing, and the sort needs no memory it has not got.
    EXPECT_FALSE(add());
    hits.SortNewestFirst();
    THitRow row;
    for (size_t i = 0; i < added; ++i) {
      hits.GetRow(i, &row);
      const size_t want = added - 1 - i;
      ASSERT_EQ(row.MailID, "f\\?" + std::to_string(want));
      ASSERT_EQ(row.Subject, want % 7 == 0 ? long_subject : std::to_string(want));
    }
    hits.SetAllocationCheck(nullptr);
    EXPECT_TRUE(hits.Add(f, 0, "more", "", "", "more"));
    EXPECT_EQ(hits.size(), added + 1);
    EXPECT_EQ(Keys(hits).back(), "more");
  }
}

}  // namespace
}  // namespace zeldrium
