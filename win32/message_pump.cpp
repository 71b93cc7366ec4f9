#include "win32/message_pump.h"

#include <windows.h>

namespace win32 {

int64_t NowMicros() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? f.QuadPart : 1;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

bool LetWaitingMessagesThrough() {
  const DWORD began = GetTickCount();
  MSG msg;
  for (int n = 0; n < 1000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    if (static_cast<LONG>(msg.time - began) > 0) return true;
  }
  return true;
}

}  // namespace win32
