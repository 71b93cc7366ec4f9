#include "ui/main_view.h"

#include "search/str_csv.h"
#include "ui/text_win.h"

TMainForm* MainForm = nullptr;

namespace {

constexpr char kCaption[] = "\x83\x4e\x83\x43\x83\x62\x83\x4e\x8c\x9f\x8d\xf5";  // クイック検索
constexpr wchar_t kClassName[] = L"ZeldriumQuickSearch";
constexpr RECT kDesignedBounds = {302, 281, 302 + 932, 281 + 399};

}  // namespace

// The window as the settings see its placement. A hidden window has no state of its own, so the
// state to show it in is kept by the form.
class FormPlacement : public zeldrium::PlacedWindow {
 public:
  explicit FormPlacement(TMainForm& form) : form_(form) {}

  zeldrium::TWindowState GetState() const override {
    if (!form_.Visible()) return form_.state_;
    if (IsIconic(form_.hwnd())) return zeldrium::TWindowState::kMinimized;
    if (IsZoomed(form_.hwnd())) return zeldrium::TWindowState::kMaximized;
    return zeldrium::TWindowState::kNormal;
  }

  void SetState(zeldrium::TWindowState state) override {
    form_.state_ = state;
    if (form_.Visible()) ShowWindow(form_.hwnd(), ShowCommand(state));
  }

  zeldrium::TRect GetBounds() const override {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(form_.hwnd(), &placement);
    // A tool window's normal position is in screen coordinates.
    const RECT& r = placement.rcNormalPosition;
    return {static_cast<int32_t>(r.left), static_cast<int32_t>(r.top),
            static_cast<int32_t>(r.right), static_cast<int32_t>(r.bottom)};
  }

  void SetBounds(const zeldrium::TRect& bounds) override {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(form_.hwnd(), &placement);
    placement.rcNormalPosition = {bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
    if (!form_.Visible()) placement.showCmd = SW_HIDE;
    SetWindowPlacement(form_.hwnd(), &placement);
  }

  zeldrium::TScreenSize ScreenSize() const override {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }

  static int ShowCommand(zeldrium::TWindowState state) {
    switch (state) {
      case zeldrium::TWindowState::kMinimized:
        return SW_SHOWMINIMIZED;
      case zeldrium::TWindowState::kMaximized:
        return SW_SHOWMAXIMIZED;
      default:
        return SW_SHOWNORMAL;
    }
  }

 private:
  TMainForm& form_;
};

TMainForm::TMainForm(zeldrium::TInitParam& params) : params_(params) {}

TMainForm::~TMainForm() { Destroy(); }

bool TMainForm::Create() {
  CreateArgs args;
  args.class_name = kClassName;
  args.ex_style = WS_EX_TOOLWINDOW;
  // Sizable with a small caption, but no system menu and so no caption buttons.
  args.style = WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN;
  args.title = ui::WideFrom932(kCaption);
  args.x = kDesignedBounds.left;
  args.y = kDesignedBounds.top;
  args.width = kDesignedBounds.right - kDesignedBounds.left;
  args.height = kDesignedBounds.bottom - kDesignedBounds.top;
  return ui::Window::Create(args);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      FormCreate();
      return 0;
    case WM_CLOSE:
      FormClose();
      return 0;
    case WM_DESTROY:
      FormDestroy();
      return 0;
    case WM_HOTKEY:
      WMHotKey(static_cast<int>(wparam));
      return 0;
  }
  return ui::Window::HandleMessage(message, wparam, lparam);
}

void TMainForm::FormCreate() {
  history_ = zeldrium::ReadCommaList(params_.FindHistory);
  FormPlacement placement(*this);
  params_.RestoreWindow(placement);
  RegisterShowHotKey(0, params_.ShowHotKey);
}

void TMainForm::FormClose() {
  FormPlacement placement(*this);
  params_.StoreWindow(placement);
  params_.Save();
  ShowWindow(hwnd(), SW_HIDE);
}

void TMainForm::FormDestroy() {
  StoreHistory();
  UnregisterHotKey(hwnd(), 0);
}

void TMainForm::StoreHistory() { params_.FindHistory = zeldrium::WriteCommaList(history_); }

void TMainForm::StoreHistoryForExit() { StoreHistory(); }

bool TMainForm::Visible() const { return hwnd() && IsWindowVisible(hwnd()); }

void TMainForm::SetBounds(int left, int top, int width, int height) {
  FormPlacement(*this).SetBounds({left, top, left + width, top + height});
  if (Visible() && state_ == zeldrium::TWindowState::kNormal) {
    SetWindowPos(hwnd(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TMainForm::ShowQuickSearch(std::string_view text) {
  // The quick search itself comes with the search window's controls.
  ShowInFront();
}

void TMainForm::RunSearch() {}

void TMainForm::RegisterShowHotKey(int id, uint16_t shortcut) {
  if (shortcut == 0) return;
  UINT key = shortcut & 0x1FFF;
  UINT modifiers = 0;
  if (shortcut & zeldrium::kHotKeyShift) modifiers |= MOD_SHIFT;
  if (shortcut & zeldrium::kHotKeyCtrl) modifiers |= MOD_CONTROL;
  if (shortcut & zeldrium::kHotKeyAlt) modifiers |= MOD_ALT;
  RegisterHotKey(hwnd(), id, modifiers, key);
}

void TMainForm::WMHotKey(int id) {
  if (id == 0) ToggleWindow();
}

void TMainForm::ToggleWindow() {
  if (!Visible()) {
    ShowWindow(hwnd(), FormPlacement::ShowCommand(state_));
  } else if (GetForegroundWindow() == hwnd()) {
    ShowWindow(hwnd(), SW_HIDE);
  }
  if (Visible()) SetForegroundWindow(hwnd());
}

void TMainForm::ShowInFront() {
  if (!Visible()) ShowWindow(hwnd(), FormPlacement::ShowCommand(state_));
  SetForegroundWindow(hwnd());
}
