#include "host/module_life.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int>& Log() {
  static std::vector<int> log;
  return log;
}
void First() { Log().push_back(1); }
void Second() {
  // The action's own way back into the plug-in's code does not start it again.
  host::OurFrame inner;
  Log().push_back(2);
  host::WhenOffTheStack(&First);
}

TEST(ModuleLifeTest, TeardownWaitsForTheOutermostFrameAndRunsOnce) {
  Log().clear();
  EXPECT_EQ(host::FramesOnStack(), 0);
  {
    host::OurFrame outer;
    {
      host::OurFrame inner;
      EXPECT_EQ(host::FramesOnStack(), 2);
      host::WhenOffTheStack(&First);
      host::WhenOffTheStack(&Second);  // the later request replaces the earlier one
    }
    EXPECT_TRUE(Log().empty()) << "a frame is still on the stack";
  }
  EXPECT_EQ(Log(), std::vector<int>{2});
  EXPECT_EQ(host::FramesOnStack(), 0);
  // Asked for from inside the action, First waits for the next outermost frame.
  { host::OurFrame next; }
  EXPECT_EQ(Log(), (std::vector<int>{2, 1}));
  { host::OurFrame again; }
  EXPECT_EQ(Log(), (std::vector<int>{2, 1}));
}

}  // namespace
