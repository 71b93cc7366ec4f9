// Edge cases of the search window as the user meets them: a sender without angle brackets, a
// date limit with a time of day, mail that arrives between two visits of a tab, a properties
// dialog cancelled.
#include <string>
#include <vector>

#include "tests/window_driver.h"

namespace {

using namespace mainview;
using testutil::FindParam;
using testutil::IndexLine;

TEST_F(SearchWindowTest, SenderWithoutAngleBracketsIsSearchedWhole) {
  ASSERT_NE(StartWindow(), nullptr);
  ASSERT_TRUE(standin::SelectMail(InboxId("00000002.mail")));  // From: hanako@example.jp
  ShowWindowByCommand("FromFinder");
  EXPECT_EQ(SearchText(), L"hanako@example.jp");
  EXPECT_EQ(Counter(), Count(1));
  EXPECT_EQ(Cell(0, 4), W(InboxId("00000002.mail").c_str()));
}

TEST_F(SearchWindowTest, DateLimitWithATimeOfDayIsStoredBackAtMidnight) {
  const uint32_t day = testutil::UnixDay(2022, 11, 3);
  WriteSettings("DATELIMIT=1," + std::to_string(day + 37800) + ",\r\n");  // 10:30 that day
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Setting("DATELIMIT"), "1," + std::to_string(day) + ",");
}

TEST_F(SearchWindowTest, ChoosingATabListsMailThatArrivedSinceItsLastRun) {
  WriteSettings("FINDPARAM0=" + FindParam("new", false, "", 0, "new@") +
                "\r\n"
                "FINDPARAM1=" +
                FindParam("jiro", false, "", 0, "jiro") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ChooseTab(0);
  EXPECT_EQ(Counter(), Count(0));
  ChooseTab(1);
  EXPECT_EQ(Counter(), Count(1));
  std::string inbox;
  ASSERT_TRUE(testutil::ReadFileBytes(store_.path() + L"Main.mb\\Inbox\\Folder.idx", &inbox));
  ASSERT_TRUE(testutil::WriteFolder(
      store_.path(), testutil::kInbox,
      inbox + IndexLine("9.mail", "arrived", "new@example.jp", "", 0x60000000)));
  ChooseTab(0);
  EXPECT_EQ(Counter(), Count(1));
  EXPECT_EQ(Column(0), (Texts{L"arrived"}));
}

TEST_F(SearchWindowTest, CancellingThePropertiesChangesNothingInTheWindow) {
  WriteSettings("FINDPARAM0=" + FindParam("all", false, "", 0, "example") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ChooseTab(0);
  ASSERT_EQ(RowCount(), 3);
  const Texts rows = Column(4);
  // Mail that arrives meanwhile would show if the search ran again.
  std::string inbox;
  ASSERT_TRUE(testutil::ReadFileBytes(store_.path() + L"Main.mb\\Inbox\\Folder.idx", &inbox));
  ASSERT_TRUE(testutil::WriteFolder(
      store_.path(), testutil::kInbox,
      inbox + IndexLine("9.mail", "arrived", "x@example.jp", "", 0x60000000)));
  WhenPropertiesShow([](HWND dialog) {
    SetDlgItemTextW(dialog, 201, L"renamed");
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  });
  ASSERT_TRUE(Enabled(kPropBtn));
  Click(kPropBtn);
  EXPECT_EQ(Tabs(), (Texts{L"all"}));
  EXPECT_EQ(Column(4), rows) << "no search ran";
  EXPECT_EQ(Counter(), Count(3));
  EXPECT_EQ(SearchText(), L"example");
  EXPECT_TRUE(Visible());
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Setting("FINDPARAM0").substr(0, 4), "all,");
}

}  // namespace
