#include "highlight.h"

#include "gtest/gtest.h"
#include "testsupport/test_conditions.h"

namespace zeldrium::find {
namespace {

THitRow Hit(std::string subject, std::string from, std::string to) {
  THitRow row;
  row.Subject = std::move(subject);
  row.From = std::move(from);
  row.To = std::move(to);
  return row;
}

// The matcher's marks (checked against the matcher itself in query/), over the rows as printed.
TEST(WordHighlighterTest, MarksWhatTheWindowMarksInTheRowsAsPrinted) {
  const WordHighlighter subject(Rec({Row(kLogicOr, kTargetSubject, "\x96\xb3\x91\xe8,re")}));
  EXPECT_FALSE(subject.NeedsTo());
  EXPECT_EQ(subject.Find(Column::kSubject, Hit("Re: x", "", "")), (Ranges{{0, 2}}));
  // (無題) is printed for an empty subject, where no word was found.
  EXPECT_EQ(subject.Find(Column::kSubject, Hit(std::string(kNoSubject), "", "")), Ranges{});
  EXPECT_EQ(subject.Find(Column::kFrom, Hit("re", "re", "")), Ranges{});

  // All of bob and ann, in From or To: the row holds by what To holds.
  const WordHighlighter from_to(Rec({Row(kLogicOr, kTargetFromTo, "bob ann", true)}));
  EXPECT_TRUE(from_to.NeedsTo());
  EXPECT_EQ(from_to.Find(Column::kFrom, Hit("", "bob", "ann")), (Ranges{{0, 3}}));
  EXPECT_EQ(from_to.Find(Column::kFrom, Hit("", "bob", "")), Ranges{});
}

}  // namespace
}  // namespace zeldrium::find
