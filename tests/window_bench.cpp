// Not checks: the time from Enter (or a chosen tab) to the hit count, for bench/window.sh; the
// memory a run's hits take and the time a header click takes to sort them, for bench/memory.sh;
// the time from a typed key to the count of its text, for bench/typing.sh. Skipped unless
// ZELDRIUM_BENCH_STORE names a store (a Windows path).
//   ZELDRIUM_BENCH_STORE      the data folder
//   ZELDRIUM_BENCH_FOLDER     the host's current folder for the Enter search (a folder ID)
//   ZELDRIUM_BENCH_MAILBOXES  comma list of mailbox IDs searched with subfolders from a tab
//   ZELDRIUM_BENCH_TEXT       the Subject text (default "invoice"); for the memory, the From
//                             text (default "@", which nearly every line holds)
//   ZELDRIUM_BENCH_RUNS       timed runs after one warm-up (default 5)
//   ZELDRIUM_BENCH_WORD       the word typed into the search text, Subject, every mailbox
//                             (default invoice); ZELDRIUM_BENCH_BURST its first five letters
//                             typed 30 ms apart (1 to measure that, as for the large store)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tests/window_driver.h"

namespace {

using namespace mainview;

LARGE_INTEGER g_counter_set;
// When the count last showed the end of a run ("N 件", not the progress of one).
LARGE_INTEGER g_count_set;
WNDPROC g_label_proc = nullptr;

LRESULT CALLBACK TimedLabel(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_SETTEXT) {
    QueryPerformanceCounter(&g_counter_set);
    const auto* text = reinterpret_cast<const wchar_t*>(lparam);
    if (text && text[0] >= L'0' && text[0] <= L'9') g_count_set = g_counter_set;
  }
  return CallWindowProcW(g_label_proc, hwnd, message, wparam, lparam);
}

double Ms(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

double MedianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
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

// From a key typed into the search text to the count of the text it makes, every mailbox searched
// for Subject: each key of a word typed once its predecessor's count is there, and, for the large
// store, five keys typed 30 ms apart, the last one's count against that of one run of the same
// text.
TEST_F(WindowBench, TypingLatency) {
  const std::string store = Env("ZELDRIUM_BENCH_STORE", "");
  if (store.empty()) GTEST_SKIP() << "ZELDRIUM_BENCH_STORE not set";
  const std::string word = Env("ZELDRIUM_BENCH_WORD", "invoice");
  const int runs = std::max(1, std::atoi(Env("ZELDRIUM_BENCH_RUNS", "5").c_str()));
  WriteSettings("FINDSCOPE=2\r\n");
  standin::SetDataFolder(store);
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ChooseField(2);
  HWND label = Item(kLabel1);
  g_label_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TimedLabel)));
  HWND edit = Edit();
  const std::wstring wide(word.begin(), word.end());
  auto clear = [&] {
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    PumpMessages();
  };
  // One key, typed when everything before it is done; the time to its count.
  auto type = [&](wchar_t key) {
    LARGE_INTEGER start;
    g_count_set.QuadPart = 0;
    QueryPerformanceCounter(&start);
    PostMessageW(edit, WM_CHAR, key, 1);
    PumpMessages();
    return g_count_set.QuadPart ? Ms(g_count_set.QuadPart - start.QuadPart) : -1.0;
  };

  // A warm-up, then the word typed runs times: the median of every key.
  std::vector<double> keys;
  for (int round = 0; round <= runs; ++round) {
    clear();
    for (wchar_t key : wide) {
      const double ms = type(key);
      if (round > 0) keys.push_back(ms);
      if (round == 1) std::printf("typing-key %lc %.1f ms %ls\n", key, ms, Counter().c_str());
    }
  }
  std::printf("typing-median-ms %.1f over %zu keys, '%s'\n", MedianOf(keys), keys.size(),
              word.c_str());

  if (Env("ZELDRIUM_BENCH_BURST", "0") != "1") return;
  const std::wstring burst = wide.substr(0, 5);
  // One run of the burst's text: its last key typed once the four before it are searched.
  auto single = [&] {
    clear();
    for (wchar_t key : burst.substr(0, 4)) type(key);
    return type(burst[4]);
  };
  // The five keys 30 ms apart, from another thread as a keyboard would send them, while the
  // window's thread runs the searches they set going: from the last key to its count.
  auto five = [&] {
    clear();
    LARGE_INTEGER last_key = {};
    HANDLE typed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread typist([&] {
      const auto start = std::chrono::steady_clock::now();
      for (size_t i = 0; i < burst.size(); ++i) {
        std::this_thread::sleep_until(start + std::chrono::milliseconds(30 * i));
        if (i + 1 == burst.size()) QueryPerformanceCounter(&last_key);
        PostMessageW(edit, WM_CHAR, burst[i], 1);
      }
      SetEvent(typed);
    });
    for (;;) {
      const DWORD woke = MsgWaitForMultipleObjects(1, &typed, FALSE, INFINITE, QS_ALLINPUT);
      PumpMessages();
      if (woke == WAIT_OBJECT_0) break;
    }
    typist.join();
    CloseHandle(typed);
    PumpMessages();
    return Ms(g_count_set.QuadPart - last_key.QuadPart);
  };
  // The two take turns, so that both meet the same load of a shared machine; the ratio is taken
  // round by round.
  std::vector<double> singles, bursts, ratios;
  std::wstring count;
  for (int round = 0; round <= runs; ++round) {
    const double one = single();
    count = Counter();
    const double last = five();
    if (Counter() != count) std::printf("typing-burst-wrong-count %ls\n", Counter().c_str());
    if (round == 0) continue;
    singles.push_back(one);
    bursts.push_back(last);
    ratios.push_back(last / one);
    std::printf("typing-round %d single %.1f burst %.1f\n", round, one, last);
  }
  std::printf("typing-single-run-ms %.1f %ls\n", MedianOf(singles), count.c_str());
  std::printf("typing-burst-ms %.1f ratio %.2f, '%ls' 30 ms apart\n", MedianOf(bursts),
              MedianOf(ratios), burst.c_str());
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
