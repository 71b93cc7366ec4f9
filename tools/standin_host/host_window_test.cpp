// The stand-in host's window over a store on disk: its tree, its list and its menus, also when a
// plug-in changes the selection behind its back.
#include "tools/standin_host/host_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/b2api.h"
#include "tests/test_util.h"
#include "tools/standin_host/menus.h"

extern "C" void WINAPI BKA_SetCurrentMail(LPCSTR mail);

namespace standin {
namespace {

TEST(CaptionTest, MatchesWhatAUserCallsAnItem) {
  struct Case {
    const wchar_t* caption;
    const wchar_t* wanted;
    bool match;
  };
  const Case cases[] = {
      {L"\u30af\u30a4\u30c3\u30af\u691c\u7d22...", L"\u30af\u30a4\u30c3\u30af\u691c\u7d22...",
       true},
      {L"\u30af\u30a4\u30c3\u30af\u691c\u7d22...", L"\u30af\u30a4\u30c3\u30af\u691c\u7d22", true},
      {L"\u7d42\u4e86(&X)", L"\u7d42\u4e86", true},     // 終了(&X)
      {L"\u7d42\u4e86(&X)", L"\u7d42\u4e86(X)", true},  // the mnemonic as it shows
      {L"\u7d42\u4e86(&X)", L"\u7d42\u4e86(&X)", true},
      {L"&Open\tCtrl+O", L"Open", true},
      {L"&Open\tCtrl+O", L"&Open", true},
      {L"Save && Close", L"Save & Close", true},
      {L"Setup(&S)...", L"Setup", true},
      {L"Open", L"open", false},  // captions are compared as written
      {L"Open recent", L"Open", false},
      {L"Open", L"", false},
      {L"", L"", false},
      {L"(&X)", L"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CaptionMatches(c.caption, c.wanted), c.match) << c.caption << " / " << c.wanted;
  }
}

TEST(CaptionTest, FindsTheFirstMatchingItemAndSkipsSeparators) {
  UniqueMenu menu(CreatePopupMenu());
  AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu.get(), MF_STRING | MF_GRAYED, 7, L"&Find...");
  AppendMenuW(menu.get(), MF_STRING, 8, L"Find...");
  HMENU sub = CreatePopupMenu();
  AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"More");
  MenuItem item;
  ASSERT_TRUE(FindMenuItem(menu.get(), L"Find", &item));
  EXPECT_EQ(item.id, 7u);
  EXPECT_EQ(item.position, 1);
  EXPECT_TRUE(item.disabled);
  ASSERT_TRUE(FindMenuItem(menu.get(), L"More", &item));
  EXPECT_EQ(item.submenu, sub);
  EXPECT_FALSE(FindMenuItem(menu.get(), L"Replace", &item));
  std::vector<MenuItem> items = MenuItems(menu.get());
  ASSERT_EQ(items.size(), 4u);
  EXPECT_TRUE(items[0].separator);
  EXPECT_EQ(DescribeMenuItem(items[0]), L"----");
  EXPECT_EQ(DescribeMenuItem(items[2]), L"8 Find...");
}

TEST(SameIdTest, IgnoresAsciiCaseOnlyOutsideDoubleByteCharacters) {
  EXPECT_TRUE(SameId("Main.mb\\Inbox\\", "main.MB\\INBOX\\"));
  EXPECT_FALSE(SameId("Main.mb\\Inbox\\", "Main.mb\\Inbox"));
  // ア is 0x83 0x41 and ヂ is 0x83 0x61: trail bytes that look like "A" and "a".
  EXPECT_FALSE(SameId("Main.mb\\\x83\x41\\", "Main.mb\\\x83\x61\\"));
  EXPECT_TRUE(SameId("Main.mb\\\x83\x5c\\", "MAIN.mb\\\x83\x5c\\"));  // ソ, trail byte a backslash
  EXPECT_TRUE(SameId("", ""));
}

class HostWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetHost();
    testutil::MakeStore(store_.path());
    SetDataFolder(To932(store_.path()));
    std::string err;
    ASSERT_TRUE(window_.Create(&err)) << err;
    window_.FillTree();
  }
  void TearDown() override {
    window_.Close();
    ResetHost();
  }

  std::wstring SelectedTreeText() {
    HTREEITEM item = TreeView_GetSelection(window_.tree());
    wchar_t text[256] = {};
    TVITEMW info = {};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = text;
    info.cchTextMax = 255;
    if (!item || !TreeView_GetItem(window_.tree(), &info)) return L"(none)";
    return text;
  }

  int SelectedRow() { return ListView_GetNextItem(window_.list(), -1, LVNI_SELECTED); }

  testutil::TempDir store_;
  std::vector<std::unique_ptr<Plugin>> plugins_;
  HostWindow window_{&plugins_};
};

TEST_F(HostWindowTest, TreeNestsFoldersUnderTheirParentsWithDisplayNames) {
  const std::vector<FolderEntry>& folders = window_.folders();
  ASSERT_EQ(folders.size(), 6u);
  EXPECT_EQ(TreeView_GetCount(window_.tree()), 6u);
  HTREEITEM main = TreeView_GetRoot(window_.tree());
  HTREEITEM inbox = TreeView_GetChild(window_.tree(), main);
  HTREEITEM inbox2024 = TreeView_GetChild(window_.tree(), inbox);
  ASSERT_TRUE(inbox2024);
  TVITEMW item = {};
  wchar_t text[64] = {};
  item.mask = TVIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 63;
  item.hItem = inbox;
  ASSERT_TRUE(TreeView_GetItem(window_.tree(), &item));
  EXPECT_STREQ(text, L"\u53d7\u4fe1\u7bb1");  // 受信箱, from Folders.txt
  // The second mailbox is a root of its own, not a child of the last folder of the first.
  HTREEITEM sub = TreeView_GetNextSibling(window_.tree(), main);
  ASSERT_TRUE(sub);
  EXPECT_EQ(TreeView_GetParent(window_.tree(), sub), nullptr);
}

TEST_F(HostWindowTest, FollowsAPluginThatSelectsAMailInAnotherFolder) {
  ASSERT_TRUE(window_.ShowFolder(testutil::kSubInbox));
  EXPECT_EQ(window_.mails().size(), 1u);
  // As the search window does when the user picks a hit.
  std::string mail_id = std::string(testutil::kInbox) + "?" + testutil::kFirstKey;
  BKA_SetCurrentMail(mail_id.c_str());
  EXPECT_EQ(CurrentFolder(), testutil::kInbox);
  EXPECT_EQ(window_.mails().size(), static_cast<size_t>(testutil::kStoreMailCount));
  EXPECT_EQ(SelectedTreeText(), L"\u53d7\u4fe1\u7bb1");  // 受信箱
  EXPECT_EQ(SelectedRow(), 0);
  // A mail the folder does not have: nothing stays selected that the host no longer holds.
  BKA_SetCurrentMail((std::string(testutil::kInbox) + "?nothing").c_str());
  EXPECT_EQ(CurrentMail(), "");
  EXPECT_EQ(SelectedRow(), -1);
}

TEST_F(HostWindowTest, UserSelectionReachesTheHost) {
  ASSERT_TRUE(window_.ShowFolder(testutil::kInbox));
  ListView_SetItemState(window_.list(), 1, LVIS_SELECTED | LVIS_FOCUSED,
                        LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(CurrentMail(), std::string(testutil::kInbox) + "?00000002.mail");
  EXPECT_TRUE(window_.RunCommand(kCmdNextMail));
  EXPECT_EQ(SelectedRow(), 2);
  EXPECT_TRUE(window_.RunCommand(kCmdNextMail));  // stays on the last one
  EXPECT_EQ(SelectedRow(), 2);
  EXPECT_FALSE(window_.ShowFolder("Main.mb\\NoSuchFolder\\"));
  EXPECT_EQ(CurrentFolder(), testutil::kInbox);
  EXPECT_FALSE(window_.RunCommand(kFirstCommandId + 99));  // nobody registered it
}

TEST_F(HostWindowTest, ContextMenusAreBuiltAfreshEachTime) {
  UniqueMenu list(window_.BuildContextMenu(MenuType::kMailList));
  UniqueMenu again(window_.BuildContextMenu(MenuType::kMailList));
  EXPECT_NE(list.get(), again.get());
  EXPECT_EQ(MenuItems(list.get()).size(), MenuItems(again.get()).size());
  UniqueMenu tree(window_.BuildContextMenu(MenuType::kFolderTree));
  MenuItem item;
  EXPECT_TRUE(FindMenuItem(list.get(), L"\u6b21\u306e\u30e1\u30fc\u30eb", &item));  // 次のメール
  EXPECT_FALSE(FindMenuItem(tree.get(), L"\u6b21\u306e\u30e1\u30fc\u30eb", &item));
  // The plug-ins' drop-down is the fifth of the bar.
  std::vector<MenuItem> bar = MenuItems(window_.menu_bar());
  ASSERT_GE(bar.size(), 5u);
  EXPECT_EQ(bar[4].caption, L"\u30c4\u30fc\u30eb(&T)");  // ツール(&T)
}

}  // namespace
}  // namespace standin
