#include "ui/portable/main_view_bar_layout.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace ui {
namespace {

// A bar of a button, a box that gives way first, a label, and a separator, with a reserve of 20.
const std::vector<int> kItems = {30, 200, 100, 10};
const std::vector<BarGiveUp> kOrder = {{BarGiveUp::kReserve, 0}, {1, 80}, {2, 0}, {3, 2}, {1, 40}};
constexpr int kReserve = 20;
constexpr int kDesigned = 340;

// Width by width, the count gets what the designed layout leaves it until its text would not
// fit; from then on the items give way in order, each only as far as needed, and the count's
// text always has its room, right up to the bar's right end.
TEST(BarLayout, ItemsGiveWayInOrderSoThatTheCountIsReadable) {
  struct Case {
    int bar;
    std::vector<int> widths;
    int count_width;
  } cases[] = {
      {500, {30, 200, 100, 10}, 140},  // wider than designed: the count takes the rest
      {kDesigned + 50 + kReserve, {30, 200, 100, 10}, 50},  // exactly designed
      {kDesigned + 50 + 5, {30, 200, 100, 10}, 50},         // the reserve gave 15
      {kDesigned + 50 - 70, {30, 130, 100, 10}, 50},        // no reserve; the box gave 70
      {kDesigned + 50 - 170, {30, 80, 50, 10}, 50},         // the box at 80, the label gave 50
      {kDesigned + 50 - 228, {30, 80, 0, 2}, 50},           // label gone, separator at 2
      {kDesigned + 50 - 260, {30, 48, 0, 2}, 50},           // the box again
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bar);
    const BarFit fit = FitBar(kItems, kReserve, c.bar, 50, kOrder);
    EXPECT_EQ(fit.widths, c.widths);
    EXPECT_EQ(fit.count_width, c.count_width);
    EXPECT_EQ(fit.count_left, std::accumulate(c.widths.begin(), c.widths.end(), 0));
    EXPECT_FALSE(fit.covers_items);
  }
}

TEST(BarLayout, WhenNothingIsLeftToGiveTheCountLiesOverTheLastItems) {
  // Everything at its least and the count's text just fits: nothing is covered yet.
  const BarFit just = FitBar(kItems, kReserve, 30 + 40 + 0 + 2 + 50, 50, kOrder);
  EXPECT_EQ(just.widths, (std::vector<int>{30, 40, 0, 2}));
  EXPECT_FALSE(just.covers_items);
  EXPECT_EQ(just.count_left, 72);
  EXPECT_EQ(just.count_width, 50);
  // One pixel less and the count lies over the items.
  EXPECT_TRUE(FitBar(kItems, kReserve, 30 + 40 + 0 + 2 + 49, 50, kOrder).covers_items);

  const BarFit fit = FitBar(kItems, kReserve, 100, 50, kOrder);
  EXPECT_EQ(fit.widths, (std::vector<int>{30, 40, 0, 2}));
  EXPECT_TRUE(fit.covers_items);
  EXPECT_EQ(fit.count_left, 50);
  EXPECT_EQ(fit.count_width, 50);
  // A bar narrower than the text: the count starts at the left edge and has the whole bar.
  const BarFit tiny = FitBar(kItems, kReserve, 30, 50, kOrder);
  EXPECT_EQ(tiny.count_left, 0);
  EXPECT_EQ(tiny.count_width, 30);
}

TEST(BarLayout, GiveUpsOfItemsThatDoNotExistAreSkipped) {
  const BarFit fit = FitBar({100}, 0, 120, 50, {{7, 0}, {0, 60}});
  EXPECT_EQ(fit.widths, (std::vector<int>{70}));
  EXPECT_EQ(fit.count_width, 50);
}

// An item that gives all or nothing (the scope selector) leaves what it gave beyond the need to
// the count.
TEST(BarLayout, AWholeGiveUpLeavesItsRestToTheCount) {
  const std::vector<BarGiveUp> order = {{BarGiveUp::kReserve, 0}, {1, 0, true}, {0, 10}};
  const BarFit fit = FitBar({30, 100}, 20, 130 + 50 - 30, 50, order);
  EXPECT_EQ(fit.widths, (std::vector<int>{30, 0}));
  EXPECT_EQ(fit.count_left, 30);
  EXPECT_EQ(fit.count_width, 120);
  EXPECT_FALSE(fit.covers_items);
}

// Room for a longer count (a search's progress) comes only from the soft give-ups: where they can
// make it, the items stand as they will for any count up to that room; else the count gets what
// its text needs, as from FitBar.
TEST(BarLayout, RoomForTheProgressComesFromTheSoftGiveUpsOnly) {
  const size_t soft = 2;  // the reserve and the box down to 80
  const BarFit wide = FitBarWithRoom(kItems, kReserve, kDesigned + 60, 50, 100, kOrder, soft);
  EXPECT_EQ(wide.widths, (std::vector<int>{30, 160, 100, 10}));
  EXPECT_EQ(wide.count_width, 100);
  // The same bar with the longer count: nothing moves.
  EXPECT_EQ(FitBarWithRoom(kItems, kReserve, kDesigned + 60, 100, 100, kOrder, soft).widths,
            wide.widths);
  // Too narrow for the room from the box alone: the items give for the text only.
  const int narrow = kDesigned + 50 - 170;
  const BarFit fit = FitBarWithRoom(kItems, kReserve, narrow, 50, 100, kOrder, soft);
  const BarFit plain = FitBar(kItems, kReserve, narrow, 50, kOrder);
  EXPECT_EQ(fit.widths, plain.widths);
  EXPECT_EQ(fit.count_width, plain.count_width);
}

}  // namespace
}  // namespace ui
