#include "top_hits.h"

#include <algorithm>
#include <random>

#include "gtest/gtest.h"

namespace zeldrium::find {
namespace {

TFolderIdx Hit(int32_t date, std::string_view key, std::string_view subject = "s") {
  TFolderIdx rec;
  rec.Date = date;
  rec.MessageKey = key;
  rec.Subject = subject;
  rec.From = "from";
  rec.To = "to";
  return rec;
}

std::vector<std::string> Keys(const TopHits& top) {
  std::vector<std::string> keys;
  THitRow scratch;
  for (size_t i = 0; i < top.Count(); ++i) {
    const std::string& id = top.Row(i, &scratch).MailID;
    keys.push_back(id.substr(id.find('?') + 1));
  }
  return keys;
}

// The kept rows are what sorting every hit as the window does (newest first, hits of the same
// second in the order found), then taking the first N, gives; oldest first, that order reversed
// and its first N. Dates are few, so many hits share one; they are compared as the date text
// orders them, a negative date after every other.
TEST(TopHitsTest, AgreesWithSortingEveryHit) {
  std::mt19937 random(17);
  for (int round = 0; round < 50; ++round) {
    const size_t hits = random() % 40;
    std::vector<std::pair<int32_t, std::string>> all;
    for (size_t i = 0; i < hits; ++i) {
      const int32_t dates[] = {5, 7, 9, -3, 2147483647};
      all.emplace_back(dates[random() % 5], std::to_string(i));
    }
    std::vector<std::pair<int32_t, std::string>> sorted = all;
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
      return static_cast<uint32_t>(a.first) > static_cast<uint32_t>(b.first);
    });
    for (const size_t limit : {size_t{1}, size_t{3}, hits, hits + 5}) {
      if (limit == 0) continue;
      for (const bool oldest : {false, true}) {
        TopHits top(limit, oldest, false);
        for (const auto& [date, key] : all) top.Offer("f\\", Hit(date, key));
        top.Finish();
        std::vector<std::string> want;
        for (size_t i = 0; i < std::min(limit, hits); ++i) {
          want.push_back(oldest ? sorted[hits - 1 - i].second : sorted[i].second);
        }
        EXPECT_EQ(Keys(top), want) << "round " << round << ", limit " << limit;
      }
    }
  }
}

TEST(TopHitsTest, RowsAreThoseTheRunWouldMake) {
  TopHits top(5, false, true);
  top.Offer("m.mb\\\x89\xc6\x91\xb0\\", Hit(32400, "k1", ""));  // 家族
  top.Offer("m.mb\\", Hit(-1, "k2", "subject"));
  top.Finish();
  ASSERT_EQ(top.Count(), 2u);
  THitRow scratch;
  const THitRow& wrapped = top.Row(0, &scratch);  // shown as 2106, so the newest
  EXPECT_EQ(wrapped.Date, "2106/02/07 06:28:15");
  EXPECT_EQ(wrapped.DateValue, -1);
  EXPECT_EQ(wrapped.Subject, "subject");
  const THitRow& first = top.Row(1, &scratch);
  EXPECT_EQ(first.Subject, "(\x96\xb3\x91\xe8)");  // (無題)
  EXPECT_EQ(first.Date, "1970/01/01 09:00:00");
  EXPECT_EQ(first.Folder, "m.mb\\\x89\xc6\x91\xb0\\");
  EXPECT_EQ(first.MailID, "m.mb\\\x89\xc6\x91\xb0\\?k1");
  EXPECT_EQ(first.From, "from");
  EXPECT_EQ(first.To, "to");

  TopHits without_to(1, false, false);
  without_to.Offer("f\\", Hit(1, "k"));
  without_to.Finish();
  EXPECT_EQ(without_to.Row(0, &scratch).To, "");
}

}  // namespace
}  // namespace zeldrium::find
