// Where the search window looks: the host's folder, its mailbox, or every mailbox of the store,
// chosen in the search bar and kept in the settings file with the search while typing.
#include <algorithm>
#include <string>
#include <vector>

#include "host/setup_unit.h"
#include "tests/dialog_test_driver.h"
#include "tests/window_driver.h"

namespace {

using namespace mainview;

class ScopeTest : public SearchWindowTest {
 protected:
  void SetUp() override {
    SearchWindowTest::SetUp();
    // Beside the store's folders: an index of the mailbox itself, and a folder below a directory
    // without an index, which no walk enters.
    ASSERT_TRUE(testutil::WriteFolder(
        store_.path(), "Main.mb\\",
        testutil::IndexLine("00000040.mail", "box", "box@example.jp", "", 0x3)));
    ASSERT_TRUE(testutil::WriteFolder(
        store_.path(), "Main.mb\\NoIndex\\Below\\",
        testutil::IndexLine("00000050.mail", "below", "below@example.jp", "", 0x4)));
  }

  // The mail IDs of the rows, in order of their IDs.
  Texts MailIds() const {
    Texts ids = Column(4);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  static std::wstring Id(const char* folder, const char* key) { return W(folder) + L"?" + W(key); }
  bool CueShown() const { return IsWindowVisible(Item(kScopeCue)) != FALSE; }
};

// Each scope finds exactly the mails of its index files: the host's folder alone; its mailbox
// with the mailbox's own index, its nested folders and the one with a Japanese name, but nothing
// below a directory without an index; every mailbox. A mailbox shown by the host finds nothing
// in the folder scope, and the list says why and what to choose.
TEST_F(ScopeTest, EachScopeFindsTheRowsOfItsIndexFiles) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ASSERT_EQ(ComboSelection(kScopeBox), 0) << "the host's folder, as without a scope";
  TypeKeys(L"example.jp");
  const Texts inbox = {Id(testutil::kInbox, "00000001.mail"), Id(testutil::kInbox, "00000002.mail"),
                       Id(testutil::kInbox, "00000003.mail")};
  EXPECT_EQ(MailIds(), inbox);
  EXPECT_EQ(Counter(), Count(3));

  ChooseScope(1);
  PumpMessages();
  Texts mailbox = inbox;
  mailbox.push_back(Id("Main.mb\\", "00000040.mail"));
  mailbox.push_back(Id(testutil::kInbox2024, "00000010.mail"));
  mailbox.push_back(Id(testutil::kSoftFolder, "00000020.mail"));
  std::sort(mailbox.begin(), mailbox.end());
  EXPECT_EQ(MailIds(), mailbox);
  EXPECT_EQ(Counter(), Count(6));

  ChooseScope(2);
  PumpMessages();
  Texts all = mailbox;
  all.push_back(Id(testutil::kSubInbox, "00000030.mail"));
  std::sort(all.begin(), all.end());
  EXPECT_EQ(MailIds(), all);
  EXPECT_EQ(Counter(), Count(7));
  EXPECT_FALSE(CueShown());

  ChooseScope(0);
  PumpMessages();
  ASSERT_TRUE(standin::OpenFolder("Main.mb\\"));
  PumpMessages();
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(Counter(), Count(0));
  ASSERT_TRUE(CueShown());
  const std::wstring cue = TextOf(Item(kScopeCue));
  for (int scope : {0, 1, 2}) {
    wchar_t item[64] = {};
    SendMessageW(Item(kScopeBox), CB_GETLBTEXT, scope, reinterpret_cast<LPARAM>(item));
    EXPECT_NE(cue.find(item), std::wstring::npos) << "the cue names the scope " << scope;
  }

  ChooseScope(1);
  PumpMessages();
  EXPECT_EQ(MailIds(), mailbox);
  EXPECT_FALSE(CueShown());
}

// The scope chosen in the bar and the search while typing switched off in the setup dialog are
// in the settings file after closing and unloading, and the window that loads them again looks
// where it did and waits for Enter.
TEST_F(ScopeTest, TheScopeAndTheTypingOptionSurviveClosingAndUnloading) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ChooseScope(2);
  Click(kCloseBtn);
  EXPECT_EQ(Setting("FINDSCOPE"), "2");
  EXPECT_EQ(Setting("FINDWHILETYPING"), "<none>") << "on, as by default";

  dialogtest::ModalDriver driver(kSetupCaption, [](HWND d) {
    dialogtest::Tick(d, TSetupForm::kSearchWhileTypingCheck, false);
    dialogtest::Click(d, IDOK);
  });
  plugin_->OnPlugInSetup(nullptr);
  driver.Join();
  ASSERT_TRUE(driver.found());
  Unload();
  EXPECT_EQ(Setting("FINDSCOPE"), "2");
  EXPECT_EQ(Setting("FINDWHILETYPING"), "0");

  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  EXPECT_EQ(ComboSelection(kScopeBox), 2);
  TypeKeys(L"example.jp");
  EXPECT_EQ(Counter(), L"") << "nothing searched while typing";
  PressKey(VK_RETURN);
  EXPECT_EQ(Counter(), Count(7));
  EXPECT_EQ(Tabs(), Texts{L"example.jp"});
}

}  // namespace
