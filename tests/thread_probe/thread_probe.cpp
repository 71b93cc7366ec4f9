// A library that counts the threads started in its process: Windows tells every loaded library
// of each new thread (DLL_THREAD_ATTACH), whoever starts it. Loaded into a test host before the
// plug-in, it shows whether the plug-in starts any.
#include <windows.h>

namespace {
volatile LONG g_threads_started = 0;
}

extern "C" __attribute__((dllexport)) LONG ThreadsStarted() { return g_threads_started; }

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_THREAD_ATTACH) InterlockedIncrement(&g_threads_started);
  return TRUE;
}
