#include "ui/portable/count_text.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(CountTextTest, TheEndCountsPlainlyAndTheProgressInGroupsOfThree) {
  EXPECT_EQ(CountText(0), "0 \x8c\x8f");
  EXPECT_EQ(CountText(1234567), "1234567 \x8c\x8f");
  const std::string searching = "\x8c\x9f\x8d\xf5\x92\x86\x81\x63 ";  // 検索中…
  EXPECT_EQ(ProgressText(0), searching + "0 \x8c\x8f");
  EXPECT_EQ(ProgressText(999), searching + "999 \x8c\x8f");
  EXPECT_EQ(ProgressText(1000), searching + "1,000 \x8c\x8f");
  EXPECT_EQ(ProgressText(123456), searching + "123,456 \x8c\x8f");
  EXPECT_EQ(ProgressText(1234567), searching + "1,234,567 \x8c\x8f");
}

}  // namespace
}  // namespace ui
