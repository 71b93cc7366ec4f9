#include "win32/dpi.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The 144-dpi run of these tests happens in a prefix of its own (scripts/wine-dpi.sh): make sure
// the windows really are drawn at the DPI that run stands for.
TEST(Dpi, WindowsAreDrawnAtTheDpiOfThisRun) {
  const char* wanted = std::getenv("ZELDRIUM_TEST_DPI");
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(win32::WindowDpi(window), wanted ? std::atoi(wanted) : 96);
  DestroyWindow(window);
}

// Column widths go to the settings file as designed pixels and come back scaled: a width must
// survive any number of closings unchanged.
TEST(Dpi, DesignedSizesSurviveTheWayThereAndBack) {
  for (int dpi : {96, 120, 144, 168, 192, 288}) {
    SCOPED_TRACE(dpi);
    for (int designed = 0; designed <= 2000; ++designed) {
      ASSERT_EQ(win32::Unscaled(win32::Scaled(designed, dpi), dpi), designed);
    }
  }
  EXPECT_EQ(win32::Scaled(241, 96), 241);
  EXPECT_EQ(win32::FontHeightAt(9, 96), -12);
  EXPECT_EQ(win32::FontHeightAt(9, 144), -18);
}

}  // namespace
