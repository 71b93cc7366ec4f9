#include "win32/dialog.h"

#include <algorithm>
#include <utility>

#include "win32/dpi.h"
#include "win32/fault_report.h"
#include "win32/module_life.h"
#include "win32/window.h"

namespace win32 {
namespace {

// "ＭＳ Ｐゴシック"
constexpr wchar_t kDialogFace[] = L"\xff2d\xff33 \xff30\x30b4\x30b7\x30c3\x30af";
constexpr int kDialogFontHeight = 12;

// An empty dialog template: no controls, no menu, the standard class, an empty caption. The
// caption and the size are set at WM_INITDIALOG, in pixels rather than dialog units.
struct alignas(4) EmptyTemplate {
  DWORD style;
  DWORD ex_style;
  WORD item_count = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  WORD menu = 0, window_class = 0, title = 0;
};
static_assert(sizeof(EmptyTemplate) == 24, "laid out as the dialog manager reads a template");

// Keeps a window of this outer size with its top-left corner near wanted inside the work area
// of the monitor nearest to wanted.
POINT FitOnMonitor(POINT wanted, SIZE size) {
  HMONITOR monitor = MonitorFromPoint(wanted, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return wanted;
  const RECT& work = info.rcWork;
  POINT p = wanted;
  p.x = std::min<LONG>(p.x, work.right - size.cx);
  p.y = std::min<LONG>(p.y, work.bottom - size.cy);
  p.x = std::max<LONG>(p.x, work.left);
  p.y = std::max<LONG>(p.y, work.top);
  return p;
}

}  // namespace

HFONT CreateDialogFont(int dpi) {
  return CreateFontW(-Scaled(kDialogFontHeight, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                     SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, kDialogFace);
}

Dialog::Dialog(Frame frame) : frame_(std::move(frame)) {}

Dialog::~Dialog() = default;

INT_PTR Dialog::ShowModal(HWND owner) { return Show(owner, Placement::kOnOwner, {}); }

INT_PTR Dialog::ShowModal(HWND owner, POINT top_left) {
  return Show(owner, Placement::kAt, top_left);
}

INT_PTR Dialog::ShowModalOnScreenCentre(HWND owner) {
  return Show(owner, Placement::kOnScreen, {});
}

INT_PTR Dialog::Show(HWND owner, Placement placement, POINT top_left) {
  if (hwnd_) return kShowFailed;
  owner_ = owner;
  placement_ = placement;
  place_ = top_left;
  // The dialog manager's modal loop runs with this frame on the stack.
  win32::KeepModuleMapped();
  EmptyTemplate tmpl = {};
  // Shown by the dialog manager once the controls exist, so they never flash at a wrong place.
  tmpl.style = frame_.style & ~WS_VISIBLE;
  tmpl.ex_style = frame_.ex_style;
  INT_PTR result =
      DialogBoxIndirectParamW(ThisModule(), reinterpret_cast<const DLGTEMPLATE*>(&tmpl), owner,
                              &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  font_.reset();
  if (show_fault_) ReportFault(owner, std::exchange(show_fault_, nullptr));
  return result;
}

void Dialog::InitDialog() {
  dpi_ = WindowDpi(hwnd_);
  font_.reset(CreateDialogFont(dpi_));
  SetWindowTextW(hwnd_, frame_.caption.c_str());
  // Measured on the window itself: the dialog manager adds frame styles of its own
  // (DS_MODALFRAME's border), which a computation from our styles would miss.
  RECT outer = {}, client = {};
  GetWindowRect(hwnd_, &outer);
  GetClientRect(hwnd_, &client);
  int frame_width = (outer.right - outer.left) - client.right;
  int frame_height = (outer.bottom - outer.top) - client.bottom;
  SetWindowPos(hwnd_, nullptr, 0, 0, Scale(frame_.client_width) + frame_width,
               Scale(frame_.client_height) + frame_height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  {
    // The controls get the themed common controls whatever manifest the host has.
    ActivationScope themed;
    CreateControls();
  }
  Place();
  HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  if (first) SetFocus(first);
}

void Dialog::Place() {
  RECT r = {};
  GetWindowRect(hwnd_, &r);
  SIZE size = {r.right - r.left, r.bottom - r.top};
  POINT p;
  if (placement_ == Placement::kAt) {
    p = place_;
  } else {
    RECT around = {};
    if (placement_ == Placement::kOnScreen || !owner_ || !GetWindowRect(owner_, &around)) {
      around = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    p = {around.left + (around.right - around.left - size.cx) / 2,
         around.top + (around.bottom - around.top - size.cy) / 2};
  }
  p = FitOnMonitor(p, size);
  SetWindowPos(hwnd_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Dialog::AddControl(const ControlArgs& args) {
  HWND control = CreateWindowExW(
      args.ex_style, args.class_name, args.text.c_str(), WS_CHILD | WS_VISIBLE | args.style,
      Scale(args.x), Scale(args.y), Scale(args.width), Scale(args.height), hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)), ThisModule(), nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  return control;
}

int Dialog::TextWidth(const std::wstring& text) const {
  if (!hwnd_ || text.empty()) return 0;
  ClientDc dc(hwnd_);
  SelectObjectGuard with_font(dc.dc(), font_.get());
  SIZE size = {};
  GetTextExtentPoint32W(dc.dc(), text.c_str(), static_cast<int>(text.size()), &size);
  return (static_cast<int>(size.cx) * kDesignDpi + dpi_ - 1) / dpi_;
}

int Dialog::Scale(int designed) const { return Scaled(designed, dpi_); }

void Dialog::End(INT_PTR result) {
  if (hwnd_) EndDialog(hwnd_, result);
}

void Dialog::EnableItem(int id, bool enabled) {
  HWND item = Item(id);
  if (!item) return;
  if (!enabled && GetFocus() == item) {
    SendMessageW(hwnd_, WM_NEXTDLGCTL, 0, FALSE);
  }
  EnableWindow(item, enabled);
}

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        End(LOWORD(wparam));
        return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  win32::OurFrame frame;
  Dialog* self;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lparam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    try {
      self->InitDialog();
    } catch (...) {
      // Told once the dialog is gone (Show), not over a dialog that never showed.
      self->show_fault_ = std::current_exception();
      EndDialog(hwnd, kShowFailed);
    }
    // Focus is already set: the template has no first control for the system to choose.
    return FALSE;
  }
  self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (!self) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = self->HandleMessage(message, wparam, lparam);
  } catch (...) {
    if (IsActionMessage(message)) ReportFault(hwnd, std::current_exception());
    result = FALSE;
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

}  // namespace win32
