// Not checks: the time from Enter (or a chosen tab) to the hit count, for bench/window.sh, and
// the memory a run's hits take and the time a header click takes to sort them, for
// bench/memory.sh. Skipped unless ZELDRIUM_BENCH_STORE names a store (a Windows path).
//   ZELDRIUM_BENCH_STORE      the data folder
//   ZELDRIUM_BENCH_FOLDER     the host's current folder for the Enter search (a folder ID)
//   ZELDRIUM_BENCH_MAILBOXES  comma list of mailbox IDs searched with subfolders from a tab
//   ZELDRIUM_BENCH_TEXT       the Subject text (default "invoice"); for the memory, the From
//                             text (default "@", which nearly every line holds)
//   ZELDRIUM_BENCH_RUNS       timed runs after one warm-up (default 5)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
  // Milliseconds from the start of trigger to the count label's change, median of the runs
  // (and in *fastest the fastest one, which other work on the machine disturbs least); prepare
  // runs before each, untimed.
  double Median(int runs, const std::function<void()>& prepare,
                const std::function<void()>& trigger, double* fastest) {
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
    *fastest = times.front();
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
  double fastest = 0;
  const double enter = Median(
      runs,
      [&] {
        ChooseField(2);
        SendMessageW(Edit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        Type(wide);
      },
      [&] { PressEnter(); }, &fastest);
  std::printf("window-enter-ms %.1f fastest %.1f hits %ls\n", enter, fastest, Counter().c_str());
  const double tab = Median(
      runs, [] {}, [&] { ChooseTab(1); }, &fastest);
  std::printf("window-tab-ms %.1f fastest %.1f hits %ls\n", tab, fastest, Counter().c_str());
  SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_label_proc));
}

std::string ReadWhole(const std::wstring& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes(8192, '\0');
  DWORD n = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  CloseHandle(file);
  bytes.resize(n);
  return bytes;
}

// This process's directory in Linux's /proc, reached through drive Z:. Not /proc/self: Wine's
// server opens the files, and "self" would be the server. Wine shows the program's own path as
// the process's first argument.
const std::wstring& ProcDir() {
  static const std::wstring dir = [] {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return std::wstring();
    std::wstring result;
    do {
      if (found.cFileName[0] < L'0' || found.cFileName[0] > L'9') continue;
      const std::wstring candidate = std::wstring(L"Z:\\proc\\") + found.cFileName + L"\\";
      const std::string command = ReadWhole(candidate + L"cmdline");
      const std::string first = command.substr(0, command.find('\0'));
      const std::string name = "window_bench.exe";
      if (first.size() >= name.size() &&
          first.compare(first.size() - name.size(), name.size(), name) == 0) {
        result = candidate;
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return result;
  }();
  return dir;
}

// The process's resident set as Linux counts it: "VmRSS" now, "VmHWM" its peak, in bytes.
int64_t ProcStatus(const char* key) {
  if (ProcDir().empty()) return -1;
  const std::string text = ReadWhole(ProcDir() + L"status");
  const size_t at = text.find(std::string(key) + ":");
  if (at == std::string::npos) return -1;
  return std::atoll(text.c_str() + at + std::strlen(key) + 1) * 1024;
}

// Starts the peak again from the resident set now.
void ResetPeak() {
  HANDLE file = CreateFileW((ProcDir() + L"clear_refs").c_str(), GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, "5", 1, &written, nullptr);
  CloseHandle(file);
}

double Since(const LARGE_INTEGER& start) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

TEST_F(WindowBench, MemoryPerHitAndSort) {
  const std::string store = Env("ZELDRIUM_BENCH_STORE", "");
  if (store.empty()) GTEST_SKIP() << "ZELDRIUM_BENCH_STORE not set";
  const std::string mailboxes = Env("ZELDRIUM_BENCH_MAILBOXES", "");
  const std::string text = Env("ZELDRIUM_BENCH_TEXT", "@");
  WriteSettings("OPTIONSET=1,0,0,0,0,\r\nFINDPARAM0=" +
                testutil::FindParam("all", true, mailboxes, 0, text) + "\r\n");
  standin::SetDataFolder(store);
  // A mailbox is no current folder: only the tab's folders are searched.
  const std::string first = mailboxes.substr(0, mailboxes.find(','));
  ASSERT_TRUE(standin::OpenFolder(first)) << first;
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ASSERT_GE(ProcStatus("VmRSS"), 0) << "no /proc status of this process through drive Z:";
  // A search without hits over the same files first: the code and the system's caches are in,
  // and what the run then adds is what its hits take.
  ChooseField(2);
  Search(L"zzqqxx-none");
  ASSERT_EQ(Counter(), std::wstring(L"0") + kCounterWord);

  const int64_t before = ProcStatus("VmRSS");
  ResetPeak();
  ChooseTab(1);
  const int64_t peak = ProcStatus("VmHWM");
  const int hits = RowCount();
  ASSERT_GT(hits, 0);
  std::printf("window-hits %d\n", hits);
  std::printf("window-run-bytes-per-hit %.1f\n",
              static_cast<double>(peak - before) / static_cast<double>(hits));

  const struct {
    const char* name;
    int column;
  } kSorts[] = {{"subject", 0}, {"from", 1}, {"date", 2}, {"folder", 3}, {"subject-again", 0}};
  for (const auto& sort : kSorts) {
    const int64_t resident = ProcStatus("VmRSS");
    ResetPeak();
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    HeaderClick(sort.column);
    const double ms = Since(start);
    std::printf("window-sort-%s-ms %.0f sort-bytes-per-hit %.1f\n", sort.name, ms,
                static_cast<double>(ProcStatus("VmHWM") - resident) / static_cast<double>(hits));
  }
  std::printf("window-resident-bytes-per-hit %.1f\n",
              static_cast<double>(ProcStatus("VmRSS") - before) / static_cast<double>(hits));
}

}  // namespace
