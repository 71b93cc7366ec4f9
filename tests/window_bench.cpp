// Not a check: the time from Enter (or a chosen tab) to the hit count, for bench/window.sh.
// Skipped unless ZELDRIUM_BENCH_STORE names a store (a Windows path).
//   ZELDRIUM_BENCH_STORE      the data folder
//   ZELDRIUM_BENCH_FOLDER     the host's current folder for the Enter search (a folder ID)
//   ZELDRIUM_BENCH_MAILBOXES  comma list of mailbox IDs searched with subfolders from a tab
//   ZELDRIUM_BENCH_TEXT       the Subject text (default "invoice")
//   ZELDRIUM_BENCH_RUNS       timed runs after one warm-up (default 5)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/window_driver.h"

namespace {

using namespace mainview;

LARGE_INTEGER g_counter_set;
WNDPROC g_label_proc = nullptr;

LRESULT CALLBACK TimedLabel(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SETTEXT) QueryPerformanceCounter(&g_counter_set);
  return CallWindowProcW(g_label_proc, hwnd, message, wparam, lparam);
}

std::string Env(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

class WindowBench : public SearchWindowTest {
 protected:
  // Milliseconds from the start of trigger to the count label's change, median of the runs;
  // prepare runs before each, untimed.
  double Median(int runs, const std::function<void()>& prepare,
                const std::function<void()>& trigger) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
      LARGE_INTEGER start;
      prepare();
      g_counter_set.QuadPart = 0;
      QueryPerformanceCounter(&start);
      trigger();
      if (g_counter_set.QuadPart == 0) return -1;
      if (i > 0) {
        times.push_back(1000.0 * static_cast<double>(g_counter_set.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
      }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  }
};

TEST_F(WindowBench, EnterToCount) {
  const std::string store = Env("ZELDRIUM_BENCH_STORE", "");
  if (store.empty()) GTEST_SKIP() << "ZELDRIUM_BENCH_STORE not set";
  const std::string folder = Env("ZELDRIUM_BENCH_FOLDER", "");
  const std::string text = Env("ZELDRIUM_BENCH_TEXT", "invoice");
  const int runs = std::max(1, std::atoi(Env("ZELDRIUM_BENCH_RUNS", "5").c_str()));
  WriteSettings("OPTIONSET=1,0,0,0,0,\r\nFINDPARAM0=" +
                testutil::FindParam("all", true, Env("ZELDRIUM_BENCH_MAILBOXES", ""), 2, text) +
                "\r\n");
  standin::SetDataFolder(store);
  ASSERT_TRUE(standin::OpenFolder(folder)) << folder;
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  HWND label = Item(kLabel1);
  g_label_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TimedLabel)));
  const std::wstring wide(text.begin(), text.end());

  // From Enter: the typing before it is the user's time, not the search's.
  const double enter = Median(
      runs,
      [&] {
        ChooseField(2);
        SendMessageW(Edit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        Type(wide);
      },
      [&] { PressEnter(); });
  std::printf("window-enter-ms %.1f hits %ls\n", enter, Counter().c_str());
  const double tab = Median(runs, [] {}, [&] { ChooseTab(1); });
  std::printf("window-tab-ms %.1f hits %ls\n", tab, Counter().c_str());
  SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_label_proc));
}

}  // namespace
