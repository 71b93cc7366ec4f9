#include "ui/portable/main_view_place.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/ini_params.h"
#include "settings/screen_fit.h"

namespace ui {
namespace {

using zeldrium::TRect;
using zeldrium::TWindowState;

TEST(DefaultBoundsTest, TheDesignedPlaceHeldToTheWorkArea) {
  struct Case {
    int dpi;
    TRect work;
    TRect expected;
  } cases[] = {
      {96, {0, 0, 1280, 1024}, {302, 281, 1234, 680}},
      {144, {0, 0, 1920, 1040}, {302, 281, 1700, 880}},
      // 1398 x 599 at 144 dpi on a 1280 x 800 screen: cut to its width.
      {144, {0, 0, 1280, 760}, {0, 161, 1280, 760}},
      // 1864 x 798 at 192 dpi on 1920 x 1080 ran 246 pixels off the right edge.
      {192, {0, 0, 1920, 1040}, {56, 242, 1920, 1040}},
      // A task bar at the top and on the left.
      {96, {60, 40, 1024, 768}, {92, 281, 1024, 680}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DefaultBounds(c.dpi, c.work), c.expected) << c.dpi;
  }
}

// The search window, deciding as MainViewPlacement does, in a per-monitor aware host on two
// monitors of other DPIs. Its DPI is that of the monitor holding most of it; when that changes,
// it is told, with its bounds scaled by the change (as Windows suggests them), before the move
// that caused it returns.
class SimulatedWindow : public zeldrium::PlacedWindow {
 public:
  // Created hidden on the primary monitor, at the designed bounds for its DPI.
  SimulatedWindow() { SetBounds(DefaultBounds(kDpis[0], kWork[0])); }
  // The user drags the window by (dx, dy).
  void Drag(int dx, int dy) {
    Move({bounds_.Left + dx, bounds_.Top + dy, bounds_.Right + dx, bounds_.Bottom + dy});
  }

  TWindowState GetState() const override { return TWindowState::kNormal; }
  void SetState(TWindowState) override {}
  TRect GetBounds() const override { return bounds_; }
  void SetBounds(const TRect& bounds) override {
    follower_.BeginPlacing(bounds);
    Move(bounds);
    follower_.EndPlacing();
  }
  std::vector<TRect> WorkAreas() const override { return {kWork[0], kWork[1]}; }

 private:
  static constexpr TRect kWork[] = {{0, 0, 1920, 1040}, {1920, 0, 4800, 1580}};
  static constexpr int kDpis[] = {96, 144};

  void Move(const TRect& bounds) {
    bounds_ = bounds;
    const int dpi = kDpis[zeldrium::MonitorOf(bounds_, WorkAreas())];
    if (dpi == dpi_) return;
    const int64_t width = (int64_t{bounds_.Right - bounds_.Left} * dpi + dpi_ / 2) / dpi_;
    const int64_t height = (int64_t{bounds_.Bottom - bounds_.Top} * dpi + dpi_ / 2) / dpi_;
    dpi_ = dpi;
    if (follower_.TakesSuggestedBounds(bounds_)) {
      bounds_.Right = static_cast<int32_t>(bounds_.Left + width);
      bounds_.Bottom = static_cast<int32_t>(bounds_.Top + height);
    }
  }

  DpiFollower follower_;
  TRect bounds_;
  int dpi_ = kDpis[0];
};

// The user drags the new window onto the second monitor, where it grows to look as large as
// before, and closes it there. Three starts and closes later the same bounds are stored.
TEST(DpiFollowerTest, APlacementOnAMonitorOfAnotherDpiComesBackAsStoredAtEveryStart) {
  zeldrium::TInitParam params(nullptr);
  TRect stored;
  {
    SimulatedWindow window;
    params.RestoreWindow(window);
    EXPECT_EQ(window.GetBounds(), (TRect{302, 281, 1234, 680}));
    window.Drag(2000, 0);
    EXPECT_EQ(window.GetBounds(), (TRect{2302, 281, 3700, 880})) << "the size the user saw";
    params.StoreWindow(window);
    stored = params.WindowRect;
  }
  for (int start = 1; start <= 3; ++start) {
    SimulatedWindow window;
    params.RestoreWindow(window);
    EXPECT_EQ(window.GetBounds(), stored) << "start " << start;
    params.StoreWindow(window);
    EXPECT_EQ(params.WindowRect, stored) << "close " << start;
  }
  // Dragged back, it takes the size it had on the primary monitor.
  SimulatedWindow window;
  params.RestoreWindow(window);
  window.Drag(-2000, 0);
  EXPECT_EQ(window.GetBounds(), (TRect{302, 281, 1234, 680}));
}

}  // namespace
}  // namespace ui
