// The rows of the result list as a user reads and takes them: the words found marked where
// they stand, in a normal and in a selected row; one row or every row copied to the clipboard.
#include <string>
#include <vector>

#include "tests/test_canvas.h"
#include "tests/window_driver.h"
#include "ui/result_row_paint.h"

namespace {

using namespace mainview;
using testutil::IndexLine;

constexpr wchar_t kCaptionsLine[] = L"Subject\tFrom\tDate\tFolder\r\n";

class ResultRowsTest : public SearchWindowTest {
 protected:
  // The text on the clipboard, or "<none>".
  std::wstring Clipboard() const {
    std::wstring text = L"<none>";
    if (!OpenClipboard(form_)) return L"<busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
        text = chars;
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
    return text;
  }
  void SetClipboard(const std::wstring& text) const {
    ASSERT_TRUE(OpenClipboard(form_));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    auto* chars = static_cast<wchar_t*>(GlobalLock(memory));
    std::copy(text.c_str(), text.c_str() + text.size() + 1, chars);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
  }
  // A row as copied: the cells as the list shows them.
  std::wstring CopiedRow(int row) const {
    return Cell(row, 0) + L"\t" + Cell(row, 1) + L"\t" + Cell(row, 2) + L"\t" + Cell(row, 3) +
           L"\r\n";
  }
  RECT CellRect(int row, int column) const {
    RECT r = {};
    r.top = column;
    r.left = LVIR_BOUNDS;
    SendMessageW(List(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    if (column == 0)
      r.right = r.left + static_cast<LONG>(SendMessageW(List(), LVM_GETCOLUMNWIDTH, 0, 0));
    return r;
  }
};

// The words of both rows of a tab are marked where they stand: in Subject, in From, in the
// selected row too, dark on the marker's colour. The list is saved as a picture for a reader.
TEST_F(ResultRowsTest, WordsFoundAreMarkedInANormalAndASelectedRow) {
  // Row 1: Subject holds "budget" or 会議; row 2: From holds "example".
  std::string csv = "marks,0,,0,2,0,0,\"budget \x89\xef\x8b\x63\",0,0,0,0,example";
  for (int row = 2; row < 5; ++row) csv += ",0,-1,0,0,";
  WriteSettings("FINDPARAM0=" + csv + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  // Whole on the screen at every DPI, so that it shows whole in its picture.
  SetWindowPos(form_, nullptr, 0, 0, Scaled(760), Scaled(240), SWP_NOZORDER);
  ChooseTab(0);
  // Newest first: "   " from Jiro, "Re: budget", 会議のお知らせ; each from an example address.
  ASSERT_EQ(RowCount(), 3);
  ASSERT_EQ(Cell(1, 0), L"Re: budget");
  ClickAt(List(), RowPoint(1));
  ASSERT_EQ(SelectedRow(), 1);
  ASSERT_TRUE(HasFocus(List()));

  // The window as it shows, for a reader: bin/screenshots/marked-words-<dpi>dpi.bmp.
  RedrawWindow(form_, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  RECT window = {};
  GetWindowRect(form_, &window);
  testutil::TestCanvas shot(window.right - window.left, window.bottom - window.top);
  ASSERT_TRUE(shot.CopyWindow(form_));
  const std::wstring dir = testutil::ExeDir() + L"screenshots\\";
  CreateDirectoryW(dir.c_str(), nullptr);
  EXPECT_TRUE(shot.SaveBmp(dir + L"marked-words-" + std::to_wstring(Dpi()) + L"dpi.bmp"));

  testutil::TestCanvas canvas(List());
  ASSERT_FALSE(canvas.empty());

  // Pixels of the marker's colour in a cell, and dark ones among them: the marked text.
  auto marked = [&](int row, int column, int* dark) {
    const RECT cell = CellRect(row, column);
    RECT box = {cell.right, cell.bottom, cell.left, cell.top};
    int count = 0;
    for (LONG y = cell.top; y < cell.bottom; ++y) {
      for (LONG x = cell.left; x < cell.right && x < canvas.width(); ++x) {
        if (canvas.At(x, y) != ui::kMarkBackColor) continue;
        ++count;
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
               std::max(box.bottom, y + 1)};
      }
    }
    *dark = 0;
    for (LONG y = box.top; y < box.bottom; ++y) {
      for (LONG x = box.left; x < box.right; ++x) {
        const COLORREF c = canvas.At(x, y);
        *dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300 ? 1 : 0;
      }
    }
    return count;
  };
  int dark = 0;
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(row);
    EXPECT_GT(marked(row, 1, &dark), 0) << "example in From";
    EXPECT_GT(dark, 0);
    EXPECT_EQ(marked(row, 0, &dark) > 0, row > 0) << "budget or the meeting in Subject";
    EXPECT_EQ(marked(row, 2, &dark), 0) << "nothing in Date";
  }
  // The selected row keeps its selection colours around its marks.
  const RECT subject = CellRect(1, 0);
  EXPECT_EQ(canvas.At(subject.right - 3, (subject.top + subject.bottom) / 2),
            GetSysColor(COLOR_HIGHLIGHT));
}

// The keyboard in the list, Ctrl+C: nothing while no row is selected, then the selected row
// under the captions, a tab and a control byte of its subject made blanks.
TEST_F(ResultRowsTest, CtrlCInTheListCopiesTheSelectedRow) {
  ASSERT_TRUE(
      testutil::WriteFolder(store_.path(), testutil::kInbox,
                            IndexLine("00000001.mail",
                                      "a\tb\x02"
                                      "c",
                                      "x@example.jp", "y@example.jp", 0x5f5e1000) +
                                IndexLine("00000002.mail", "Re: budget", "hanako@example.jp",
                                          "taro@example.jp", 0x5f5e2000)));
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  TypeText(L"example");
  PressKey(VK_RETURN);
  ASSERT_EQ(RowCount(), 2);
  for (int i = 0; i < 8 && !HasFocus(List()); ++i) PressKey(VK_TAB);
  ASSERT_TRUE(HasFocus(List()));
  SetClipboard(L"before");
  PressKey('C', false, true);
  EXPECT_EQ(Clipboard(), L"before") << "no row is selected yet";

  PressKey(VK_DOWN);
  PressKey(VK_DOWN);
  ASSERT_EQ(SelectedRow(), 1);
  PressKey('C', false, true);
  EXPECT_EQ(Clipboard(), kCaptionsLine + std::wstring(L"a b c\tx@example.jp\t") + Cell(1, 2) +
                             L"\t" + Cell(1, 3) + L"\r\n");
  EXPECT_EQ(SelectedRow(), 1) << "the key moved nothing";
}

// 結果をコピー in the list's menu, chosen with the keys: every row in the order the list shows.
TEST_F(ResultRowsTest, CopyResultsInTheListsMenuCopiesEveryRowInListOrder) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  const std::map<int, UINT> before = MenuOpenedBy([&] { ClickAt(List(), {20, 40}, true); });
  EXPECT_NE(before.at(kCopyResults) & MF_GRAYED, 0u) << "nothing to copy yet";

  ClickAt(Edit(), {5, 5});  // back to the search text: the right-click took the keyboard
  TypeText(L"example");
  PressKey(VK_RETURN);
  ASSERT_EQ(RowCount(), 3);
  HeaderClick(2);  // oldest first: the list's order, not the run's
  std::wstring expected = kCaptionsLine;
  for (int row = 0; row < 3; ++row) expected += CopiedRow(row);
  SetClipboard(L"before");
  ChooseFromMenuOpenedBy([&] { ClickAt(List(), RowPoint(2), true); }, kCopyResults);
  EXPECT_EQ(Clipboard(), expected);
}

}  // namespace
