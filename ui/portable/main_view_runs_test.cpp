#include "ui/portable/main_view_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace ui {
namespace {

// A run as the window makes one: it pauses a few times, letting through whatever the test
// scripted for that pause (the messages), and gives up when told to.
class RunsTest : public ::testing::Test {
 protected:
  static constexpr int kPauses = 3;

  RunsTest()
      : runs_([this] {
          ++depth_;
          max_depth_ = std::max(max_depth_, depth_);
          const int run = runs_made_++;
          log_.push_back("run" + std::to_string(run));
          for (int pause = 0; pause < kPauses; ++pause) {
            auto scripted = during_.find({run, pause});
            if (scripted != during_.end()) scripted->second();
            if (runs_.ShouldGiveUp()) {
              log_.back() += " gave up";
              break;
            }
          }
          --depth_;
        }) {}

  // What reaches the window at pause `pause` of the run-th run (counted from 0 over the test).
  void During(int run, int pause, std::function<void()> what) { during_[{run, pause}] = what; }
  std::function<void()> Note(std::string text) {
    return [this, text] { log_.push_back(text); };
  }

  RunScheduler runs_;
  std::vector<std::string> log_;
  std::map<std::pair<int, int>, std::function<void()>> during_;
  int runs_made_ = 0;
  int depth_ = 0;
  int max_depth_ = 0;
};

TEST_F(RunsTest, OutsideARunEverythingHappensAtOnce) {
  runs_.WhenIdle(Note("a"), RunScheduler::Wait::kEndTheRun);
  runs_.RequestRun();
  runs_.AfterRuns(Note("b"));
  EXPECT_EQ(log_, (std::vector<std::string>{"a", "run0", "b"}));
  EXPECT_FALSE(runs_.Busy());
  EXPECT_FALSE(runs_.ShouldGiveUp());
}

// However requests pile up, runs never nest, the running one gives way at once, and a single
// run follows for all that was asked, after what waited for it.
TEST_F(RunsTest, RequestsDuringARunEndItAndTheLatestIsCarriedOutOnce) {
  During(0, 0, [this] {
    EXPECT_TRUE(runs_.Running());
    runs_.RequestRun();
    runs_.WhenIdle(Note("new tab chosen"), RunScheduler::Wait::kEndTheRun);
    runs_.RequestRun();
    runs_.WhenIdle(Note("another"), RunScheduler::Wait::kEndTheRun);
    EXPECT_EQ(log_.size(), 1u) << "nothing is carried out under the run";
  });
  runs_.RequestRun();
  EXPECT_EQ(log_, (std::vector<std::string>{"run0 gave up", "new tab chosen", "another", "run1"}));
  EXPECT_EQ(max_depth_, 1);
}

TEST_F(RunsTest, AnActionThatLetsTheRunFinishWaitsForItsEnd) {
  During(0, 1, [this] { runs_.WhenIdle(Note("clear all"), RunScheduler::Wait::kLetItFinish); });
  runs_.RequestRun();
  EXPECT_EQ(log_, (std::vector<std::string>{"run0", "clear all"}));
}

// Showing the window waits for the rows of every run asked for, also for a run that an action
// carried out after the first one asked for.
TEST_F(RunsTest, AfterRunsWaitsForTheLastRunOfTheSeries) {
  During(0, 0, [this] {
    runs_.WhenIdle(
        [this] {
          log_.push_back("new search");
          runs_.RequestRun();
          runs_.AfterRuns(Note("show"));
        },
        RunScheduler::Wait::kEndTheRun);
  });
  runs_.RequestRun();
  EXPECT_EQ(log_, (std::vector<std::string>{"run0 gave up", "new search", "run1", "show"}));
}

TEST_F(RunsTest, QuitEndsTheSeriesButNotTheNextOne) {
  During(0, 0, [this] {
    runs_.QuitSeen();
    runs_.RequestRun();
  });
  runs_.RequestRun();
  EXPECT_EQ(log_, (std::vector<std::string>{"run0 gave up"}));
  EXPECT_FALSE(runs_.Busy());
  runs_.RequestRun();
  EXPECT_EQ(log_.back(), "run1");
}

TEST_F(RunsTest, AfterTheHostExitsNoRunStarts) {
  During(0, 1, [this] { runs_.HostExiting(); });
  runs_.RequestRun();
  runs_.RequestRun();
  EXPECT_EQ(log_, (std::vector<std::string>{"run0 gave up"}));
  EXPECT_TRUE(runs_.HostExited());
  runs_.WhenIdle(Note("still carried out"), RunScheduler::Wait::kLetItFinish);
  EXPECT_EQ(log_.back(), "still carried out");
}

TEST_F(RunsTest, AnActionThatThrowsLeavesTheOthersAndTheRun) {
  During(0, 0, [this] {
    runs_.WhenIdle([] { throw std::runtime_error("x"); }, RunScheduler::Wait::kEndTheRun);
    runs_.WhenIdle(Note("next"), RunScheduler::Wait::kEndTheRun);
    runs_.RequestRun();
  });
  runs_.RequestRun();
  EXPECT_EQ(log_, (std::vector<std::string>{"run0 gave up", "next", "run1"}));
  EXPECT_FALSE(runs_.Busy());
}

}  // namespace
}  // namespace ui
