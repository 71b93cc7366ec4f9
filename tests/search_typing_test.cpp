// The search text searched as it is typed: the keys go wherever the focus is, and the rows are
// there once the keys have been handled.
#include <string>
#include <vector>

#include "tests/window_driver.h"

namespace {

using namespace mainview;

class TypingTest : public SearchWindowTest {};

// Typing shows the rows of the text without a tab, a history entry or a word to the settings
// file; Enter then makes the one tab and history entry, keeping the rows the preview found (the
// index it read is gone meanwhile), and 再検索 reads the store again.
TEST_F(TypingTest, TypingShowsAPreviewThatMakesNoTabAndEnterMakesOne) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  TypeKeys(L"taro");
  EXPECT_EQ(Counter(), Count(1));
  ASSERT_EQ(RowCount(), 1);
  EXPECT_EQ(Cell(0, 1), W(testutil::kFirstFrom));
  EXPECT_EQ(Tabs(), Texts{});
  EXPECT_EQ(ComboItems(kComboBox1), Texts{});
  EXPECT_EQ(ComboSelection(kComboBox2), 0) << "From, as Enter would choose";
  EXPECT_TRUE(HasFocus(Edit()));
  EXPECT_FALSE(testutil::FileExists(IniPath()));

  ASSERT_TRUE(DeleteFileW((store_.path() + L"Main.mb\\Inbox\\Folder.idx").c_str()));
  PressKey(VK_RETURN);
  EXPECT_EQ(Tabs(), Texts{L"taro"});
  EXPECT_EQ(CurrentTab(), 0);
  EXPECT_EQ(ComboItems(kComboBox1), Texts{L"taro"});
  EXPECT_EQ(Counter(), Count(1));
  EXPECT_EQ(RowCount(), 1);
  EXPECT_TRUE(Enabled(kPropBtn));
  EXPECT_EQ(SearchText(), L"taro");

  Click(kReFindBtn);
  EXPECT_EQ(Counter(), Count(0));
  EXPECT_EQ(Tabs(), Texts{L"taro"});
}

// The text the window puts into the box when a tab is searched is the tab's, not a search of its
// own: the tab's two rows stay. An entry picked from the box's list is searched as typed.
TEST_F(TypingTest, TheTabsTextIsNotSearchedAgainButAPickedEntryIs) {
  WriteSettings(
      "FINDHISTORY=hanako,taro\r\n"
      "FINDPARAM0=both,0,,0,0,0,0,hanako,0,0,0,0,taro,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ChooseTab(0);
  PumpMessages();
  EXPECT_EQ(SearchText(), L"hanako");
  EXPECT_EQ(Counter(), Count(2));

  Choose(kComboBox1, 1);
  PumpMessages();
  EXPECT_EQ(SearchText(), L"taro");
  EXPECT_EQ(Counter(), Count(1));
  EXPECT_EQ(Cell(0, 1), W(testutil::kFirstFrom));
  EXPECT_EQ(Tabs(), Texts{L"both"});
}

// While the input method composes, what stands in the box is not yet the user's text: it is
// searched once the composition ends.
TEST_F(TypingTest, TheInputMethodsTextIsSearchedOnceComposed) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  HWND edit = GetFocus();
  PostMessageW(edit, WM_IME_STARTCOMPOSITION, 0, 0);
  PumpMessages();
  TypeKeys(L"taro");
  EXPECT_EQ(SearchText(), L"taro");
  EXPECT_EQ(Counter(), L"");
  PostMessageW(edit, WM_IME_ENDCOMPOSITION, 0, 0);
  PumpMessages();
  EXPECT_EQ(Counter(), Count(1));
}

}  // namespace
