// One run at a time: what reaches the search window while a run lets messages through. The
// store has a large folder between two small ones, so a run is still reading when the
// messages posted before it arrive.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tests/window_driver.h"

namespace {

using namespace mainview;
using testutil::FindParam;

constexpr int kBig = 100000;
constexpr char kF1[] = "Big.mb\\F1\\";
constexpr char kF2[] = "Big.mb\\F2\\";
constexpr char kF3[] = "Big.mb\\F3\\";
constexpr char kAllThree[] = "Big.mb\\F1\\,Big.mb\\F2\\,Big.mb\\F3\\";

class RunWindowTest : public SearchWindowTest {
 protected:
  void SetUp() override {
    SearchWindowTest::SetUp();
    // Newest first, the rows of F1 come first, then those of F3, then those of F2.
    ASSERT_TRUE(testutil::WriteFolder(store_.path(), kF1, Lines("f1", 10, 3000000)));
    ASSERT_TRUE(testutil::WriteFolder(store_.path(), kF2, Lines("f2", kBig, 1000000)));
    ASSERT_TRUE(testutil::WriteFolder(store_.path(), kF3, Lines("f3", 10, 2000000)));
    // The current folder is the last listed one, so it is not searched first as well.
    ASSERT_TRUE(standin::OpenFolder(kF3));
  }

  // Every line a hit of "hit" in Subject, sent by who@example.jp.
  static std::string Lines(const char* who, int n, uint32_t first_date) {
    std::string index;
    index.reserve(static_cast<size_t>(n) * 64);
    const std::string from = std::string(who) + "@example.jp";
    for (int i = 0; i < n; ++i) {
      const std::string key = std::to_string(i) + ".mail";
      index +=
          testutil::IndexLine(key, "hit " + key, from, "", first_date + static_cast<uint32_t>(i));
    }
    return index;
  }
  static std::string Big() { return FindParam("big", false, kAllThree, 2, "hit"); }

  // Reading every row of a large list through the control would take seconds: the small
  // folders' rows are among the first 20, F2's are the rest.
  int RowsFrom(const char* who) const {
    if (std::string(who) == "f2") return RowCount() - RowsFrom("f1") - RowsFrom("f3");
    const std::wstring from = W(who) + L"@example.jp";
    int n = 0;
    for (int row = 0; row < std::min(RowCount(), 20); ++row) n += Cell(row, 1) == from;
    return n;
  }
};

TEST_F(RunWindowTest, StopSkipsOnlyTheRestOfTheFolderBeingRead) {
  WriteSettings("FINDPARAM0=" + Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  bool stop_was_enabled = false;
  bool find_was_enabled = true;
  DuringRun([&] {
    stop_was_enabled = Enabled(kStopBtn);
    find_was_enabled = Enabled(kFindBtn) || Enabled(kReFindBtn) || Enabled(kPropBtn);
    Click(kStopBtn);
  });
  ChooseTab(0);
  ASSERT_TRUE(stop_was_enabled) << "the stop came during the run";
  EXPECT_FALSE(find_was_enabled);
  EXPECT_EQ(RowsFrom("f1"), 10);
  EXPECT_EQ(RowsFrom("f3"), 10) << "the folder after the stopped one is searched";
  EXPECT_LT(RowsFrom("f2"), kBig);
  EXPECT_EQ(Counter(), Count(RowCount())) << "the count counts every row";
  EXPECT_FALSE(Enabled(kStopBtn));
  EXPECT_TRUE(Enabled(kFindBtn) && Enabled(kReFindBtn) && Enabled(kPropBtn));
}

TEST_F(RunWindowTest, EnterDuringARunSearchesTheNewTextOnceTheRunHasGivenWay) {
  WriteSettings("FINDPARAM0=" + Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  bool during = false;
  DuringRun([&] {
    during = Enabled(kStopBtn);
    ChooseField(0);  // the bar shows the running search's field, Subject
    Search(L"f3@");
  });
  ChooseTab(0);
  ASSERT_TRUE(during);
  EXPECT_EQ(Tabs(), (Texts{L"f3", L"big"}));
  EXPECT_EQ(CurrentTab(), 0);
  EXPECT_EQ(Counter(), Count(10));
  EXPECT_EQ(RowsFrom("f3"), 10);
  EXPECT_EQ(SearchText(), L"f3@");
  EXPECT_EQ(ComboItems(kComboBox1), (Texts{L"f3@"}));
  EXPECT_FALSE(Enabled(kStopBtn));
}

TEST_F(RunWindowTest, TheLastTabChosenDuringARunIsTheOneSearched) {
  WriteSettings("FINDPARAM0=" + Big() +
                "\r\n"
                "FINDPARAM1=" +
                FindParam("one", false, kF1, 0, "f1@") +
                "\r\n"
                "FINDPARAM2=" +
                FindParam("three", false, "", 0, "f3@") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  DuringRun([&] {
    ChooseTab(1);
    ChooseTab(2);
  });
  ChooseTab(0);
  EXPECT_EQ(CurrentTab(), 2);
  EXPECT_EQ(SearchText(), L"f3@");
  EXPECT_EQ(Counter(), Count(10));
  EXPECT_EQ(RowsFrom("f3"), 10);
}

TEST_F(RunWindowTest, DeletingTheRunningTabWaitsUntilTheRunHasGivenWay) {
  WriteSettings("FINDPARAM0=" + FindParam("first", false, kF1, 2, "hit") +
                "\r\n"
                "FINDPARAM1=" +
                Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  Texts tabs_during;
  DuringRun([&] {
    Command(kDelete1);
    tabs_during = Tabs();
  });
  ChooseTab(1);
  EXPECT_EQ(tabs_during, (Texts{L"first", L"big"})) << "nothing deleted under the run";
  EXPECT_EQ(Tabs(), (Texts{L"first"}));
  EXPECT_EQ(CurrentTab(), 0);
  // The current folder first, then the fixed one.
  EXPECT_EQ(Counter(), Count(20));
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Setting("FINDCOUNT"), "1");
}

// The only tab deleted while its search runs again: no run follows, and the rows that the
// given-up run leaves are what the count counts, not the count of the full run before.
TEST_F(RunWindowTest, RowsLeftByARunThatGaveUpAreCounted) {
  WriteSettings("FINDPARAM0=" + Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ChooseTab(0);
  ASSERT_EQ(Counter(), Count(kBig + 20));
  DuringRun([&] { Command(kDelete1); });
  Click(kReFindBtn);
  EXPECT_TRUE(Tabs().empty());
  EXPECT_LT(RowCount(), kBig + 20) << "the run gave up";
  EXPECT_EQ(Counter(), Count(RowCount()));
}

TEST_F(RunWindowTest, ClearingAllWaitsForTheRunToEnd) {
  WriteSettings("FINDPARAM0=" + Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  size_t tabs_during = 0;
  DuringRun([&] {
    Command(kN3);
    tabs_during = Tabs().size();
  });
  ChooseTab(0);
  EXPECT_EQ(tabs_during, 1u);
  EXPECT_TRUE(Tabs().empty());
  EXPECT_EQ(Counter(), Count(kBig + 20)) << "the run was not disturbed";
  EXPECT_EQ(RowCount(), kBig + 20);
}

TEST_F(RunWindowTest, FolderChangeDuringARunSearchesAgainOverTheNewFolder) {
  WriteSettings("FINDPARAM0=" + FindParam("two", false, kF2, 2, "hit") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  bool during = false;
  DuringRun([&] {
    during = Enabled(kStopBtn);
    ASSERT_TRUE(standin::OpenFolder(kF1));
    EXPECT_TRUE(Enabled(kStopBtn)) << "the callback returns before anything else runs";
  });
  ChooseTab(0);
  ASSERT_TRUE(during);
  EXPECT_EQ(RowsFrom("f3"), 0);
  EXPECT_EQ(RowsFrom("f1"), 10);
  EXPECT_EQ(Counter(), Count(kBig + 10));
}

TEST_F(RunWindowTest, QuitDuringARunEndsItAndIsLeftForTheHostsLoop) {
  WriteSettings("FINDPARAM0=" + Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  PostQuitMessage(7);
  ChooseTab(0);
  EXPECT_LT(RowCount(), kBig + 20) << "the run did not finish";
  EXPECT_EQ(Counter(), Count(RowCount())) << "the rows it leaves are counted";
  EXPECT_FALSE(Enabled(kStopBtn));
  EXPECT_TRUE(Enabled(kFindBtn));
  MSG msg = {};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
  // The next search runs as usual.
  ChooseField(0);
  Search(L"f3@");
  EXPECT_EQ(Counter(), Count(10));
}

TEST_F(RunWindowTest, HotKeyDuringARunShowsTheWindowAndStartsNothing) {
  WriteSettings("FINDPARAM0=" + Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  DuringRun([&] { SendMessageW(form_, WM_HOTKEY, 0, 0); });
  ChooseTab(0);
  EXPECT_TRUE(Visible());
  EXPECT_EQ(Counter(), Count(kBig + 20));
}

TEST_F(RunWindowTest, ClosingDuringARunSavesAndTheRunGoesOnToItsEnd) {
  WriteSettings("FINDPARAM0=" + Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  bool hidden_during = false;
  std::string saved_during;
  DuringRun([&] {
    Click(kCloseBtn);
    hidden_during = !Visible();
    saved_during = Setting("FINDPARAM0");
  });
  ChooseTab(0);
  EXPECT_TRUE(hidden_during);
  EXPECT_EQ(saved_during.substr(0, 4), "big,");
  EXPECT_FALSE(Visible());
  EXPECT_EQ(Counter(), Count(kBig + 20));
}

TEST_F(RunWindowTest, EditedConditionIsStoredOnceTheRunHasGivenWay) {
  WriteSettings("FINDPARAM0=" + Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  Texts tabs_at_ok;
  DuringRun([&] { Command(kN1); });
  WhenPropertiesShow([&](HWND dialog) {
    SetDlgItemTextW(dialog, 201, L"renamed");
    tabs_at_ok = Tabs();
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  });
  ChooseTab(0);
  EXPECT_EQ(tabs_at_ok, (Texts{L"big"}));
  EXPECT_EQ(Tabs(), (Texts{L"renamed"}));
  EXPECT_EQ(Counter(), Count(kBig + 20)) << "the edited condition was searched";
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Setting("FINDPARAM0").substr(0, 8), "renamed,");
}

// The user types on while the run for the first key reads: that run gives up, and the list ends
// with the rows of the text as it stands, searched once.
TEST_F(RunWindowTest, AKeystrokeDuringALongRunLeavesOnlyTheNewestTextsRows) {
  WriteSettings("FINDSCOPE=1\r\n");  // the host's mailbox: every folder of Big.mb
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  std::wstring reading;
  WhenARunReads([&] {
    reading = SearchText();
    for (wchar_t c : std::wstring(L"3@")) PostMessageW(GetFocus(), WM_CHAR, c, 1);
    PumpMessages();
  });
  TypeKeys(L"f");
  ASSERT_EQ(reading, L"f") << "the keys came while the run for f read";
  EXPECT_EQ(SearchText(), L"f3@");
  EXPECT_EQ(Counter(), Count(10));
  EXPECT_EQ(RowCount(), 10);
  EXPECT_EQ(RowsFrom("f3"), 10);
  EXPECT_EQ(Tabs(), Texts{});
}

// Esc: while a run reads it stops it, as 中止 does (in the mailbox's scope, the whole run); then
// it empties the search text; on the empty text it closes the window as the close button does.
TEST_F(RunWindowTest, EscStopsTheRunThenEmptiesTheTextThenClosesTheWindow) {
  WriteSettings("FINDSCOPE=1\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  WhenARunReads([&] { PressKey(VK_ESCAPE); });
  TypeKeys(L"@");
  EXPECT_LT(RowCount(), kBig + 20) << "stopped";
  EXPECT_EQ(RowsFrom("f3"), 0) << "the folder after the stopped one is not read";
  EXPECT_EQ(Counter(), Count(RowCount()));
  EXPECT_FALSE(Enabled(kStopBtn));
  EXPECT_EQ(SearchText(), L"@");
  ASSERT_TRUE(Visible());

  PressKey(VK_ESCAPE);
  EXPECT_EQ(SearchText(), L"");
  ASSERT_TRUE(Visible());
  EXPECT_EQ(Setting("WINDOWINFO"), "<none>") << "nothing saved yet";

  PressKey(VK_ESCAPE);
  EXPECT_FALSE(Visible());
  EXPECT_NE(Setting("WINDOWINFO"), "<none>") << "closed as the close button does: saved";
  EXPECT_EQ(Setting("FINDSCOPE"), "1");
}

// Whether a count shown during a run reads "検索中… N 件", N with a comma before every three
// digits from the right.
bool IsProgress(const std::wstring& text, int* hits) {
  const std::wstring head = L"\x691c\x7d22\x4e2d\x2026 ";
  const std::wstring tail = kCounterWord;
  if (text.size() <= head.size() + tail.size() || text.rfind(head, 0) != 0 ||
      text.compare(text.size() - tail.size(), tail.size(), tail) != 0) {
    return false;
  }
  const std::wstring number = text.substr(head.size(), text.size() - head.size() - tail.size());
  *hits = 0;
  for (size_t i = 0; i < number.size(); ++i) {
    const bool comma_here = i > 0 && (number.size() - i) % 4 == 0;
    if (comma_here != (number[i] == L',')) return false;
    if (comma_here) continue;
    if (number[i] < L'0' || number[i] > L'9') return false;
    *hits = *hits * 10 + (number[i] - L'0');
  }
  return true;
}

// A long run says in the count that it searches, and how many hits it has so far, until the
// count of its end replaces that.
TEST_F(RunWindowTest, ALongRunShowsItsProgressInTheCount) {
  // Long enough for several pauses on any machine.
  constexpr int kLonger = 4 * kBig;
  ASSERT_TRUE(testutil::WriteFolder(store_.path(), "Big.mb\\F4\\", Lines("f4", kLonger, 1)));
  WriteSettings(
      "FINDPARAM0=" + FindParam("big", false, std::string(kAllThree) + ",Big.mb\\F4\\", 2, "hit") +
      "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  static Texts shown;
  shown.clear();
  static std::function<void()> look;
  look = [this] {
    if (!Enabled(kStopBtn)) return;  // the run is over
    shown.push_back(Counter());
    DuringRun(look);
  };
  DuringRun(look);
  ChooseTab(0);
  EXPECT_EQ(Counter(), Count(kBig + kLonger + 20));
  int progress_seen = 0;
  int last = 0;
  for (const std::wstring& text : shown) {
    SCOPED_TRACE(text);
    int hits = 0;
    if (text.empty()) continue;  // the first look, before the run had anything to tell
    ASSERT_TRUE(IsProgress(text, &hits));
    EXPECT_GE(hits, last);
    EXPECT_LE(hits, kBig + kLonger + 20);
    last = hits;
    ++progress_seen;
  }
  EXPECT_GE(progress_seen, 1) << shown.size() << " looks";
}

// The time this thread has run, in milliseconds: unlike the clock, it leaves out the time a
// busy machine gave to other programs.
uint64_t ThreadMillis() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& t) {
    return (uint64_t{t.dwHighDateTime} << 32 | t.dwLowDateTime) / 10000;
  };
  return ticks(kernel) + ticks(user);
}

// The window answers while a run reads: the work done between two looks at the message queue
// stays small (the run is meant to look every 15 ms or so; the bound leaves room for a slow
// machine). Counted in the thread's own time, so that a machine busy with other work does not
// stretch the gaps.
TEST_F(RunWindowTest, RunLetsMessagesThroughOftenWhileItReads) {
  WriteSettings("FINDPARAM0=" + Big() + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  static std::vector<uint64_t> seen;
  seen.clear();
  static std::function<void()> look;
  look = [this] {
    if (!Enabled(kStopBtn)) return;  // the run is over
    seen.push_back(ThreadMillis());
    DuringRun(look);
  };
  DuringRun(look);
  const DWORD start = GetTickCount();
  ChooseTab(0);
  const DWORD total = GetTickCount() - start;
  ASSERT_GE(seen.size(), 2u) << "run took " << total << " ms";
  uint64_t longest = 0;
  for (size_t i = 1; i < seen.size(); ++i) longest = std::max(longest, seen[i] - seen[i - 1]);
  std::printf("run %lu ms, %zu looks at the queue, longest gap %llu ms of the thread's time\n",
              total, seen.size(), static_cast<unsigned long long>(longest));
  EXPECT_LT(longest, 100u);
  PumpMessages();
}

}  // namespace
