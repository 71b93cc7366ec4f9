// The modal dialog base: what every dialog of the plug-in relies on, shown for real and driven
// from a second thread.
#include "win32/dialog.h"

#include <gtest/gtest.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/dialog_test_driver.h"
#include "win32/fault_report.h"

namespace {

constexpr int kEdit = 301;
constexpr int kButton = 302;
constexpr UINT kThrow = WM_APP + 1;
const std::wstring kCaption = L"Dialog base test";

class Probe : public win32::Dialog {
 public:
  Probe() : Dialog({kCaption, 200, 100}) {}

  bool fail_at_create = false;
  int clicks = 0;

 protected:
  void CreateControls() override {
    AddControl({WC_EDITW, L"", kEdit, WS_TABSTOP, WS_EX_CLIENTEDGE, 10, 10, 100, 20});
    if (fail_at_create) throw std::runtime_error("no room");
    AddControl({WC_BUTTONW, L"Go", kButton, WS_TABSTOP, 0, 10, 40, 60, 24});
  }
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case kThrow:
        throw std::runtime_error("handler fault");
      case WM_COMMAND:
        if (LOWORD(wparam) == kButton) {
          ++clicks;
          EnableItem(kButton, false);
          return TRUE;
        }
        break;
    }
    return Dialog::HandleMessage(message, wparam, lparam);
  }
};

// A plain top-level window to own the dialog.
class Owner {
 public:
  Owner() {
    hwnd_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 300, 200, 400, 300,
                            nullptr, nullptr, nullptr, nullptr);
  }
  ~Owner() { DestroyWindow(hwnd_); }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

TEST(Dialog, IsCentredOnItsOwnerWhichIsDisabledMeanwhile) {
  Owner owner;
  Probe probe;
  RECT client = {}, window = {};
  bool owner_enabled = true;
  HWND focus_after_disable = nullptr, button = nullptr;
  dialogtest::ModalDriver driver(kCaption, [&](HWND dialog) {
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    owner_enabled = IsWindowEnabled(owner.hwnd());
    button = GetDlgItem(dialog, kButton);
    // The button disables itself while it has the focus: the keyboard moves on.
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
    dialogtest::Click(dialog, kButton);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    focus_after_disable = info.hwndFocus;
    PostMessageW(GetDlgItem(dialog, kEdit), WM_KEYDOWN, VK_RETURN, 0);
  });
  INT_PTR result = probe.ShowModal(owner.hwnd());
  driver.Join();
  ASSERT_TRUE(driver.found());
  EXPECT_EQ(result, IDOK);  // Enter
  const int dpi = win32::WindowDpi(owner.hwnd());
  EXPECT_EQ(client.right, win32::Scaled(200, dpi));
  EXPECT_EQ(client.bottom, win32::Scaled(100, dpi));
  // Odd sizes round either way.
  EXPECT_NEAR((window.left + window.right) / 2, 500, 1);
  EXPECT_NEAR((window.top + window.bottom) / 2, 350, 1);
  EXPECT_FALSE(owner_enabled);
  EXPECT_TRUE(IsWindowEnabled(owner.hwnd()));
  EXPECT_EQ(probe.clicks, 1);
  EXPECT_NE(focus_after_disable, button);
  EXPECT_NE(focus_after_disable, nullptr);
  EXPECT_EQ(probe.hwnd(), nullptr);
}

TEST(Dialog, StaysOnScreenAndCanBeShownAgain) {
  Probe probe;
  for (POINT wanted : {POINT{-500, -500}, POINT{100000, 100000}}) {
    RECT window = {};
    dialogtest::ModalDriver driver(kCaption, [&](HWND dialog) {
      GetWindowRect(dialog, &window);
      PostMessageW(GetDlgItem(dialog, kEdit), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(probe.ShowModal(nullptr, wanted), IDCANCEL);
    driver.Join();
    ASSERT_TRUE(driver.found());
    EXPECT_GE(window.left, 0);
    EXPECT_GE(window.top, 0);
    EXPECT_LE(window.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(window.bottom, GetSystemMetrics(SM_CYSCREEN));
  }
}

std::vector<HWND>& Reports() {
  static std::vector<HWND> reports;
  return reports;
}
void RecordFault(HWND source, const std::exception_ptr&) { Reports().push_back(source); }

// Each fault is reported: a handler's at once, failed controls once the dialog is gone (to its
// owner).
TEST(Dialog, FaultsNeverUnwindIntoTheDialogManager) {
  Reports().clear();
  win32::SetFaultReporter(&RecordFault);
  Probe probe;
  HWND shown = nullptr;
  bool alive_after_fault = false;
  dialogtest::ModalDriver driver(kCaption, [&](HWND dialog) {
    shown = dialog;
    SendMessageW(dialog, kThrow, 0, 0);
    alive_after_fault = IsWindow(dialog) != FALSE;
    dialogtest::Click(dialog, kButton);
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_EQ(probe.ShowModal(nullptr), IDCANCEL);
  driver.Join();
  EXPECT_TRUE(alive_after_fault);
  EXPECT_EQ(probe.clicks, 1);

  // A dialog whose controls cannot be made never shows and reports it.
  probe.fail_at_create = true;
  Owner owner;
  EXPECT_EQ(probe.ShowModal(owner.hwnd()), win32::Dialog::kShowFailed);
  EXPECT_EQ(probe.hwnd(), nullptr);
  win32::SetFaultReporter(nullptr);
  EXPECT_EQ(Reports(), (std::vector<HWND>{shown, owner.hwnd()}));
}

}  // namespace
