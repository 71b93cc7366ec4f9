#include "ui/result_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/test_canvas.h"
#include "text/code_page_win.h"
#include "text/str_libs.h"
#include "win32/window.h"

namespace {

constexpr char kUntitled[] = "(\x96\xb3\x91\xe8)";  // (無題)
constexpr char kMeeting[] =
    "\x89\xef\x8b\x63\x82\xcc\x82\xa8\x92\x6d\x82\xe7\x82\xb9";  // 会議のお知らせ
constexpr char kSoft[] = "\x83\x5c\x83\x74\x83\x67";  // ソフト, trail byte of ソ is a backslash
constexpr char kHalfKana[] = "\xb6\xc5";              // ｶﾅ (half-width)

// The window the list lives in, as the search window holds it: notifications are forwarded, and
// the context menus that reach it are counted.
class Parent : public win32::Window {
 public:
  bool Make() {
    CreateArgs args;
    args.class_name = L"ZeldriumResultListTest";
    args.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    args.x = 0;
    args.y = 0;
    args.width = 1000;
    args.height = 400;
    return Create(args);
  }
  ~Parent() override { Destroy(); }

  ui::ResultList list;
  std::vector<HWND> context_menus;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_NOTIFY: {
        LRESULT result = 0;
        if (list.HandleNotify(reinterpret_cast<const NMHDR*>(lparam), &result)) return result;
        break;
      }
      case WM_DRAWITEM:
        return list.DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      case WM_CONTEXTMENU:
        context_menus.push_back(reinterpret_cast<HWND>(wparam));
        return 0;
      case WM_SIZE:
        MoveWindow(list.hwnd(), 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
        return 0;
    }
    return win32::Window::HandleMessage(message, wparam, lparam);
  }
};

// A hit as a test writes it: the date as the list shows it, the mail in Main.mb\Inbox\.
struct TestHit {
  std::string subject;  // empty: the list shows "(無題)"
  std::string from;
  std::string date;  // "yyyy/mm/dd hh:mm:ss", or empty for a date of 0
  std::string key;
  std::string folder = "Inbox";  // the display name
};

TestHit Hit(std::string subject, std::string from, std::string date, std::string id) {
  return {std::move(subject), std::move(from), std::move(date), std::move(id)};
}

// The hits as a run would hand them over, in the order given.
zeldrium::THitList Hits(const std::vector<TestHit>& rows) {
  zeldrium::THitList hits;
  std::vector<std::pair<std::string, uint32_t>> folders;
  for (const TestHit& row : rows) {
    auto known = std::find_if(folders.begin(), folders.end(),
                              [&](const auto& f) { return f.first == row.folder; });
    if (known == folders.end()) {
      uint32_t folder = 0;
      EXPECT_TRUE(hits.AddFolder("Main.mb\\Inbox\\", row.folder, &folder));
      known = folders.insert(folders.end(), {row.folder, folder});
    }
    uint32_t date = 0;
    if (!row.date.empty()) {
      zeldrium::DateTimeParts parts;
      EXPECT_EQ(std::sscanf(row.date.c_str(), "%d/%d/%d %d:%d:%d", &parts.Year, &parts.Month,
                            &parts.Day, &parts.Hour, &parts.Minute, &parts.Second),
                6);
      zeldrium::TDateTime day = 0;
      EXPECT_TRUE(zeldrium::EncodeDateTime(parts, &day)) << row.date;
      date = zeldrium::DateToUnix(day);
      EXPECT_EQ(zeldrium::UnixToText(date), row.date);
    }
    EXPECT_TRUE(
        hits.Add(known->second, static_cast<int32_t>(date), row.subject, row.from, "", row.key));
  }
  return hits;
}

class ResultListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent_.Make());
    ASSERT_TRUE(list().Create(parent_.hwnd(), 100));
    RECT client;
    GetClientRect(parent_.hwnd(), &client);
    MoveWindow(list().hwnd(), 0, 0, client.right, client.bottom, TRUE);
    ShowWindow(parent_.hwnd(), SW_SHOW);
    list().on_select = [this](const std::string& id) { selected_ids_.push_back(id); };
    list().on_double_click = [this] { ++double_clicks_; };
  }
  void TearDown() override {
    parent_.Destroy();
    win32::UnregisterWindowClasses();
  }

  ui::ResultList& list() { return parent_.list; }
  HWND view() { return parent_.list.hwnd(); }

  std::wstring Text(int row, int column) {
    wchar_t buffer[512];
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 512;
    const LRESULT n = SendMessageW(view(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return std::wstring(buffer, static_cast<size_t>(n));
  }
  int Image(int row) {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = -7;
    SendMessageW(view(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  // The rows that show the opened envelope.
  std::vector<int> OpenedRows() {
    std::vector<int> rows;
    for (int i = 0; i < list().RowCount(); ++i) {
      if (Image(i) == ui::ResultList::kOpenedIcon) rows.push_back(i);
    }
    return rows;
  }
  // A real click on a column header: the control turns it into LVN_COLUMNCLICK.
  void ClickHeader(int column) {
    HWND header = ListView_GetHeader(view());
    RECT r = {};
    ASSERT_TRUE(Header_GetItemRect(header, column, &r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
  }
  // The message keys of the rows, in order.
  std::vector<std::string> Ids() {
    std::vector<std::string> ids;
    for (int i = 0; i < list().RowCount(); ++i) ids.push_back(list().Row(i).MailID.substr(15));
    return ids;
  }

  Parent parent_;
  std::vector<std::string> selected_ids_;
  int double_clicks_ = 0;
};

int Sign(int v) { return (v > 0) - (v < 0); }

int CompareIgnoreCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) -
         CSTR_EQUAL;
}

TEST_F(ResultListTest, ColumnsHaveTheirCaptionsAndWidths) {
  const struct {
    const wchar_t* caption;
    int width;
  } kExpected[] = {
      {L"Subject", 400}, {L"From", 200}, {L"Date", 150}, {L"Folder", 150}, {L"MailID", 0}};
  HWND header = ListView_GetHeader(view());
  ASSERT_EQ(Header_GetItemCount(header), 5);
  for (int i = 0; i < 5; ++i) {
    wchar_t caption[64] = {};
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT;
    column.pszText = caption;
    column.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(view(), i, &column));
    EXPECT_STREQ(caption, kExpected[i].caption);
    EXPECT_EQ(list().ColumnWidth(i), kExpected[i].width) << i;
  }

  // Stored widths come back; what names no column, or is no width, changes nothing.
  list().SetColumnWidth(1, 260);
  list().SetColumnWidth(4, 30);
  list().SetColumnWidth(5, 99);
  list().SetColumnWidth(0, -1);
  EXPECT_EQ(list().ColumnWidth(0), 400);
  EXPECT_EQ(list().ColumnWidth(1), 260);
  EXPECT_EQ(list().ColumnWidth(4), 30);
  EXPECT_EQ(list().ColumnWidth(5), 0);
  EXPECT_EQ(list().ColumnWidth(-1), 0);
}

TEST_F(ResultListTest, ListIsSingleSelectionWholeRowAndNotEditable) {
  list().SetHits(
      Hits({Hit("a", "x", "2024/01/01 00:00:00", "1"), Hit("b", "y", "2024/01/02 00:00:00", "2")}));
  EXPECT_TRUE(ListView_GetExtendedListViewStyle(view()) & LVS_EX_FULLROWSELECT);
  list().Select(0);
  list().Select(1);
  EXPECT_EQ(ListView_GetSelectedCount(view()), 1u);
  EXPECT_EQ(list().Selected(), 1);
  EXPECT_EQ(ListView_EditLabel(view(), 1), nullptr);

  const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  list().SetFont(font);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(view(), WM_GETFONT, 0, 0)), font);
}

TEST_F(ResultListTest, ShowsConvertedTextsOfEveryColumn) {
  TestHit row =
      Hit(kMeeting, std::string(kSoft) + " <soft@example.jp>", "2024/03/05 07:08:09", "42.mail");
  row.folder = kHalfKana;
  list().SetHits(Hits({Hit(kUntitled, "", "1970/01/01 09:00:00", "1"), row}));
  EXPECT_EQ(Text(0, 0), L"(\u7121\u984c)");  // (無題)
  EXPECT_EQ(Text(0, 1), L"");
  EXPECT_EQ(Text(1, 0), L"\u4f1a\u8b70\u306e\u304a\u77e5\u3089\u305b");  // 会議のお知らせ
  EXPECT_EQ(Text(1, 1), L"\u30bd\u30d5\u30c8 <soft@example.jp>");        // ソフト
  EXPECT_EQ(Text(1, 2), L"2024/03/05 07:08:09");
  EXPECT_EQ(Text(1, 3), L"\uff76\uff85");  // ｶﾅ
  EXPECT_EQ(Text(1, 4), L"Main.mb\\Inbox\\?42.mail");
  EXPECT_EQ(Text(7, 0), L"");  // no such row

  // A short buffer gets the start of the text and its terminator, and nothing beyond.
  wchar_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), L'#');
  LVITEMW item = {};
  item.iSubItem = 0;
  item.pszText = buffer;
  item.cchTextMax = 4;
  SendMessageW(view(), LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::wstring(buffer, 4), std::wstring(L"\u4f1a\u8b70\u306e", 3) + L'\0');
  EXPECT_EQ(buffer[4], L'#');
}

// Rows of many kinds for the large tests: Japanese and ASCII words in several cases, some
// untitled, dates over a few years.
std::vector<TestHit> ManyRows(int count) {
  static const char* const kWords[] = {kMeeting,   kSoft,
                                       kHalfKana,  kUntitled,
                                       "Re: ",     "meeting",
                                       "Meeting",  "MEETING",
                                       "invoice",  "\x83\x81\x81\x5b\x83\x8b",  // メール
                                       "[ml:123]", "\x82\xa0\x82\xa2",          // あい
                                       "Zebra",    "alpha",
                                       "#5",       "-dash"};
  constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);
  std::vector<TestHit> rows;
  rows.reserve(static_cast<size_t>(count));
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFF;
  };
  char date[32];
  for (int i = 0; i < count; ++i) {
    std::string subject = kWords[next() % kWordCount];
    subject += kWords[next() % kWordCount];
    subject += std::to_string(next() % 100);
    std::snprintf(date, sizeof(date), "%04u/%02u/%02u %02u:%02u:%02u", 2015 + next() % 10,
                  1 + next() % 12, 1 + next() % 28, next() % 24, next() % 60, next() % 60);
    rows.push_back(Hit(subject, kWords[next() % kWordCount], date, std::to_string(i)));
  }
  return rows;
}

double Milliseconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
      .count();
}

TEST_F(ResultListTest, HundredThousandRowsShowAtOnce) {
  std::vector<TestHit> rows = ManyRows(100000);
  rows[54321].subject = kMeeting;
  auto start = std::chrono::steady_clock::now();
  list().SetHits(Hits(rows));
  UpdateWindow(view());
  const double fill_ms = Milliseconds(start);
  EXPECT_EQ(ListView_GetItemCount(view()), 100000);
  EXPECT_EQ(list().RowCount(), 100000);
  EXPECT_EQ(Text(54321, 0), L"\u4f1a\u8b70\u306e\u304a\u77e5\u3089\u305b");
  EXPECT_EQ(Text(99999, 4), L"Main.mb\\Inbox\\?99999");
  EXPECT_EQ(Text(0, 2), zeldrium::WideFrom932(list().Row(0).Date));

  start = std::chrono::steady_clock::now();
  for (int page = 0; page < 50; ++page) {
    SendMessageW(view(), WM_VSCROLL, SB_PAGEDOWN, 0);
    UpdateWindow(view());
  }
  ListView_EnsureVisible(view(), 99999, FALSE);
  UpdateWindow(view());
  const double scroll_ms = Milliseconds(start);
  EXPECT_GT(ListView_GetTopIndex(view()), 99000);
  std::printf(
      "[ timing ] 100000 rows: shown in %.0f ms; 50 pages scrolled and a jump to the end "
      "painted in %.0f ms\n",
      fill_ms, scroll_ms);
}

TEST_F(ResultListTest, HeaderClicksSortAsTheUserExpects) {
  list().SetHits(Hits({
      Hit("banana", "Zed", "2024/01/02 10:00:00", "A"),
      Hit("Apple", "amy", "2023/12/31 23:59:59", "B"),
      Hit(kUntitled, "Bob", "2024/01/02 09:00:00", "C"),
      Hit("APPLE", "AMY", "1999/05/05 00:00:00", "D"),
      Hit("cherry", "bob", "2024/11/30 08:15:00", "E"),
  }));
  const int kRunEnd = -1;
  const struct Step {
    int click;  // a column, or the sort that ends a run
    bool descending;
    std::vector<std::string> ids;  // when the order is fully defined
  } kSteps[] = {
      // Before any run the remembered column is Subject: its first click reverses.
      {0, true, {}},
      {kRunEnd, true, {"E", "A", "C", "B", "D"}},
      // After a run Date sorts oldest first, whatever was clicked before.
      {2, false, {"D", "B", "C", "A", "E"}},
      {2, true, {"E", "A", "C", "B", "D"}},
      {1, false, {}},
      {1, true, {}},
      {0, false, {}},
      {kRunEnd, true, {"E", "A", "C", "B", "D"}},
      // The run's sort leaves the column alone: Subject again reverses the descending flag.
      {0, false, {}},
  };
  int remembered = 0;
  for (const Step& step : kSteps) {
    SCOPED_TRACE(testing::Message() << "click " << step.click);
    if (step.click == kRunEnd) {
      list().SortNewestFirst();
    } else {
      ClickHeader(step.click);
      remembered = step.click;
    }
    EXPECT_EQ(list().SortColumn(), remembered);
    EXPECT_EQ(list().SortDescending(), step.descending);
    if (!step.ids.empty()) {
      EXPECT_EQ(Ids(), step.ids);
    }
    // Ordered by the texts as shown, by the locale's compare ignoring case.
    const int column = step.click == kRunEnd ? 2 : step.click;
    for (int i = 0; i + 1 < list().RowCount(); ++i) {
      const int order = Sign(CompareIgnoreCase(Text(i, column), Text(i + 1, column)));
      EXPECT_TRUE(step.descending ? order >= 0 : order <= 0) << "rows " << i << ", " << i + 1;
    }
  }

  // Texts that differ only in case are neighbours whichever way the column sorts.
  for (int column : {0, 1}) {
    for (bool descending : {false, true}) {
      list().Sort(column, descending);
      const std::vector<std::string> ids = Ids();
      const auto b = std::find(ids.begin(), ids.end(), "B") - ids.begin();
      const auto d = std::find(ids.begin(), ids.end(), "D") - ids.begin();
      EXPECT_EQ(std::abs(b - d), 1) << "column " << column;
    }
  }
}

TEST(ResultListSortKey, OrdersAsTheLocaleCompareIgnoringCase) {
  const std::vector<std::string> kSample = {
      "",
      "a",
      "A",
      "apple",
      "APPLE",
      "Apple pie",
      "apple-pie",
      "applepie",
      "apple's",
      "b",
      "Zebra",
      "zebra",
      "10",
      "9",
      "#tag",
      "!",
      "(",
      "Re: x",
      "re: X",
      "RE:x",
      kUntitled,
      "\x96\xb3\x91\xe8",  // 無題
      kMeeting,
      kSoft,
      kHalfKana,
      "\x83\x4a\x83\x69",          // カナ
      "\x82\xa9\x82\xc8",          // かな
      "\x82\x60\x82\x82\x82\x83",  // Ａｂｃ (full-width)
      "abc",
      "ABC",
      "\x81\x5b",  // ー
      "2024/01/02 10:00:00",
      "2023/12/31 23:59:59",
      "1999/05/05 00:00:00",
  };
  std::vector<std::wstring> texts;
  for (const std::string& s : kSample) texts.push_back(zeldrium::WideFrom932(s));
  for (const std::wstring& a : texts) {
    const std::string ka = ui::SortKeyIgnoreCase(a);
    ASSERT_FALSE(ka.empty());
    EXPECT_EQ(ka.back(), '\0');
    for (const std::wstring& b : texts) {
      const std::string kb = ui::SortKeyIgnoreCase(b);
      // std::string compares its bytes as unsigned, as memcmp does.
      EXPECT_EQ(Sign(ka.compare(kb)), Sign(CompareIgnoreCase(a, b)))
          << zeldrium::To932(a) << " / " << zeldrium::To932(b);
    }
  }
  EXPECT_EQ(ui::SortKeyIgnoreCase(L"apple"), ui::SortKeyIgnoreCase(L"APPLE"));
  // Longer than the first buffer tried.
  const std::wstring long_text(3000, L'\u4f1a');
  EXPECT_EQ(Sign(ui::SortKeyIgnoreCase(long_text).compare(ui::SortKeyIgnoreCase(long_text + L"x"))),
            Sign(CompareIgnoreCase(long_text, long_text + L"x")));
}

// Every column, both ways: rows in the locale's order of the column's texts, equal texts in the
// order they had, and each row's texts still together (they are told by the message key, which
// the rows were made with).
TEST_F(ResultListTest, EveryColumnSortsItsOwnTextsAndRowsStayWhole) {
  std::vector<TestHit> rows = ManyRows(3000);
  const char* const kFolders[] = {"Inbox", "inbox", kSoft, kHalfKana, "Archive"};
  for (size_t i = 0; i < rows.size(); ++i) rows[i].folder = kFolders[i % 5];
  list().SetHits(Hits(rows));
  auto by_key = [&](const std::string& mail_id) { return rows[std::stoul(mail_id.substr(15))]; };
  for (int column = 0; column < ui::ResultList::kColumnCount; ++column) {
    for (bool descending : {false, true}) {
      SCOPED_TRACE(testing::Message() << "column " << column << (descending ? " down" : " up"));
      std::vector<std::string> before = Ids();
      std::vector<size_t> was_at(rows.size());
      for (size_t i = 0; i < before.size(); ++i) was_at[std::stoul(before[i])] = i;
      ASSERT_TRUE(list().Sort(column, descending));
      std::wstring previous;
      size_t previous_was_at = 0;
      for (int i = 0; i < list().RowCount(); ++i) {
        const zeldrium::THitRow row = list().Row(i);
        const TestHit& made = by_key(row.MailID);
        ASSERT_EQ(row.Subject, made.subject.empty() ? kUntitled : made.subject) << i;
        ASSERT_EQ(row.From, made.from) << i;
        ASSERT_EQ(row.Date, made.date) << i;
        ASSERT_EQ(row.Folder, made.folder) << i;
        const std::wstring text = Text(i, column);
        const size_t at = was_at[std::stoul(row.MailID.substr(15))];
        if (i > 0) {
          const int order = Sign(CompareIgnoreCase(previous, text));
          ASSERT_TRUE(descending ? order >= 0 : order <= 0) << "rows " << i - 1 << ", " << i;
          if (order == 0) {
            ASSERT_LT(previous_was_at, at) << "equal texts changed places at " << i;
          }
        }
        previous = text;
        previous_was_at = at;
      }
    }
  }
}

TEST_F(ResultListTest, SortingHundredThousandRowsKeepsTheChosenMail) {
  list().SetHits(Hits(ManyRows(100000)));
  list().Select(777);
  const std::string chosen = list().Row(777).MailID;
  selected_ids_.clear();

  auto start = std::chrono::steady_clock::now();
  ClickHeader(0);
  const double subject_ms = Milliseconds(start);
  start = std::chrono::steady_clock::now();
  list().SortNewestFirst();
  const double date_ms = Milliseconds(start);
  std::printf("[ timing ] sort of 100000 rows: by Subject %.0f ms, by Date %.0f ms\n", subject_ms,
              date_ms);

  for (int i = 0; i + 1 < list().RowCount(); ++i) {
    ASSERT_GE(list().Row(i).Date, list().Row(i + 1).Date) << i;
  }
  // The chosen mail is still the selected one, and the host was not asked again.
  ASSERT_GE(list().Selected(), 0);
  EXPECT_EQ(list().Row(list().Selected()).MailID, chosen);
  EXPECT_EQ(OpenedRows(), std::vector<int>{list().Selected()});
  EXPECT_TRUE(selected_ids_.empty());
}

TEST_F(ResultListTest, ArrowKeysSelectEachRowInTurnAndTheIconFollows) {
  std::vector<TestHit> rows;
  for (int i = 0; i < 6; ++i)
    rows.push_back(Hit("s", "f", "2024/01/01 00:00:00", std::to_string(i)));
  list().SetHits(Hits(rows));
  EXPECT_TRUE(OpenedRows().empty());
  EXPECT_EQ(Image(0), ui::ResultList::kClosedIcon);

  SetFocus(view());
  ASSERT_EQ(GetFocus(), view());
  list().Select(0);
  for (int i = 0; i < 3; ++i) SendMessageW(view(), WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(selected_ids_, (std::vector<std::string>{"Main.mb\\Inbox\\?0", "Main.mb\\Inbox\\?1",
                                                     "Main.mb\\Inbox\\?2", "Main.mb\\Inbox\\?3"}));
  EXPECT_EQ(list().Selected(), 3);
  EXPECT_EQ(OpenedRows(), std::vector<int>{3});

  SendMessageW(view(), WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(selected_ids_.back(), "Main.mb\\Inbox\\?2");
  EXPECT_EQ(OpenedRows(), std::vector<int>{2});

  // A click does the same.
  RECT r = {};
  ListView_GetItemRect(view(), 5, &r, LVIR_BOUNDS);
  const LPARAM at = MAKELPARAM(r.left + 30, (r.top + r.bottom) / 2);
  PostMessageW(view(), WM_LBUTTONUP, 0, at);
  SendMessageW(view(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  EXPECT_EQ(selected_ids_.back(), "Main.mb\\Inbox\\?5");
  EXPECT_EQ(OpenedRows(), std::vector<int>{5});

  // New rows come without a selection, and without asking the host for anything.
  const size_t asked = selected_ids_.size();
  list().SetHits(Hits({Hit("t", "g", "2024/01/01 00:00:00", "9")}));
  EXPECT_EQ(list().Selected(), -1);
  EXPECT_TRUE(OpenedRows().empty());
  list().Clear();
  EXPECT_EQ(ListView_GetItemCount(view()), 0);
  EXPECT_EQ(selected_ids_.size(), asked);
}

TEST_F(ResultListTest, TypingTheStartOfASubjectSelectsIt) {
  list().SetHits(
      Hits({Hit("alpha", "", "", "0"), Hit("Beta", "", "", "1"), Hit(kMeeting, "", "", "2"),
            Hit("beta two", "", "", "3"), Hit("b", "", "", "4")}));
  SetFocus(view());
  SendMessageW(view(), WM_CHAR, L'b', 1);
  EXPECT_EQ(list().Selected(), 1);
  ASSERT_FALSE(selected_ids_.empty());
  EXPECT_EQ(selected_ids_.back(), "Main.mb\\Inbox\\?1");

  // The searches the control asks for as the user types.
  const struct {
    const wchar_t* typed;
    int start;
    UINT flags;
    int found;
  } kCases[] = {
      {L"BETA", 2, LVFI_PARTIAL, 3},
      {L"beta", 4, LVFI_PARTIAL, -1},
      {L"beta", 4, LVFI_PARTIAL | LVFI_WRAP, 1},
      {L"\u4f1a\u8b70", 0, LVFI_PARTIAL | LVFI_WRAP, 2},  // 会議
      {L"\u4f1a\u8b70\u306e\u304a\u77e5\u3089\u305b!", 0, LVFI_PARTIAL | LVFI_WRAP, -1},
      {L"B", 0, LVFI_STRING | LVFI_WRAP, 4},
      {L"x", 0, LVFI_PARTIAL | LVFI_WRAP, -1},
  };
  for (const auto& c : kCases) {
    NMLVFINDITEMW find = {};
    find.hdr.hwndFrom = view();
    find.hdr.code = LVN_ODFINDITEMW;
    find.iStart = c.start;
    find.lvfi.flags = c.flags;
    find.lvfi.psz = c.typed;
    LRESULT found = -2;
    ASSERT_TRUE(list().HandleNotify(&find.hdr, &found));
    EXPECT_EQ(found, c.found) << zeldrium::To932(c.typed) << " from " << c.start;
  }
}

TEST_F(ResultListTest, DoubleClickAnywhereAndRightClickReachTheWindow) {
  list().SetHits(Hits({Hit("a", "x", "2024/01/01 00:00:00", "1")}));
  RECT row = {};
  ListView_GetItemRect(view(), 0, &row, LVIR_BOUNDS);
  SendMessageW(view(), WM_LBUTTONDBLCLK, MK_LBUTTON,
               MAKELPARAM(row.left + 20, (row.top + row.bottom) / 2));
  EXPECT_EQ(double_clicks_, 1);
  SendMessageW(view(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(row.left + 20, row.bottom + 100));
  EXPECT_EQ(double_clicks_, 2);

  // The list has no menu of its own: a right-click, on a row or below them, reaches the window
  // that shows its menu for it. The control waits for the button to come up before it reports
  // the click.
  for (int y : {(row.top + row.bottom) / 2, row.bottom + 50}) {
    const size_t before = parent_.context_menus.size();
    PostMessageW(view(), WM_RBUTTONUP, 0, MAKELPARAM(row.left + 20, y));
    SendMessageW(view(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(row.left + 20, y));
    ASSERT_EQ(parent_.context_menus.size(), before + 1);
    EXPECT_EQ(parent_.context_menus.back(), view());
  }
}

// Paints onto a 24 × 24 memory bitmap of one colour and returns its pixels (0x00RRGGBB).
template <typename Paint>
std::vector<uint32_t> PaintOnto(COLORREF background, Paint paint) {
  constexpr int kSize = 24;
  testutil::TestCanvas canvas(kSize, kSize);
  const RECT all = {0, 0, kSize, kSize};
  win32::UniqueHbrush brush(CreateSolidBrush(background));
  FillRect(canvas.dc(), &all, brush.get());
  paint(canvas.dc());
  GdiFlush();
  return canvas.Pixels();
}

TEST_F(ResultListTest, ImageListHoldsBothEnvelopesWithTransparentCorners) {
  HIMAGELIST images = ListView_GetImageList(view(), LVSIL_SMALL);
  ASSERT_NE(images, nullptr);
  EXPECT_EQ(ImageList_GetImageCount(images), 2);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(images, &cx, &cy);
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);

  constexpr uint32_t kBluePixel = 0x0000FF;
  std::vector<uint32_t> icons[2];
  for (int i : {0, 1}) {
    icons[i] =
        PaintOnto(RGB(0, 0, 255), [&](HDC dc) { ImageList_Draw(images, i, dc, 0, 0, ILD_NORMAL); });
    EXPECT_EQ(icons[i][0], kBluePixel) << "corner of icon " << i;
    EXPECT_EQ(icons[i][15 * 24 + 15], kBluePixel) << "corner of icon " << i;
  }
  EXPECT_NE(icons[0], icons[1]);
}

}  // namespace

namespace {

// At 144 dpi the envelopes are 24 x 24: the 16 x 16 drawing fills the larger square, and its
// corners stay transparent.
TEST(ResultListAtDpi, EnvelopesAreDrawnAtTheSizeOfTheDpi) {
  Parent parent;
  ASSERT_TRUE(parent.Make());
  ASSERT_TRUE(parent.list.Create(parent.hwnd(), 100, 144));
  HIMAGELIST images = ListView_GetImageList(parent.list.hwnd(), LVSIL_SMALL);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(images, &cx, &cy);
  EXPECT_EQ(cx, 24);
  EXPECT_EQ(cy, 24);
  EXPECT_EQ(ListView_GetColumnWidth(parent.list.hwnd(), 0), 600);
  constexpr uint32_t kBluePixel = 0x0000FF;
  for (int i : {0, 1}) {
    SCOPED_TRACE(i);
    const std::vector<uint32_t> icon =
        PaintOnto(RGB(0, 0, 255), [&](HDC dc) { ImageList_Draw(images, i, dc, 0, 0, ILD_NORMAL); });
    EXPECT_EQ(icon[0], kBluePixel);
    EXPECT_EQ(icon[23 * 24 + 23], kBluePixel);
    int beyond_16 = 0;
    for (int y = 0; y < 24; ++y) {
      for (int x = 17; x < 24; ++x)
        beyond_16 += icon[static_cast<size_t>(y * 24 + x)] != kBluePixel;
    }
    EXPECT_GT(beyond_16, 10) << "the drawing grew with its square";
  }
}

}  // namespace
