#include "win32/window.h"

#include <algorithm>
#include <vector>

#include "win32/fault_report.h"
#include "win32/module_life.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace win32 {
namespace {

std::vector<std::wstring>& RegisteredClasses() {
  static std::vector<std::wstring> classes;
  return classes;
}

HANDLE g_activation_context = INVALID_HANDLE_VALUE;
bool g_activation_tried = false;

}  // namespace

HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

void UnregisterWindowClasses() {
  for (const std::wstring& name : RegisteredClasses()) UnregisterClassW(name.c_str(), ThisModule());
  RegisteredClasses().clear();
}

void CutLoose(HWND window) {
  if (!window) return;
  SetWindowLongPtrW(window, GWLP_WNDPROC, GetClassLongPtrW(window, GCLP_WNDPROC));
}

int ModalMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
  win32::KeepModuleMapped();
  return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}

ActivationScope::ActivationScope() {
  if (!g_activation_tried) {
    g_activation_tried = true;
    ACTCTXW context = {};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.hModule = ThisModule();
    context.lpResourceName = MAKEINTRESOURCEW(2);
    g_activation_context = CreateActCtxW(&context);
  }
  if (g_activation_context != INVALID_HANDLE_VALUE) {
    active_ = ActivateActCtx(g_activation_context, &cookie_) != FALSE;
  }
}

ActivationScope::~ActivationScope() {
  if (active_) DeactivateActCtx(0, cookie_);
}

void ReleaseActivationContext() {
  if (g_activation_context != INVALID_HANDLE_VALUE) ReleaseActCtx(g_activation_context);
  g_activation_context = INVALID_HANDLE_VALUE;
  g_activation_tried = false;
}

Window::~Window() {
  if (hwnd_) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
  }
}

void Window::Destroy() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool Window::Create(const CreateArgs& args) {
  if (hwnd_ || !args.class_name) return false;
  auto& classes = RegisteredClasses();
  if (std::find(classes.begin(), classes.end(), args.class_name) == classes.end()) {
    // A class left behind by an earlier load of this library (unloaded while one of its windows
    // lived on another thread) may point to code that is gone: it is replaced.
    WNDCLASSEXW old = {};
    old.cbSize = sizeof(old);
    if (GetClassInfoExW(ThisModule(), args.class_name, &old) &&
        old.lpfnWndProc != &Window::WindowProc) {
      UnregisterClassW(args.class_name, ThisModule());
    }
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = args.class_style;
    wc.lpfnWndProc = &Window::WindowProc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = args.class_name;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    classes.push_back(args.class_name);
  }
  ActivationScope themed;
  HWND hwnd =
      CreateWindowExW(args.ex_style, args.class_name, args.title.c_str(), args.style, args.x,
                      args.y, args.width, args.height, args.parent, nullptr, ThisModule(), this);
  return hwnd != nullptr;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  win32::OurFrame frame;
  // The system's own modal loops for a menu or for moving and sizing the window run inside
  // this frame.
  if (message == WM_ENTERMENULOOP || message == WM_ENTERSIZEMOVE) win32::KeepModuleMapped();
  Window* self;
  if (message == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);

  LRESULT result;
  try {
    result = self->HandleMessage(message, wparam, lparam);
  } catch (...) {
    if (IsActionMessage(message)) ReportFault(hwnd, std::current_exception());
    result = DefWindowProcW(hwnd, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

}  // namespace win32
