#include "win32/window.h"

#include <gtest/gtest.h>

#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "win32/fault_report.h"

namespace {

constexpr wchar_t kClass[] = L"ZeldriumWindowTest";

class Probe : public win32::Window {
 public:
  bool Make() {
    CreateArgs args;
    args.class_name = kClass;
    args.style = WS_POPUP;
    args.width = 50;
    args.height = 40;
    return Create(args);
  }
  ~Probe() override { Destroy(); }

  std::vector<UINT> seen;
  bool throw_on_user = false;
  HWND hwnd_at_create = nullptr;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    seen.push_back(message);
    switch (message) {
      case WM_CREATE:
        hwnd_at_create = hwnd();
        return 0;
      case WM_USER:
        if (throw_on_user) throw std::bad_alloc();
        return 42;
      case WM_PRINTCLIENT:
        if (throw_on_user) throw std::bad_alloc();
        return 0;
    }
    return win32::Window::HandleMessage(message, wparam, lparam);
  }
};

bool ClassRegistered() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  return GetClassInfoExW(win32::ThisModule(), kClass, &wc) != FALSE;
}

TEST(Window, ObjectIsKnownFromTheFirstMessageOn) {
  Probe probe;
  ASSERT_TRUE(probe.Make());
  EXPECT_EQ(probe.hwnd_at_create, probe.hwnd());
  ASSERT_FALSE(probe.seen.empty());
  EXPECT_EQ(probe.seen.front(), static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(SendMessageW(probe.hwnd(), WM_USER, 0, 0), 42);
}

// What the library's reporter heard: the window and whether it was memory running out.
std::vector<std::pair<HWND, bool>>& Reports() {
  static std::vector<std::pair<HWND, bool>> reports;
  return reports;
}
void RecordFault(HWND source, const std::exception_ptr& fault) {
  bool out_of_memory = false;
  try {
    std::rethrow_exception(fault);
  } catch (const std::bad_alloc&) {
    out_of_memory = true;
  } catch (...) {
  }
  Reports().push_back({source, out_of_memory});
}

// The handler's fault ends its message and is reported, but not a painting's.
TEST(Window, AFaultingHandlerDoesNotUnwindIntoTheSystem) {
  Reports().clear();
  win32::SetFaultReporter(&RecordFault);
  Probe probe;
  ASSERT_TRUE(probe.Make());
  probe.throw_on_user = true;
  EXPECT_EQ(SendMessageW(probe.hwnd(), WM_USER, 0, 0), 0);
  EXPECT_TRUE(IsWindow(probe.hwnd()));
  SendMessageW(probe.hwnd(), WM_PRINTCLIENT, 0, PRF_CLIENT);
  win32::SetFaultReporter(nullptr);
  EXPECT_EQ(Reports(), (std::vector<std::pair<HWND, bool>>{{probe.hwnd(), true}}));
}

TEST(Window, DestroyedWindowForgetsItsHandle) {
  Probe probe;
  ASSERT_TRUE(probe.Make());
  HWND hwnd = probe.hwnd();
  DestroyWindow(hwnd);
  EXPECT_EQ(probe.hwnd(), nullptr);
  // The object can make a new window after its first one is gone.
  EXPECT_TRUE(probe.Make());
}

TEST(Window, ClassesAreRegisteredOnFirstUseAndUnregisteredTogether) {
  win32::UnregisterWindowClasses();
  EXPECT_FALSE(ClassRegistered());
  {
    Probe a, b;
    ASSERT_TRUE(a.Make());
    ASSERT_TRUE(b.Make());
    EXPECT_TRUE(ClassRegistered());
  }
  win32::UnregisterWindowClasses();
  EXPECT_FALSE(ClassRegistered());
  // And registered again by the next window, as after a reload of the library.
  Probe c;
  EXPECT_TRUE(c.Make());
}

TEST(ActivationScope, IsHarmlessInAModuleWithoutItsManifest) {
  {
    win32::ActivationScope scope;
    win32::ActivationScope nested;
  }
  win32::ReleaseActivationContext();
  win32::ActivationScope again;
}

}  // namespace
