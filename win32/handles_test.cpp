#include "win32/handles.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(UniqueHandle, MoveAssignmentClosesWhatItHeld) {
  win32::UniqueHmenu a(CreateMenu());
  win32::UniqueHmenu b(CreateMenu());
  HMENU first = a.get();
  HMENU second = b.get();
  a = std::move(b);
  EXPECT_FALSE(IsMenu(first));
  EXPECT_EQ(a.get(), second);
  EXPECT_EQ(b.get(), nullptr);
  a.reset();
  EXPECT_FALSE(IsMenu(second));
}

TEST(UniqueHandle, ReleaseGivesUpOwnershipAndSelfMoveKeepsTheHandle) {
  HMENU menu;
  {
    win32::UniqueHmenu owner(CreateMenu());
    auto& same = owner;
    owner = std::move(same);
    EXPECT_TRUE(IsMenu(owner.get()));
    menu = owner.release();
    EXPECT_FALSE(owner);
  }
  EXPECT_TRUE(IsMenu(menu));
  DestroyMenu(menu);
}

TEST(UniqueHandle, WindowIsDestroyedWithItsOwner) {
  HWND hwnd;
  {
    win32::UniqueHwnd window(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                             nullptr, nullptr, nullptr));
    hwnd = window.get();
    ASSERT_TRUE(IsWindow(hwnd));
    win32::UniqueHwnd moved(std::move(window));
    EXPECT_TRUE(IsWindow(hwnd));
  }
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(SelectObjectGuard, PutsThePreviousObjectBack) {
  win32::UniqueHdc dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  win32::UniqueHfont font(
      CreateFontW(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_FONT);
  {
    win32::SelectObjectGuard guard(dc.get(), font.get());
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), font.get());
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), before);
}

}  // namespace
