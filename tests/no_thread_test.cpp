// The plug-in starts no thread in the host's process, at any time: at load, with its window,
// during searches over large folders (read chunk by chunk), when sorting, and at unload.
#include <string>

#include "tests/window_driver.h"

namespace {

using testutil::FindParam;

// The probe library, loaded for the test's duration.
class ThreadProbe {
 public:
  ThreadProbe() : module_(LoadLibraryW((testutil::ExeDir() + L"thread_probe.dll").c_str())) {
    if (module_ != nullptr) {
      count_ = reinterpret_cast<LONG (*)()>(GetProcAddress(module_, "ThreadsStarted"));
    }
  }
  ~ThreadProbe() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  ThreadProbe(const ThreadProbe&) = delete;
  ThreadProbe& operator=(const ThreadProbe&) = delete;

  bool Loaded() const { return count_ != nullptr; }
  LONG Started() const { return count_(); }

 private:
  HMODULE module_;
  LONG (*count_)() = nullptr;
};

class NoThreadTest : public SearchWindowTest {
 protected:
  void SetUp() override {
    SearchWindowTest::SetUp();
    // A folder of several read chunks, and a few small ones below a mailbox.
    std::string big;
    for (int i = 0; i < 60000; ++i) {
      big += testutil::IndexLine(std::to_string(i) + ".mail", "hit " + std::to_string(i),
                                 "who@example.jp", "", 1000000 + i);
    }
    ASSERT_TRUE(testutil::WriteFolder(store_.path(), "Big.mb\\F1\\", big));
    ASSERT_TRUE(testutil::WriteFolder(store_.path(), "Big.mb\\F1\\A\\", big.substr(0, 640)));
    ASSERT_TRUE(testutil::WriteFolder(store_.path(), "Big.mb\\F2\\", big.substr(0, 6400)));
    ASSERT_TRUE(probe_.Loaded());
  }

  ThreadProbe probe_;
};

DWORD WINAPI DoNothing(LPVOID) { return 0; }

// The probe sees threads: otherwise the test below could not fail.
TEST_F(NoThreadTest, TheProbeCountsEveryThreadStarted) {
  const LONG before = probe_.Started();
  HANDLE thread = CreateThread(nullptr, 0, DoNothing, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(probe_.Started(), before + 1);
}

TEST_F(NoThreadTest, NoneFromLoadToUnload) {
  const LONG before = probe_.Started();
  WriteSettings("FINDPARAM0=" + FindParam("big", true, "Big.mb\\", 2, "hit") + "\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  ASSERT_TRUE(standin::OpenFolder("Big.mb\\F1\\"));
  Search(L"who");  // the host's current folder, read in chunks
  ChooseTab(1);    // the saved tab: a mailbox with its subfolders
  HeaderClick(0);
  EXPECT_GT(RowCount(), 60000);
  Unload();
  EXPECT_EQ(probe_.Started(), before);
}

}  // namespace
