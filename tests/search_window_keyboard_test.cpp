// The search window driven by the keyboard alone, as a user meets it: the keys go wherever the
// focus is, and the test never puts the focus anywhere itself.
#include <string>
#include <vector>

#include "tests/window_driver.h"

namespace {

using namespace mainview;

class KeyboardTest : public SearchWindowTest {
 protected:
  HWND Picker() const { return Item(kDateTimePicker1); }
  HWND FieldSelector() const { return Item(kComboBox2); }
  HWND ScopeSelector() const { return Item(kScopeBox); }
  std::pair<DWORD, DWORD> Selection() const {
    DWORD from = 0, to = 0;
    SendMessageW(Edit(), EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    return {from, to};
  }
};

// "クイック検索...", a name typed, Enter; Tab into the list, the arrow keys through the hits,
// Enter on the chosen one. The user had moved the window and made it narrow before.
TEST_F(KeyboardTest, FromTheMenuCommandToAHitWithoutTheMouse) {
  ASSERT_NE(StartWindow(), nullptr);
  SetWindowPos(form_, nullptr, 50, 60, 600, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindowByCommand("FindWin");
  RECT placed = {};
  GetWindowRect(form_, &placed);
  ASSERT_EQ(placed.right - placed.left, 600) << "no host list to lay it over: it stays";
  ASSERT_TRUE(HasFocus(Edit())) << "the typed text would go nowhere";
  TypeText(L"example");
  PressKey(VK_RETURN);
  EXPECT_EQ(Counter(), Count(3));
  EXPECT_EQ(Tabs(), (Texts{L"example"}));
  EXPECT_TRUE(HasFocus(Edit())) << "the search text keeps the keyboard after a search";
  EXPECT_EQ(SearchText(), L"example") << "no stray character";

  PressKey(VK_TAB);
  EXPECT_TRUE(HasFocus(Picker()));
  PressKey(VK_TAB);
  ASSERT_TRUE(HasFocus(List()));
  PressKey(VK_DOWN);
  EXPECT_EQ(SelectedRow(), 0);
  EXPECT_EQ(W(standin::CurrentMail().c_str()), Cell(0, 4));
  PressKey(VK_DOWN);
  ASSERT_EQ(SelectedRow(), 1);
  const std::wstring chosen = Cell(1, 4);
  EXPECT_EQ(W(standin::CurrentMail().c_str()), chosen);

  PressKey(VK_RETURN);
  EXPECT_FALSE(Visible()) << "Enter on a row does what a double-click does";
  EXPECT_EQ(W(standin::CurrentMail().c_str()), chosen);
  EXPECT_EQ(Setting("FINDPARAM0").substr(0, 8), "example,") << "and the settings are saved";
}

TEST_F(KeyboardTest, TabAndShiftTabGoRoundTheSearchBarAndTheList) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ASSERT_TRUE(HasFocus(Edit()));
  TypeText(L"abc");
  const HWND forward[] = {Picker(), List(), FieldSelector(), ScopeSelector(), Edit()};
  for (HWND next : forward) {
    PressKey(VK_TAB);
    EXPECT_TRUE(HasFocus(next));
  }
  const HWND backward[] = {ScopeSelector(), FieldSelector(), List(), Picker(), Edit()};
  for (HWND next : backward) {
    PressKey(VK_TAB, true);
    EXPECT_TRUE(HasFocus(next));
  }
  EXPECT_EQ(SearchText(), L"abc") << "Tab types nothing";
  EXPECT_EQ(Selection(), std::make_pair(DWORD{0}, DWORD{3}))
      << "reached by Tab, the text is selected";
  TypeText(L"x");
  EXPECT_EQ(SearchText(), L"x");
  // The field selector chosen by the keyboard searches that field.
  PressKey(VK_TAB, true);
  PressKey(VK_TAB, true);
  ASSERT_TRUE(HasFocus(FieldSelector()));
  EXPECT_EQ(ComboSelection(kComboBox2), 0) << "From, chosen when the typing was searched";
  PressKey(VK_DOWN);
  EXPECT_EQ(ComboSelection(kComboBox2), 1);
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  TypeText(L"hanako");
  PressKey(VK_RETURN);
  EXPECT_EQ(Counter(), Count(1));
  EXPECT_EQ(Cell(0, 1), W(testutil::kFirstFrom)) << "the mail to hanako";
}

TEST_F(KeyboardTest, HotKeyPutsTheKeyboardIntoTheSearchTextWithItsTextSelected) {
  ASSERT_NE(StartWindow(), nullptr);
  SendMessageW(form_, WM_HOTKEY, 0, 0);
  ASSERT_TRUE(Visible());
  ASSERT_TRUE(HasFocus(Edit()));
  TypeText(L"taro");
  PressKey(VK_RETURN);
  EXPECT_EQ(Counter(), Count(1));
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  ASSERT_TRUE(HasFocus(List()));
  SendMessageW(form_, WM_HOTKEY, 0, 0);
  ASSERT_FALSE(Visible());
  SendMessageW(form_, WM_HOTKEY, 0, 0);
  ASSERT_TRUE(Visible());
  EXPECT_TRUE(HasFocus(Edit()));
  EXPECT_EQ(Selection(), std::make_pair(DWORD{0}, DWORD{4}));
  TypeText(L"jiro");
  EXPECT_EQ(SearchText(), L"jiro") << "what is typed replaces the last search";
}

TEST_F(KeyboardTest, SenderSearchPutsTheKeyboardIntoTheResultList) {
  ASSERT_NE(StartWindow(), nullptr);
  ASSERT_TRUE(standin::SelectMail(InboxId(testutil::kFirstKey)));
  ShowWindowByCommand("FromFinder");
  ASSERT_TRUE(Visible());
  ASSERT_TRUE(HasFocus(List()));
  EXPECT_EQ(SelectedRow(), -1);
  PressKey(VK_RETURN);
  EXPECT_TRUE(Visible()) << "Enter without a chosen row closes nothing";
  PressKey(VK_DOWN);
  EXPECT_EQ(SelectedRow(), 0);
  EXPECT_EQ(standin::CurrentMail(), InboxId(testutil::kFirstKey));
}

// The user clicks into the host and comes back: the keyboard is where it was.
TEST_F(KeyboardTest, TheFocusComesBackAfterAVisitToTheHost) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  TypeText(L"example");
  PressKey(VK_RETURN);
  PressKey(VK_TAB);
  PressKey(VK_TAB);
  PressKey(VK_DOWN);
  ASSERT_TRUE(HasFocus(List()));
  HWND host = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr,
                              nullptr, nullptr, nullptr);
  SetForegroundWindow(host);
  ASSERT_EQ(GetForegroundWindow(), host);
  EXPECT_FALSE(HasFocus(List()));
  SetForegroundWindow(form_);
  EXPECT_TRUE(HasFocus(List()));
  PressKey(VK_DOWN);
  EXPECT_EQ(SelectedRow(), 1);
  DestroyWindow(host);
}

TEST_F(KeyboardTest, ARealDoubleClickOnARowShowsTheMailAndHidesTheWindow) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  TypeText(L"example");
  PressKey(VK_RETURN);
  ASSERT_EQ(RowCount(), 3);
  const std::wstring row2 = Cell(2, 4);
  ClickAt(List(), RowPoint(2), false, true);
  EXPECT_FALSE(Visible());
  EXPECT_EQ(W(standin::CurrentMail().c_str()), row2);
  EXPECT_EQ(RowIcon(2), 1);
  EXPECT_NE(Setting("WINDOWINFO"), "<none>");
}

// Every control inside the tab strip without a menu of its own offers the tab strip's menu;
// the search text keeps its edit menu.
TEST_F(KeyboardTest, RightClicksOpenTheTabMenuEverywhereButInTheSearchText) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  TypeText(L"example");
  PressKey(VK_RETURN);
  HWND header = reinterpret_cast<HWND>(SendMessageW(List(), LVM_GETHEADER, 0, 0));
  RECT empty_part = {};
  GetClientRect(List(), &empty_part);
  RECT bar = {};
  GetClientRect(Bar(), &bar);
  RECT stop = {};
  SendMessageW(Bar(), TB_GETRECT, kStopBtn, reinterpret_cast<LPARAM>(&stop));
  struct Place {
    const char* what;
    HWND window;
    POINT at;
  } places[] = {
      {"field selector", FieldSelector(), {10, 8}},
      {"date picker", Picker(), {20, 8}},
      {"a row", List(), RowPoint(1)},
      {"the list below its rows", List(), {20, empty_part.bottom - 5}},
      {"the column header", header, {30, 5}},
      {"a disabled button", Bar(), {(stop.left + stop.right) / 2, (stop.top + stop.bottom) / 2}},
      {"the tab strip",
       TabStrip(),
       {10,
        [&] {
          RECT r;
          GetClientRect(TabStrip(), &r);
          return static_cast<int>(r.bottom) - 5;
        }()}},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.what);
    ASSERT_NE(p.window, nullptr);
    bool opened = false;
    std::map<int, UINT> items = MenuOpenedBy([&] { ClickAt(p.window, p.at, true); }, &opened);
    EXPECT_TRUE(opened);
    EXPECT_EQ(items.size(), 11u) << "the tab strip's menu";
  }
  bool opened = false;
  std::map<int, UINT> items = MenuOpenedBy([&] { ClickAt(Edit(), {5, 5}, true); }, &opened);
  EXPECT_TRUE(opened) << "the edit menu";
  EXPECT_TRUE(items.empty());
}

}  // namespace
