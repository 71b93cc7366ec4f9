#include "win32/module_life.h"

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
  win32::OurFrame inner;
  Log().push_back(2);
  win32::WhenOffTheStack(&First);
}

TEST(ModuleLifeTest, TeardownWaitsForTheOutermostFrameAndRunsOnce) {
  Log().clear();
  EXPECT_EQ(win32::FramesOnStack(), 0);
  {
    win32::OurFrame outer;
    {
      win32::OurFrame inner;
      EXPECT_EQ(win32::FramesOnStack(), 2);
      win32::WhenOffTheStack(&First);
      win32::WhenOffTheStack(&Second);  // the later request replaces the earlier one
    }
    EXPECT_TRUE(Log().empty()) << "a frame is still on the stack";
  }
  EXPECT_EQ(Log(), std::vector<int>{2});
  EXPECT_EQ(win32::FramesOnStack(), 0);
  // Asked for from inside the action, First waits for the next outermost frame.
  { win32::OurFrame next; }
  EXPECT_EQ(Log(), (std::vector<int>{2, 1}));
  { win32::OurFrame again; }
  EXPECT_EQ(Log(), (std::vector<int>{2, 1}));
}

}  // namespace
