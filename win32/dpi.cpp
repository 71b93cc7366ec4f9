#include "win32/dpi.h"

#include "win32/handles.h"

namespace win32 {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn GetDpiForWindowOfSystem() {
  static const GetDpiForWindowFn function = [] {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<GetDpiForWindowFn>(
                        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")))
                  : nullptr;
  }();
  return function;
}

}  // namespace

int WindowDpi(HWND window) {
  if (GetDpiForWindowFn get = GetDpiForWindowOfSystem(); get && window) {
    const UINT dpi = get(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  ClientDc screen(nullptr);
  const int dpi = screen.dc() ? GetDeviceCaps(screen.dc(), LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace win32
