// The search window of the real Zeldrium.dll, driven through the messages its controls send:
// the search bar, the result list, the tabs and their menu, and what closing stores.
#include <string>
#include <vector>

#include "tests/window_driver.h"

namespace {

using namespace mainview;
using testutil::FindParam;
using testutil::IndexLine;

constexpr wchar_t kUntitled[] = L"(\u7121\u984c)";         // (無題)
constexpr char kMeeting[] = "\x89\xef\x8b\x63";            // 会議
constexpr char kInboxName[] = "\x8e\xf3\x90\x4d\x94\xa0";  // 受信箱, the store's display name

TEST_F(SearchWindowTest, CreationAppliesTheSettingsAndLeavesTheListEmpty) {
  const uint32_t limit = testutil::UnixDay(2024, 3, 15) + 37800;  // 10:30 that day
  WriteSettings(
      "COLWIDTH=300,-5,0,120,0,77\r\n"
      "FINDHISTORY=taro,\"a b\"\r\n"
      "FINDCOUNT=2\r\n"
      "SHOWHOTKEY=" +
      std::to_string(0x4000 | VK_F9) +
      "\r\n"
      "FINDPARAM0=" +
      FindParam("Say \"hi\", all", false, "", 2, "hi") +
      "\r\n"
      "FINDPARAM1=" +
      FindParam("jiro", false, "", 0, "jiro") +
      "\r\n"
      "OPTIONSET=0,0,0,0,1,\r\n"
      "DATELIMIT=1," +
      std::to_string(limit) + ",\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  EXPECT_FALSE(Visible());
  EXPECT_EQ(TextOf(form_), L"\u30af\u30a4\u30c3\u30af\u691c\u7d22");  // クイック検索
  const LONG style = GetWindowLongW(form_, GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_SYSMENU) << "no caption buttons";
  EXPECT_TRUE(GetWindowLongW(form_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

  // A name with a quote and a comma is one tab.
  EXPECT_EQ(Tabs(), (Texts{L"Say \"hi\", all", L"jiro"}));
  const LONG tab_style = GetWindowLongW(TabStrip(), GWL_STYLE);
  EXPECT_TRUE(tab_style & TCS_BOTTOM);
  EXPECT_TRUE(tab_style & TCS_MULTILINE);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(Counter(), L"");

  struct Button {
    int id;
    const char* caption;
    bool enabled;
  } buttons[] = {
      {kCloseBtn, "\x81~", true},                         // ×
      {kPropBtn, "\x81\x9d", false},                      // ◎
      {kFindBtn, "\x8c\x9f\x8d\xf5", true},               // 検索
      {kReFindBtn, "\x8d\xc4\x8c\x9f\x8d\xf5...", true},  // 再検索...
      {kStopBtn, "\x92\x86\x8e~", false},                 // 中止
  };
  for (const Button& b : buttons) {
    SCOPED_TRACE(b.id);
    wchar_t text[64] = {};
    SendMessageW(Bar(), TB_GETBUTTONTEXTW, b.id, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(text, W(b.caption));
    EXPECT_EQ(Enabled(b.id), b.enabled);
  }
  EXPECT_EQ(ComboItems(kComboBox2), (Texts{L"From:", L"To:", L"Subject:", L"From,To:"}));
  EXPECT_EQ(ComboSelection(kComboBox2), -1);
  EXPECT_EQ(ComboItems(kComboBox1), (Texts{L"taro", L"a b"}));
  EXPECT_EQ(SearchText(), L"");

  // Columns: widths of 0 or less and surplus fields change nothing.
  const wchar_t* captions[] = {L"Subject", L"From", L"Date", L"Folder", L"MailID"};
  const int widths[] = {300, 200, 150, 120, 0};
  for (int i = 0; i < 5; ++i) {
    wchar_t text[32] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = 32;
    SendMessageW(List(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    EXPECT_STREQ(text, captions[i]);
    EXPECT_EQ(SendMessageW(List(), LVM_GETCOLUMNWIDTH, i, 0), Scaled(widths[i])) << i;
  }

  // The picker holds the day of the limit, ticked.
  SYSTEMTIME day = {};
  EXPECT_EQ(
      SendMessageW(Item(kDateTimePicker1), DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&day)),
      GDT_VALID);
  EXPECT_EQ(day.wYear, 2024);
  EXPECT_EQ(day.wMonth, 3);
  EXPECT_EQ(day.wDay, 15);
  // The hot key is the window's: nobody else can have it.
  EXPECT_FALSE(RegisterHotKey(nullptr, 5, MOD_CONTROL, VK_F9));
}

TEST_F(SearchWindowTest, EnterSearchesTheTypedTextAndKeepsTheHistory) {
  ASSERT_NE(StartWindow(), nullptr);
  PressEnter();  // nothing typed: nothing happens
  EXPECT_TRUE(Tabs().empty());
  EXPECT_EQ(Counter(), L"");

  Search(L"example");
  EXPECT_EQ(ComboSelection(kComboBox2), 0) << "no field chosen: From";
  EXPECT_EQ(Tabs(), (Texts{L"example"}));
  EXPECT_EQ(CurrentTab(), 0);
  EXPECT_EQ(Counter(), std::wstring(L"3") + kCounterWord);
  // Newest first; an empty subject shows as (無題).
  EXPECT_EQ(Column(0), (Texts{kUntitled, L"Re: budget", W(testutil::kFirstSubject)}));
  EXPECT_EQ(Column(2),
            (Texts{L"2020/09/13 23:43:12", L"2020/09/13 22:34:56", L"2020/09/13 21:26:40"}));
  EXPECT_EQ(Cell(2, 1), W(testutil::kFirstFrom));
  EXPECT_EQ(Cell(2, 3), W(kInboxName));
  EXPECT_EQ(Cell(2, 4), W(InboxId(testutil::kFirstKey).c_str()));
  EXPECT_TRUE(Enabled(kFindBtn) && Enabled(kReFindBtn) && Enabled(kPropBtn));
  EXPECT_FALSE(Enabled(kStopBtn));
  EXPECT_EQ(ComboItems(kComboBox1), (Texts{L"example"}));

  // Another letter case leaves the history alone but is a search of its own.
  Search(L"EXAMPLE");
  EXPECT_EQ(ComboItems(kComboBox1), (Texts{L"example"}));
  EXPECT_EQ(Tabs(), (Texts{L"EXAMPLE", L"example"}));
  Search(L"jiro");
  EXPECT_EQ(ComboItems(kComboBox1), (Texts{L"jiro", L"example"}));
  EXPECT_EQ(Counter(), std::wstring(L"1") + kCounterWord);

  // The search button does what Enter does; the choice of field is kept.
  ChooseField(2);
  SendMessageW(Edit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"budget"));
  Click(kFindBtn);
  EXPECT_EQ(Tabs()[0], L"budget");
  EXPECT_EQ(Column(0), (Texts{L"Re: budget"}));
  EXPECT_EQ(ComboSelection(kComboBox2), 2);

  // Choosing a tab searches it again and shows its search in the bar.
  ChooseTab(1);
  EXPECT_EQ(SearchText(), L"jiro");
  EXPECT_EQ(ComboSelection(kComboBox2), 0);
  EXPECT_EQ(Column(1), (Texts{L"Jiro <jiro@example.jp>"}));
}

TEST_F(SearchWindowTest, FieldSelectorOffersTheKeywordsOfTheSavedConditions) {
  WriteSettings("FINDPARAM0=" + FindParam("s", false, "", 2, kMeeting) +
                "\r\n"
                "FINDPARAM1=" +
                FindParam("f", false, "", 0, "a \"b\", c") +
                "\r\n"
                "FINDPARAM2=" +
                FindParam("t", false, "", 1, "hanako") +
                "\r\n"
                "FINDPARAM3=" +
                FindParam("ft", false, "", 3, "both") +
                "\r\n"
                "FINDHISTORY=typed-before\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  Type(L"typed");
  ChooseField(2);
  EXPECT_EQ(ComboItems(kComboBox1), (Texts{W(kMeeting)}));
  EXPECT_EQ(SearchText(), L"typed");
  ChooseField(3);
  EXPECT_EQ(ComboItems(kComboBox1), (Texts{L"a \"b\", c", L"hanako"}));
  ChooseField(0);
  EXPECT_EQ(ComboItems(kComboBox1), (Texts{L"a \"b\", c", L"hanako"}));
  EXPECT_EQ(SearchText(), L"typed");
  // The replaced list is what the history becomes.
  Unload();
  EXPECT_EQ(Setting("FINDHISTORY"), "\"a \"\"b\"\", c\",hanako");
}

TEST_F(SearchWindowTest, SenderSearchLooksForTheBareAddressAndThenShowsTheWindow) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand("FindWin");  // empty text: only shown
  EXPECT_TRUE(Visible());
  EXPECT_TRUE(Tabs().empty());
  SendMessageW(form_, WM_CLOSE, 0, 0);
  ASSERT_FALSE(Visible());

  ASSERT_TRUE(standin::SelectMail(InboxId(testutil::kFirstKey)));
  ShowWindowByCommand("FromFinder");
  EXPECT_TRUE(Visible());
  EXPECT_EQ(Tabs(), (Texts{L"taro"})) << "named after the local part";
  EXPECT_EQ(SearchText(), L"taro@example.jp");
  EXPECT_EQ(ComboSelection(kComboBox2), 0);
  EXPECT_EQ(Counter(), std::wstring(L"1") + kCounterWord);
  EXPECT_TRUE(ComboItems(kComboBox1).empty()) << "the history is not touched";
}

TEST_F(SearchWindowTest, HotKeyShowsRaisesAndHidesWithoutSaving) {
  ASSERT_NE(StartWindow(), nullptr);
  SendMessageW(form_, WM_HOTKEY, 1, 0);
  EXPECT_FALSE(Visible()) << "other identifiers are not ours";
  SendMessageW(form_, WM_HOTKEY, 0, 0);
  ASSERT_TRUE(Visible());
  EXPECT_EQ(GetForegroundWindow(), form_);
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                               nullptr, nullptr, nullptr);
  SetForegroundWindow(other);
  SendMessageW(form_, WM_HOTKEY, 0, 0);
  EXPECT_TRUE(Visible());
  EXPECT_EQ(GetForegroundWindow(), form_);
  SendMessageW(form_, WM_HOTKEY, 0, 0);
  EXPECT_FALSE(Visible());
  EXPECT_FALSE(testutil::FileExists(IniPath())) << "hiding by hot key saves nothing";
  DestroyWindow(other);
}

TEST_F(SearchWindowTest, ClosingStoresTheWindowAndUnloadTheHistory) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  Search(L"example");
  SendMessageW(List(), LVM_SETCOLUMNWIDTH, 1, Scaled(250));
  SYSTEMTIME day = {};
  day.wYear = 2023;
  day.wMonth = 5;
  day.wDay = 6;
  day.wHour = 17;  // the picker keeps the day only
  SendMessageW(Item(kDateTimePicker1), DTM_SETSYSTEMTIME, GDT_VALID,
               reinterpret_cast<LPARAM>(&day));
  Click(kCloseBtn);
  EXPECT_FALSE(Visible());
  EXPECT_TRUE(IsWindow(form_));
  EXPECT_EQ(Setting("COLWIDTH"), "400,250,150,150,0");
  EXPECT_EQ(Setting("DATELIMIT"), "1," + std::to_string(testutil::UnixDay(2023, 5, 6)) + ",");
  EXPECT_EQ(Setting("FINDCOUNT"), "1");
  EXPECT_EQ(Setting("FINDPARAM0").substr(0, 10), "example,0,");
  EXPECT_NE(Setting("WINDOWINFO"), "<none>");
  EXPECT_EQ(Setting("FINDHISTORY"), "<none>") << "the history reaches the file at unload";

  // A cleared box is stored as cleared, with the day it still holds.
  ShowWindowByCommand();
  SendMessageW(Item(kDateTimePicker1), DTM_SETSYSTEMTIME, GDT_NONE, reinterpret_cast<LPARAM>(&day));
  NMHDR dbl = {List(), static_cast<UINT_PTR>(kMailList), static_cast<UINT>(NM_DBLCLK)};
  SendMessageW(form_, WM_NOTIFY, kMailList, reinterpret_cast<LPARAM>(&dbl));
  EXPECT_FALSE(Visible()) << "a double-click closes";
  EXPECT_EQ(Setting("DATELIMIT"), "0," + std::to_string(testutil::UnixDay(2023, 5, 6)) + ",");
  Unload();
  EXPECT_EQ(Setting("FINDHISTORY"), "example");
}

TEST_F(SearchWindowTest, HeaderClicksSortByTheClickedColumn) {
  ASSERT_NE(StartWindow(), nullptr);
  Search(L"example");
  const Texts newest = {L"2020/09/13 23:43:12", L"2020/09/13 22:34:56", L"2020/09/13 21:26:40"};
  const Texts oldest = {newest[2], newest[1], newest[0]};
  ASSERT_EQ(Column(2), newest);
  HeaderClick(2);
  EXPECT_EQ(Column(2), oldest) << "after a run, Date sorts oldest first";
  HeaderClick(2);
  EXPECT_EQ(Column(2), newest);
  // From twice: ascending ignoring case, then descending.
  const Texts from_up = {L"hanako@example.jp", L"Jiro <jiro@example.jp>", W(testutil::kFirstFrom)};
  HeaderClick(1);
  EXPECT_EQ(Column(1), from_up);
  HeaderClick(1);
  EXPECT_EQ(Column(1), (Texts{from_up[2], from_up[1], from_up[0]}));
  // Another column starts again ascending; (無題) sorts as that text.
  HeaderClick(0);
  EXPECT_EQ(Column(0), (Texts{kUntitled, L"Re: budget", W(testutil::kFirstSubject)}));
  HeaderClick(0);
  EXPECT_EQ(Column(0), (Texts{W(testutil::kFirstSubject), L"Re: budget", kUntitled}));
  // A new run is newest first again.
  Click(kReFindBtn);
  EXPECT_EQ(Column(2), newest);
}

TEST_F(SearchWindowTest, KeyboardSelectionShowsEachMailWithoutSearchingAgain) {
  WriteSettings("OPTIONSET=1,0,0,0,0,\r\n");  // subfolders too
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  Search(L"example");
  ASSERT_EQ(RowCount(), 4);
  const Texts ids = Column(4);
  EXPECT_EQ(ids[0], W((std::string(testutil::kInbox2024) + "?00000010.mail").c_str()));
  SetFocus(List());
  KeyToList(VK_HOME);
  for (int row = 0; row < 4; ++row) {
    SCOPED_TRACE(row);
    if (row > 0) KeyToList(VK_DOWN);
    EXPECT_EQ(W(standin::CurrentMail().c_str()), ids[static_cast<size_t>(row)]);
    for (int other = 0; other < 4; ++other) EXPECT_EQ(RowIcon(other), other == row ? 1 : 0);
    // The host changed folders for the first and second hit; the list stays.
    EXPECT_EQ(Column(4), ids);
    EXPECT_EQ(Counter(), std::wstring(L"4") + kCounterWord);
  }
  EXPECT_EQ(standin::CurrentFolder(), testutil::kInbox);
}

TEST_F(SearchWindowTest, ContextMenuEnablesTheMovesThatCanBeMade) {
  WriteSettings("FINDPARAM0=" + FindParam("a", false, "", 0, "x") +
                "\r\n"
                "FINDPARAM1=" +
                FindParam("b", false, "", 0, "x") +
                "\r\n"
                "FINDPARAM2=" +
                FindParam("c", false, "", 0, "x") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  struct Case {
    int tab;  // -1: every tab deleted; -2: one tab left
    bool back, on;
  } cases[] = {
      {0, false, true}, {1, true, true}, {2, true, false}, {-2, false, false}, {-1, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tab);
    if (c.tab >= 0) ChooseTab(c.tab);
    if (c.tab == -2) {
      Command(kN3);
      Search(L"one");
    }
    if (c.tab == -1) Command(kN3);
    std::map<int, UINT> states = ContextMenuStates();
    ASSERT_EQ(states.size(), 11u) << "every item is in the menu";
    EXPECT_EQ((states[kCopyResults] & MF_GRAYED) != 0, RowCount() == 0) << "copying needs rows";
    EXPECT_EQ((states[kN_Prev] & MF_GRAYED) == 0, c.back);
    EXPECT_EQ((states[kN_Top] & MF_GRAYED) == 0, c.back);
    EXPECT_EQ((states[kN_Next] & MF_GRAYED) == 0, c.on);
    EXPECT_EQ((states[kN_Last] & MF_GRAYED) == 0, c.on);
    for (int item : {kN4, kN_Sort, kN_Multi, kDelete1, kN3, kN1}) {
      EXPECT_EQ(states[item] & MF_GRAYED, 0u) << item;
    }
    EXPECT_EQ(states[kN_Multi] & MF_CHECKED, 0u);
  }
}

TEST_F(SearchWindowTest, MovingAndSortingTabsNeitherSearchesNorTouchesTheList) {
  WriteSettings("FINDPARAM0=" + FindParam("c", false, "", 0, "example") +
                "\r\n"
                "FINDPARAM1=" +
                FindParam("a", false, "", 0, "nothing") +
                "\r\n"
                "FINDPARAM2=" +
                FindParam("B", false, "", 0, "nothing") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ChooseTab(0);
  ASSERT_EQ(RowCount(), 3);
  // A mail that arrives now would be listed by any new search.
  testutil::WriteFolder(store_.path(), testutil::kInbox,
                        IndexLine("9.mail", "new", "new@example.jp", "", 0x70000000));
  struct Step {
    int item;
    Texts tabs;
    int current;
  } steps[] = {
      {kN_Prev, {L"c", L"a", L"B"}, 0},  // already first: nothing
      {kN_Next, {L"a", L"c", L"B"}, 1},
      {kN_Last, {L"a", L"B", L"c"}, 2},
      {kN_Top, {L"c", L"a", L"B"}, 0},
      {kN_Sort, {L"a", L"B", L"c"}, 2},  // ignoring case; "c" stays current
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.item);
    Command(s.item);
    EXPECT_EQ(Tabs(), s.tabs);
    EXPECT_EQ(CurrentTab(), s.current);
    EXPECT_EQ(RowCount(), 3);
    EXPECT_EQ(Counter(), std::wstring(L"3") + kCounterWord);
  }
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Setting("FINDPARAM0").substr(0, 2), "a,");
  EXPECT_EQ(Setting("FINDPARAM2").substr(0, 2), "c,");
}

TEST_F(SearchWindowTest, DeletingTabsShowsTheFirstOneAndClearingKeepsTheRows) {
  WriteSettings("FINDPARAM0=" + FindParam("jiro", false, "", 0, "jiro") +
                "\r\n"
                "FINDPARAM1=" +
                FindParam("all", false, "", 0, "example") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ChooseTab(1);
  ASSERT_EQ(RowCount(), 3);
  Command(kDelete1);
  EXPECT_EQ(Tabs(), (Texts{L"jiro"}));
  EXPECT_EQ(CurrentTab(), 0);
  EXPECT_EQ(Column(1), (Texts{L"Jiro <jiro@example.jp>"}));
  EXPECT_EQ(Counter(), std::wstring(L"1") + kCounterWord);
  // The only tab: the rows of its search stay.
  Command(kDelete1);
  EXPECT_TRUE(Tabs().empty());
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(Counter(), std::wstring(L"1") + kCounterWord);
  EXPECT_FALSE(Enabled(kPropBtn));
  Command(kDelete1);  // no tab: nothing
  Command(kN4);
  EXPECT_EQ(RowCount(), 1);

  Search(L"example");
  ChooseField(2);
  Search(L"budget");
  Command(kN3);
  EXPECT_TRUE(Tabs().empty());
  EXPECT_EQ(Column(0), (Texts{L"Re: budget"}));
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Setting("FINDCOUNT"), "0");
  EXPECT_EQ(Setting("FINDPARAM0"), "<none>");
}

TEST_F(SearchWindowTest, SeveralRowsModeFollowsTheMenuAndIsStored) {
  ASSERT_NE(StartWindow(), nullptr);
  EXPECT_FALSE(GetWindowLongW(TabStrip(), GWL_STYLE) & TCS_MULTILINE);
  Command(kN_Multi);
  EXPECT_TRUE(GetWindowLongW(TabStrip(), GWL_STYLE) & TCS_MULTILINE);
  EXPECT_TRUE(ContextMenuStates()[kN_Multi] & MF_CHECKED);
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Setting("OPTIONSET"), "0,0,0,0,1,");
  Command(kN_Multi);
  EXPECT_FALSE(GetWindowLongW(TabStrip(), GWL_STYLE) & TCS_MULTILINE);
}

TEST_F(SearchWindowTest, FolderChangeInTheHostSearchesAgainOnlyWhenTheWindowIsShown) {
  ASSERT_NE(StartWindow(), nullptr);
  Search(L"example");
  ASSERT_EQ(RowCount(), 3);
  ASSERT_FALSE(Visible());
  standin::OpenFolder(testutil::kSubInbox);
  EXPECT_EQ(RowCount(), 3) << "hidden: nothing searched";
  ShowWindowByCommand();  // shows only
  EXPECT_EQ(RowCount(), 3);
  standin::OpenFolder(testutil::kInbox2024);
  EXPECT_EQ(Column(0), (Texts{L"2024"}));
  EXPECT_EQ(Counter(), std::wstring(L"1") + kCounterWord);
}

TEST_F(SearchWindowTest, DateLimitDropsOlderMailFromTheNextRun) {
  const uint32_t day = testutil::UnixDay(2021, 6, 1);
  // Index dates are shifted by nine hours when read.
  testutil::WriteFolder(store_.path(), "Main.mb\\Dated\\",
                        IndexLine("1.mail", "before", "d@example.jp", "", day - 32400 - 1) +
                            IndexLine("2.mail", "at", "d@example.jp", "", day - 32400) +
                            IndexLine("3.mail", "after", "d@example.jp", "", day + 86400));
  ASSERT_TRUE(standin::OpenFolder("Main.mb\\Dated\\"));
  ASSERT_NE(StartWindow(), nullptr);
  Search(L"d@");
  ASSERT_EQ(RowCount(), 3);
  SYSTEMTIME limit = {};
  limit.wYear = 2021;
  limit.wMonth = 6;
  limit.wDay = 1;
  SendMessageW(Item(kDateTimePicker1), DTM_SETSYSTEMTIME, GDT_VALID,
               reinterpret_cast<LPARAM>(&limit));
  NMDATETIMECHANGE change = {};
  change.nmhdr = {Item(kDateTimePicker1), static_cast<UINT_PTR>(kDateTimePicker1),
                  static_cast<UINT>(DTN_DATETIMECHANGE)};
  change.st = limit;
  SendMessageW(form_, WM_NOTIFY, kDateTimePicker1, reinterpret_cast<LPARAM>(&change));
  EXPECT_EQ(RowCount(), 3) << "a new limit starts no search";
  Click(kReFindBtn);
  EXPECT_EQ(Column(0), (Texts{L"after", L"at"}));
  SendMessageW(Item(kDateTimePicker1), DTM_SETSYSTEMTIME, GDT_NONE,
               reinterpret_cast<LPARAM>(&limit));
  Click(kReFindBtn);
  EXPECT_EQ(RowCount(), 3);
}

TEST_F(SearchWindowTest, RunErrorIsShownAndLeavesTheWindowUsable) {
  testutil::WriteFolder(store_.path(), "Main.mb\\Bad\\",
                        IndexLine("1.mail", "fine", "e@example.jp", "", 5) +
                            "0\x01"
                            "2.mail\x01"
                            "0\x01"
                            "bad\x01"
                            "e@example.jp\x01\x01x\x01y\x01"
                            "zz\x01t\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  Search(L"jiro");
  ASSERT_EQ(Counter(), std::wstring(L"1") + kCounterWord);
  std::vector<std::wstring>* boxes = WatchMessageBoxes();
  ASSERT_TRUE(standin::OpenFolder("Main.mb\\Bad\\"));  // searches "jiro" again, and fails
  ASSERT_EQ(boxes->size(), 1u);
  Search(L"e@");
  ASSERT_EQ(boxes->size(), 2u);
  for (const std::wstring& text : *boxes)
    EXPECT_NE(text.find(L"zz'"), std::wstring::npos) << text.size();
  EXPECT_EQ(Counter(), std::wstring(L"1") + kCounterWord) << "the count of the last good run stays";
  EXPECT_EQ(Column(0), (Texts{L"fine"})) << "rows found before the error stay";
  EXPECT_TRUE(Enabled(kFindBtn) && Enabled(kReFindBtn) && Enabled(kPropBtn));
  EXPECT_FALSE(Enabled(kStopBtn));
  ASSERT_TRUE(standin::OpenFolder(testutil::kInbox));
  Search(L"example");
  EXPECT_EQ(Counter(), std::wstring(L"3") + kCounterWord);
}

}  // namespace
