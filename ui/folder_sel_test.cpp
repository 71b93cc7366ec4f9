// The folder selection dialog, opened modally over a real store read through the stand-in
// host and driven from a second thread through the messages a user's clicks produce.
#include "ui/folder_sel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/dialog_test_driver.h"
#include "tests/standin_services.h"
#include "tests/test_util.h"
#include "text/code_page_win.h"
#include "tools/standin_host/host_api.h"

namespace {

using dialogtest::Click;
using dialogtest::Lines;
using dialogtest::SelectTreeItem;

const std::wstring kCaption =
    L"\x691c\x7d22\x30d5\x30a9\x30eb\x30c0\x306e\x6307\x5b9a";  // 検索フォルダの指定
const std::wstring kSoft = L"\x30bd\x30d5\x30c8";               // ソフト
const std::wstring kMain2 = L"\x30e1\x30a4\x30f3";              // メイン

class FolderSelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The data folder's last name ends in a trail byte that is a backslash.
    root_ = dir_.path() + L"\x30bd\\";  // ソ
    CreateDirectoryW(root_.c_str(), nullptr);
    standin::SetDataFolder(zeldrium::To932(root_));
  }
  void TearDown() override { standin::ResetHost(); }

  // A directory below the data folder (a code page 932 path ending in a backslash), with or
  // without an index file.
  void Dir(std::string_view id, bool indexed = true) {
    std::wstring path = root_;
    std::wstring wide = zeldrium::WideFrom932(id);
    for (size_t start = 0; start < wide.size();) {
      size_t end = wide.find(L'\\', start);
      path += wide.substr(start, end - start) + L"\\";
      CreateDirectoryW(path.c_str(), nullptr);
      start = end + 1;
    }
    if (indexed) {
      ASSERT_TRUE(testutil::WriteFileBytes(path + L"Folder.idx", ""));
    }
  }
  void Names(const wchar_t* mailbox, std::string_view lines) {
    ASSERT_TRUE(testutil::WriteFileBytes(root_ + mailbox + L"\\Folders.txt", lines));
  }

  // Three mailboxes: abcd.mb shown as "Main", ijkl.mb as "MainBox" (holding the first name),
  // efgh.mb as メイン; directories around them that must not show.
  void MakeStore() {
    Dir("abcd.mb\\", false);
    Names(L"abcd.mb", "=Main\r\n");
    Dir("abcd.mb\\Inbox\\");
    Dir("abcd.mb\\Inbox\\2009\\");
    Dir("abcd.mb\\Maintenance\\");
    Dir("abcd.mb\\\x83\x5c\x83\x74\x83\x67\\");  // ソフト, trail byte of ソ is a backslash
    Dir("abcd.mb\\!Trash\\");
    Dir("abcd.mb\\!Trash\\Kept\\");
    Dir("abcd.mb\\Inbox\\!Old\\");
    Dir("abcd.mb\\NoIndex\\", false);
    Dir("abcd.mb\\NoIndex\\Deep\\");
    Dir("abcd.mb\\Hidden\\");
    SetFileAttributesW((root_ + L"abcd.mb\\Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
    Dir("ijkl.mb\\", false);
    Names(L"ijkl.mb", "=MainBox\r\n");
    Dir("ijkl.mb\\Inbox\\");
    Dir("efgh.mb\\");
    Names(L"efgh.mb", "=\x83\x81\x83\x43\x83\x93\r\n");  // メイン
    Dir("efgh.mb\\Inbox\\");
    Dir("notbox\\Inbox\\");
    Dir("loose\\", true);
  }

  struct Outcome {
    bool ok = false;
    std::string folders;
    bool found = false;
  };
  // Opens the dialog on folders at a fixed place and runs the script while it is modal.
  Outcome Run(const std::string& folders, std::function<void(HWND)> script) {
    Outcome out;
    out.folders = folders;
    dialogtest::ModalDriver driver(kCaption, std::move(script));
    out.ok = SelectFolders(nullptr, kPlace, &out.folders, services_.host, *services_.fs);
    driver.Join();
    out.found = driver.found();
    EXPECT_FALSE(driver.left_open()) << "the script did not close the dialog";
    return out;
  }

  static constexpr POINT kPlace = {40, 30};
  testutil::TempDir dir_;
  std::wstring root_;
  testutil::StandinServices services_;
};

// Each tree item as its path of texts from the root, "Main\Inbox\2009".
std::vector<std::wstring> TreePaths(HWND tree) {
  std::vector<std::wstring> paths, stack;
  for (const dialogtest::TreeItem& item : dialogtest::TreeItems(tree)) {
    stack.resize(item.depth);
    stack.push_back(item.text);
    std::wstring path;
    for (const std::wstring& part : stack) path += (path.empty() ? L"" : L"\\") + part;
    paths.push_back(path);
  }
  return paths;
}

TEST_F(FolderSelTest, TreeHoldsMailboxesByHostNameAndOnlyReachableIndexedFolders) {
  MakeStore();
  std::vector<std::wstring> paths;
  std::vector<dialogtest::TreeItem> items;
  Outcome out = Run("", [&](HWND dialog) {
    paths = TreePaths(GetDlgItem(dialog, TB2Folder::kB2Tree));
    items = dialogtest::TreeItems(GetDlgItem(dialog, TB2Folder::kB2Tree));
    Click(dialog, TB2Folder::kBitBtn2);
  });
  ASSERT_TRUE(out.found);
  EXPECT_FALSE(out.ok);
  // Directory order is the file system's; the walk's shape is what counts.
  std::vector<std::wstring> sorted = paths;
  std::sort(sorted.begin(), sorted.end());
  std::vector<std::wstring> expected = {L"Main",
                                        L"Main\\Inbox",
                                        L"Main\\Inbox\\2009",
                                        L"Main\\Maintenance",
                                        L"Main\\" + kSoft,
                                        L"MainBox",
                                        L"MainBox\\Inbox",
                                        kMain2,
                                        kMain2 + L"\\Inbox"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(sorted, expected);
  // Depth first: every folder follows its parent directly or after its parent's other folders.
  for (size_t i = 1; i < paths.size(); ++i) {
    std::wstring parent = paths[i].substr(0, paths[i].rfind(L'\\'));
    if (parent == paths[i]) continue;
    auto at = std::find(paths.begin(), paths.begin() + i, parent);
    EXPECT_NE(at, paths.begin() + i) << "folder before its parent: " << zeldrium::To932(paths[i]);
  }
  for (const dialogtest::TreeItem& item : items) {
    if (item.depth == 0) {
      EXPECT_EQ(item.image, 0);
      EXPECT_EQ(item.selected_image, 0);
    } else {
      EXPECT_EQ(item.image, 1);
      EXPECT_EQ(item.selected_image, 2);
    }
  }
}

// Links show like folders (a mailbox and a folder moved to another drive and linked back), a
// folder linked twice shows once, and a link back up to its mailbox, or one whose target is
// gone, shows nothing (tests/fixtures/linked-store; under Wine its Unix links are the links).
TEST_F(FolderSelTest, LinkedFoldersShowOnceAndALinkBackUpEndsThere) {
  standin::SetDataFolder(ZELDRIUM_SOURCE_DIR "/tests/fixtures/linked-store/data\\");
  std::vector<std::wstring> paths;
  Outcome out = Run("", [&](HWND dialog) {
    paths = TreePaths(GetDlgItem(dialog, TB2Folder::kB2Tree));
    Click(dialog, TB2Folder::kBitBtn2);
  });
  ASSERT_TRUE(out.found);
  std::sort(paths.begin(), paths.end());
  ASSERT_EQ(paths.size(), 5u);
  const std::wstring shared = paths[2];
  EXPECT_TRUE(shared == L"Main\\again" || shared == L"Main\\linked") << zeldrium::To932(shared);
  EXPECT_EQ(paths,
            (std::vector<std::wstring>{L"Main", L"Main\\a", shared, L"Moved", L"Moved\\in"}));
}

TEST_F(FolderSelTest, LaidOutAsDesignedWithTheDialogFont) {
  MakeStore();
  dialogtest::Layout layout;
  int indent = 0;
  Outcome out = Run("", [&](HWND dialog) {
    layout = dialogtest::ReadLayout(dialog);
    indent =
        static_cast<int>(SendMessageW(GetDlgItem(dialog, TB2Folder::kB2Tree), TVM_GETINDENT, 0, 0));
    Click(dialog, TB2Folder::kBitBtn2);
  });
  ASSERT_TRUE(out.found);
  EXPECT_EQ(layout.window.left, kPlace.x);
  EXPECT_EQ(layout.window.top, kPlace.y);
  EXPECT_EQ(layout.client.right, win32::Scaled(337, layout.dpi));
  EXPECT_EQ(layout.client.bottom, win32::Scaled(370, layout.dpi));
  EXPECT_EQ(indent, win32::Scaled(19, layout.dpi));
  using F = TB2Folder;
  EXPECT_EQ(layout.ids, (std::vector<int>{F::kB2Tree, F::kListBox1, F::kAddBtn, F::kDelBtn,
                                          F::kToolButton2, F::kBitBtn1, F::kBitBtn2}));
  EXPECT_EQ(layout.tab_stops, layout.ids);
  EXPECT_TRUE(layout.wrong_font.empty()) << "font of control " << layout.wrong_font[0];
  EXPECT_TRUE(layout.outside.empty()) << "control beyond the edge: " << layout.outside[0];
  EXPECT_TRUE(layout.cut.empty()) << "caption cut of control " << layout.cut[0];
}

TEST_F(FolderSelTest, ButtonsFollowTheSelections) {
  MakeStore();
  struct Seen {
    bool add_at_start, del_at_start, add_on_mailbox, add_on_folder, add_back_on_mailbox;
    bool del_with_line, del_after_delete;
    std::vector<std::wstring> lines_after_delete;
  } seen = {};
  Outcome out = Run("abcd.mb\\Inbox\\,efgh.mb\\Inbox\\", [&](HWND dialog) {
    using F = TB2Folder;
    seen.add_at_start = dialogtest::Enabled(dialog, F::kAddBtn);
    seen.del_at_start = dialogtest::Enabled(dialog, F::kDelBtn);
    SelectTreeItem(dialog, F::kB2Tree, {L"Main"});
    seen.add_on_mailbox = dialogtest::Enabled(dialog, F::kAddBtn);
    SelectTreeItem(dialog, F::kB2Tree, {L"Main", L"Inbox", L"2009"});
    seen.add_on_folder = dialogtest::Enabled(dialog, F::kAddBtn);
    SelectTreeItem(dialog, F::kB2Tree, {L"MainBox"});
    seen.add_back_on_mailbox = dialogtest::Enabled(dialog, F::kAddBtn);
    // A click on the disabled button does nothing: the mailbox cannot be chosen.
    Click(dialog, F::kAddBtn);
    dialogtest::SelectLine(dialog, F::kListBox1, 0);
    seen.del_with_line = dialogtest::Enabled(dialog, F::kDelBtn);
    Click(dialog, F::kDelBtn);
    seen.del_after_delete = dialogtest::Enabled(dialog, F::kDelBtn);
    seen.lines_after_delete = Lines(dialog, F::kListBox1);
    Click(dialog, F::kBitBtn1);
  });
  ASSERT_TRUE(out.found);
  EXPECT_FALSE(seen.add_at_start);
  EXPECT_FALSE(seen.del_at_start);
  EXPECT_FALSE(seen.add_on_mailbox);
  EXPECT_TRUE(seen.add_on_folder);
  EXPECT_FALSE(seen.add_back_on_mailbox);
  EXPECT_TRUE(seen.del_with_line);
  EXPECT_FALSE(seen.del_after_delete);
  EXPECT_EQ(seen.lines_after_delete, std::vector<std::wstring>{kMain2 + L"Inbox\\"});
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.folders, "efgh.mb\\Inbox\\");
}

TEST_F(FolderSelTest, AddedFoldersShowTheirMailboxNameAndReturnTheirIds) {
  MakeStore();
  std::vector<std::wstring> lines;
  Outcome out = Run("ABCD.MB\\INBOX\\", [&](HWND dialog) {
    using F = TB2Folder;
    for (const std::vector<std::wstring>& path : std::vector<std::vector<std::wstring>>{
             {L"Main", L"Inbox"},  // the stored line names it in other letters: not added
             {L"Main", L"Inbox", L"2009"},
             {L"Main", L"Maintenance"},
             {L"Main", kSoft},
             {L"Main", L"Inbox", L"2009"},  // again: one line
             {L"MainBox", L"Inbox"},
             {kMain2, L"Inbox"}}) {
      SelectTreeItem(dialog, F::kB2Tree, path);
      Click(dialog, F::kAddBtn);
    }
    lines = Lines(dialog, F::kListBox1);
    dialogtest::HoldForDemo();
    Click(dialog, F::kBitBtn1);
  });
  ASSERT_TRUE(out.found);
  EXPECT_EQ(lines, (std::vector<std::wstring>{L"ABCD.MB\\INBOX\\", L"MainInbox\\2009\\",
                                              L"MainMaintenance\\", L"Main" + kSoft + L"\\",
                                              L"MainBoxInbox\\", kMain2 + L"Inbox\\"}));
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.folders,
            "ABCD.MB\\INBOX\\,abcd.mb\\Inbox\\2009\\,abcd.mb\\Maintenance\\,"
            "abcd.mb\\\x83\x5c\x83\x74\x83\x67\\,"  // ソフト
            "ijkl.mb\\Inbox\\,efgh.mb\\Inbox\\");
}

// Stored lists are shown with display names and come back exactly as stored, whatever the
// names hold.
TEST_F(FolderSelTest, StoredIdsAreShownByNameAndReturnedUnchanged) {
  MakeStore();
  struct Case {
    const char* stored;
    std::wstring shown;
  };
  const std::vector<Case> cases = {
      {"abcd.mb\\Inbox\\", L"MainInbox\\"},
      {"abcd.mb\\Maintenance\\", L"MainMaintenance\\"},  // holds the display name "Main"
      {"ijkl.mb\\Inbox\\", L"MainBoxInbox\\"},           // a display name holding another
      {"gone.mb\\Inbox\\", L"gone.mb\\Inbox\\"},         // its mailbox no longer exists
      {"gone.mb\\Main\\", L"gone.mb\\Main\\"},           // ... and a display name inside
      {"ABCD.MB\\Inbox\\", L"ABCD.MB\\Inbox\\"},         // not the host's spelling
      {"efgh.mb\\Inbox\\", kMain2 + L"Inbox\\"},
      {"\"abcd.mb\\My Box\\\"", L"MainMy Box\\"},  // a blank needs quotes in the list
  };
  std::string stored;
  std::vector<std::wstring> expected;
  for (const Case& c : cases) {
    stored += std::string(stored.empty() ? "" : ",") + c.stored;
    expected.push_back(c.shown);
  }
  std::vector<std::wstring> lines;
  Outcome out = Run(stored, [&](HWND dialog) {
    lines = Lines(dialog, TB2Folder::kListBox1);
    Click(dialog, TB2Folder::kBitBtn1);
  });
  ASSERT_TRUE(out.found);
  EXPECT_EQ(lines, expected);
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.folders, stored);
}

TEST_F(FolderSelTest, EveryWayOfCancellingLeavesTheListAsItWas) {
  MakeStore();
  const std::string stored = "abcd.mb\\Inbox\\,gone.mb\\X\\";
  struct Way {
    const char* name;
    std::function<void(HWND)> close;
  };
  const std::vector<Way> ways = {
      {"cancel button", [](HWND d) { Click(d, TB2Folder::kBitBtn2); }},
      {"close box", [](HWND d) { SendMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Esc",
       [](HWND d) { PostMessageW(GetDlgItem(d, TB2Folder::kB2Tree), WM_KEYDOWN, VK_ESCAPE, 0); }},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    Outcome out = Run(stored, [&](HWND dialog) {
      using F = TB2Folder;
      SelectTreeItem(dialog, F::kB2Tree, {L"Main", L"Maintenance"});
      Click(dialog, F::kAddBtn);
      dialogtest::SelectLine(dialog, F::kListBox1, 0);
      Click(dialog, F::kDelBtn);
      Click(dialog, F::kToolButton2);
      way.close(dialog);
    });
    ASSERT_TRUE(out.found);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.folders, stored);
  }
}

TEST_F(FolderSelTest, ClearAllThenOkGivesAnEmptyList) {
  MakeStore();
  bool del_enabled = true;
  Outcome out = Run("abcd.mb\\Inbox\\,efgh.mb\\Inbox\\", [&](HWND dialog) {
    dialogtest::SelectLine(dialog, TB2Folder::kListBox1, 1);
    Click(dialog, TB2Folder::kToolButton2);
    del_enabled = dialogtest::Enabled(dialog, TB2Folder::kDelBtn);
    // Enter confirms, as the default button.
    PostMessageW(GetDlgItem(dialog, TB2Folder::kListBox1), WM_KEYDOWN, VK_RETURN, 0);
  });
  ASSERT_TRUE(out.found);
  EXPECT_FALSE(del_enabled);
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.folders, "");
}

TEST_F(FolderSelTest, WithoutAStoreTheListAloneStillWorks) {
  // No mailbox at all, then a host that gives no data folder.
  for (bool host_has_folder : {true, false}) {
    SCOPED_TRACE(host_has_folder ? "empty data folder" : "no data folder");
    if (!host_has_folder) standin::ResetHost();
    size_t tree_items = 99;
    std::vector<std::wstring> lines;
    Outcome out = Run("abcd.mb\\Inbox\\,x\\", [&](HWND dialog) {
      tree_items = dialogtest::TreeItems(GetDlgItem(dialog, TB2Folder::kB2Tree)).size();
      dialogtest::SelectLine(dialog, TB2Folder::kListBox1, 1);
      Click(dialog, TB2Folder::kDelBtn);
      lines = Lines(dialog, TB2Folder::kListBox1);
      Click(dialog, TB2Folder::kBitBtn1);
    });
    ASSERT_TRUE(out.found);
    EXPECT_EQ(tree_items, 0u);
    EXPECT_EQ(lines, std::vector<std::wstring>{L"abcd.mb\\Inbox\\"});
    EXPECT_TRUE(out.ok);
    EXPECT_EQ(out.folders, "abcd.mb\\Inbox\\");
  }
}

}  // namespace
