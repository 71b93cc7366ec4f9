// The search properties dialog, opened modally as the search window opens it and driven from a
// second thread through the messages a user's typing and clicks produce.
#include "ui/find_prop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/dialog_test_driver.h"
#include "tests/standin_services.h"
#include "tests/test_util.h"
#include "text/code_page_win.h"
#include "tools/standin_host/host_api.h"
#include "ui/folder_sel.h"

namespace {

using dialogtest::Checked;
using dialogtest::Choose;
using dialogtest::Click;
using dialogtest::Selected;
using dialogtest::Text;
using dialogtest::Tick;
using dialogtest::Type;
using F = TPropForm;
using zeldrium::TFindOpt;
using zeldrium::TFindRec;

const std::wstring kCaption = L"\x691c\x7d22\x30d7\x30ed\x30d1\x30c6\x30a3";  // 検索プロパティ
const std::wstring kFolderCaption =
    L"\x691c\x7d22\x30d5\x30a9\x30eb\x30c0\x306e\x6307\x5b9a";  // 検索フォルダの指定
constexpr char kMeeting[] = "\x89\xef\x8b\x63";                 // 会議
const std::wstring kMeetingWide = L"\x4f1a\x8b70";              // 会議

class FindPropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testutil::MakeStore(dir_.path());
    standin::SetDataFolder(zeldrium::To932(dir_.path()));
  }
  void TearDown() override { standin::ResetHost(); }

  struct Outcome {
    bool ok = false;
    TFindRec rec;
    bool found = false;
  };
  // Opens the dialog on rec as the search window does, placed at kPlace.
  Outcome Run(const TFindRec& rec, std::function<void(HWND)> script) {
    Outcome out;
    out.rec = rec;
    dialogtest::ModalDriver driver(kCaption, std::move(script));
    out.ok = EditFindRec(nullptr, kPlace, &out.rec, services_.host, *services_.fs);
    driver.Join();
    out.found = driver.found();
    EXPECT_FALSE(driver.left_open()) << "the script did not close the dialog";
    return out;
  }

  static constexpr POINT kPlace = {60, 50};
  testutil::TempDir dir_;
  testutil::StandinServices services_;
};

TFindOpt Opt(int32_t logic, int32_t target, bool case_sensitive, bool comma_and,
             std::string keyword) {
  TFindOpt opt;
  opt.Logic = logic;
  opt.Target = target;
  opt.CaseSensitive = case_sensitive;
  opt.CommaAnd = comma_and;
  opt.Keyword = std::move(keyword);
  return opt;
}

TFindRec Sample() {
  TFindRec rec;
  rec.Name = kMeeting;
  rec.SubFolder = true;
  rec.Folders = "Main.mb\\Inbox\\";
  rec.Opts[0] = Opt(1, 2, true, false, "agenda, \"next week\"");
  rec.Opts[1] = Opt(2, 3, false, true, "spam");
  rec.Opts[2] = Opt(0, -1, false, false, "");
  rec.Opts[3] = Opt(0, 1, true, true, kMeeting);
  rec.Opts[4] = Opt(0, 0, false, false, "taro");
  return rec;
}

void ExpectSameOpt(const TFindOpt& a, const TFindOpt& b) {
  EXPECT_EQ(a.Logic, b.Logic);
  EXPECT_EQ(a.Target, b.Target);
  EXPECT_EQ(a.CaseSensitive, b.CaseSensitive);
  EXPECT_EQ(a.CommaAnd, b.CommaAnd);
  EXPECT_EQ(a.Keyword, b.Keyword);
}

void ExpectSameRec(const TFindRec& a, const TFindRec& b) {
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.SubFolder, b.SubFolder);
  EXPECT_EQ(a.Folders, b.Folders);
  for (int row = 0; row < zeldrium::kFindRows; ++row) {
    SCOPED_TRACE(row);
    ExpectSameOpt(a.Opts[row], b.Opts[row]);
  }
}

// What one row of the dialog shows.
struct RowView {
  int logic, target;
  std::wstring keyword;
  bool comma_and, case_sensitive;
};
RowView ReadRow(HWND dialog, int row) {
  const F::RowControls& ids = F::kRowControls[row];
  return {Selected(dialog, ids.logic), Selected(dialog, ids.target), Text(dialog, ids.keyword),
          Checked(dialog, ids.comma_and), Checked(dialog, ids.case_sensitive)};
}

TEST_F(FindPropTest, OpensShowingTheRecordAndClosingChangesNothing) {
  TFindRec rec = Sample();
  rec.Opts[3] = Opt(7, 9, false, false, "odd");  // values only a hand-edited file holds
  std::wstring name;
  bool subfolder = false;
  std::vector<RowView> rows;
  Outcome out = Run(rec, [&](HWND dialog) {
    name = Text(dialog, F::kQueryText);
    subfolder = Checked(dialog, F::kCheckBox3);
    for (int row = 0; row < zeldrium::kFindRows; ++row) rows.push_back(ReadRow(dialog, row));
    Click(dialog, F::kToolButton2);
  });
  ASSERT_TRUE(out.found);
  EXPECT_EQ(name, kMeetingWide);
  EXPECT_TRUE(subfolder);
  ASSERT_EQ(rows.size(), 5u);
  const std::vector<std::pair<int, int>> boxes = {{1, 2}, {2, 3}, {0, -1}, {-1, 3}, {0, 0}};
  for (int row = 0; row < 5; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(rows[row].logic, boxes[row].first);
    EXPECT_EQ(rows[row].target, boxes[row].second);
    EXPECT_EQ(rows[row].keyword, zeldrium::WideFrom932(rec.Opts[row].Keyword));
    EXPECT_EQ(rows[row].comma_and, rec.Opts[row].CommaAnd);
    EXPECT_EQ(rows[row].case_sensitive, rec.Opts[row].CaseSensitive);
  }
  EXPECT_FALSE(out.ok);
  ExpectSameRec(out.rec, rec);
}

TEST_F(FindPropTest, SpareRowsOfAQuickSearchShowOrWithAnEmptyTarget) {
  zeldrium::TFindClass list;
  list.AddQuickSearch(zeldrium::kTargetFrom, "taro", false, false, false);
  std::vector<RowView> rows;
  Outcome out = Run(list.GetRec(0), [&](HWND dialog) {
    for (int row = 0; row < zeldrium::kFindRows; ++row) rows.push_back(ReadRow(dialog, row));
    Click(dialog, F::kToolButton1);
  });
  ASSERT_TRUE(out.found);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].keyword, L"taro");
  EXPECT_EQ(rows[0].target, 0);
  for (int row = 1; row < 5; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(rows[row].logic, 0);  // "OR"
    EXPECT_EQ(rows[row].target, -1);
    EXPECT_EQ(rows[row].keyword, L"");
  }
  // Confirmed unchanged, the spare rows are stored inactive.
  ASSERT_TRUE(out.ok);
  for (int row = 1; row < 5; ++row) {
    EXPECT_EQ(out.rec.Opts[row].Logic, -1);
    EXPECT_EQ(out.rec.Opts[row].Target, -1);
  }
}

TEST_F(FindPropTest, ConfirmStoresEveryEditedField) {
  Outcome out = Run(Sample(), [&](HWND dialog) {
    Type(dialog, F::kQueryText, L"Weekly " + kMeetingWide);
    Tick(dialog, F::kCheckBox3, false);
    // Row 0: new words and flags.
    Type(dialog, F::kEdit4, L"budget");
    Tick(dialog, F::kCheckBox6, true);
    Tick(dialog, F::kCheckBox7, false);
    // Row 1: keyword cleared with boxes and flags still set: inactive.
    Type(dialog, F::kEdit3, L"");
    Tick(dialog, F::kCheckBox8, true);
    Tick(dialog, F::kCheckBox9, true);
    // Row 2: a keyword but the target box left empty.
    Choose(dialog, F::kComboBox5, 2);
    Type(dialog, F::kEdit5, L"late");
    Tick(dialog, F::kCheckBox5, true);
    // Row 3: NOT in Subject.
    Choose(dialog, F::kComboBox6, 2);
    Choose(dialog, F::kComboBox9, 2);
    // Row 4: From,To.
    Choose(dialog, F::kComboBox8, 1);
    Choose(dialog, F::kComboBox11, 3);
    dialogtest::HoldForDemo();
    Click(dialog, F::kToolButton1);
  });
  ASSERT_TRUE(out.found);
  ASSERT_TRUE(out.ok);
  TFindRec want = Sample();
  want.Name = "Weekly " + std::string(kMeeting);
  want.SubFolder = false;
  want.Opts[0] = Opt(1, 2, false, true, "budget");
  want.Opts[1] = Opt(-1, -1, false, false, "");
  want.Opts[2] = Opt(2, -1, true, false, "late");
  want.Opts[3] = Opt(2, 2, true, true, kMeeting);
  want.Opts[4] = Opt(1, 3, false, false, "taro");
  ExpectSameRec(out.rec, want);
}

TEST_F(FindPropTest, AnEmptyNameIsStoredAsEntered) {
  Outcome out = Run(Sample(), [&](HWND dialog) {
    Type(dialog, F::kQueryText, L"");
    Click(dialog, F::kToolButton1);
  });
  ASSERT_TRUE(out.found);
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.rec.Name, "");
  EXPECT_EQ(out.rec.Opts[0].Keyword, Sample().Opts[0].Keyword);
}

TEST_F(FindPropTest, KeysAndButtonsCloseAsExpected) {
  struct Way {
    const char* name;
    std::function<void(HWND)> close;
    bool confirms;
  };
  auto post_key = [](HWND d, int id, WPARAM key) {
    PostMessageW(GetDlgItem(d, id), WM_KEYDOWN, key, 0);
  };
  const std::vector<Way> ways = {
      {"条件更新", [](HWND d) { Click(d, F::kToolButton1); }, true},
      {"Enter in a keyword", [&](HWND d) { post_key(d, F::kEdit1, VK_RETURN); }, true},
      {"閉じる", [](HWND d) { Click(d, F::kToolButton2); }, false},
      {"Esc", [&](HWND d) { post_key(d, F::kQueryText, VK_ESCAPE); }, false},
      {"Alt+F4", [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }, false},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    Outcome out = Run(Sample(), [&](HWND dialog) {
      Type(dialog, F::kEdit1, L"jiro");
      way.close(dialog);
    });
    ASSERT_TRUE(out.found);
    EXPECT_EQ(out.ok, way.confirms);
    EXPECT_EQ(out.rec.Opts[4].Keyword, way.confirms ? "jiro" : "taro");
  }
}

TEST_F(FindPropTest, LaidOutAsDesignedAtTheGivenPlace) {
  dialogtest::Layout layout;
  LONG style = 0, ex_style = 0;
  Outcome out = Run(Sample(), [&](HWND dialog) {
    layout = dialogtest::ReadLayout(dialog);
    style = GetWindowLongW(dialog, GWL_STYLE);
    ex_style = GetWindowLongW(dialog, GWL_EXSTYLE);
    Click(dialog, F::kToolButton2);
  });
  ASSERT_TRUE(out.found);
  EXPECT_EQ(layout.window.left, kPlace.x);
  EXPECT_EQ(layout.window.top, kPlace.y);
  EXPECT_EQ(layout.client.right, win32::Scaled(688, layout.dpi));
  EXPECT_EQ(layout.client.bottom, win32::Scaled(141, layout.dpi));
  EXPECT_FALSE(style & WS_SYSMENU) << "no close box";
  EXPECT_TRUE(ex_style & WS_EX_TOOLWINDOW);
  std::vector<int> want = {F::kQueryText, F::kCheckBox3, F::kFolderSetBtn, F::kToolButton1,
                           F::kToolButton2};
  for (const F::RowControls& row : F::kRowControls) {
    want.insert(want.end(),
                {row.logic, row.target, row.keyword, row.comma_and, row.case_sensitive});
  }
  EXPECT_EQ(layout.tab_stops, want);
  EXPECT_TRUE(layout.wrong_font.empty()) << "font of control " << layout.wrong_font[0];
  EXPECT_TRUE(layout.outside.empty()) << "control beyond the edge: " << layout.outside[0];
  // The designed widths suit the Windows font; a wider substitute must not cut a caption.
  EXPECT_TRUE(layout.cut.empty()) << "caption cut of control " << layout.cut[0];
}

// The folder button opens the folder dialog at this dialog's corner; its result is kept only
// when the condition is confirmed.
TEST_F(FindPropTest, FolderListIsStoredOnlyWithTheCondition) {
  struct Case {
    const char* name;
    bool folder_ok;
    int close_with;
    bool ok;
    const char* folders;
  };
  const std::vector<Case> cases = {
      {"folder OK, 閉じる", true, F::kToolButton2, false, "Main.mb\\Inbox\\"},
      {"folder OK, 条件更新", true, F::kToolButton1, true, "Main.mb\\Inbox\\,Sub.mb\\Inbox\\"},
      {"folder cancelled, 条件更新", false, F::kToolButton1, true, "Main.mb\\Inbox\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RECT prop = {}, folder = {};
    std::vector<std::wstring> lines;
    bool folder_found = false;
    Outcome out = Run(Sample(), [&](HWND dialog) {
      GetWindowRect(dialog, &prop);
      dialogtest::PostClick(dialog, F::kFolderSetBtn);
      HWND folders = dialogtest::WaitForDialog(kFolderCaption);
      if (!folders) return;
      folder_found = true;
      GetWindowRect(folders, &folder);
      lines = dialogtest::Lines(folders, TB2Folder::kListBox1);
      // The store's Sub.mb has no display name of its own: the host shows "Sub".
      dialogtest::SelectTreeItem(folders, TB2Folder::kB2Tree, {L"Sub", L"Inbox"});
      Click(folders, TB2Folder::kAddBtn);
      dialogtest::HoldForDemo();
      Click(folders, c.folder_ok ? TB2Folder::kBitBtn1 : TB2Folder::kBitBtn2);
      dialogtest::WaitGone(folders);
      Click(dialog, c.close_with);
    });
    ASSERT_TRUE(out.found);
    ASSERT_TRUE(folder_found);
    EXPECT_EQ(folder.left, prop.left);
    EXPECT_EQ(folder.top, prop.top);
    // The stored folder shown under its mailbox's display name, メイン.
    EXPECT_EQ(lines, std::vector<std::wstring>{L"\x30e1\x30a4\x30f3Inbox\\"});
    EXPECT_EQ(out.ok, c.ok);
    EXPECT_EQ(out.rec.Folders, c.folders);
  }
}

}  // namespace
