// The library's entry unit: the callbacks the host calls.
//
// Nothing may leave an export as an exception: the host is a foreign program and an unwinding
// frame crossing into it ends the user's mail client.
#include <windows.h>

extern "C" {

int WINAPI BKC_OnStart() { return 0; }
int WINAPI BKC_OnExit() { return 0; }
int WINAPI BKC_OnMenuInit(HWND, HMENU, int) { return 0; }
int WINAPI BKC_OnOpenFolder(LPCSTR) { return 0; }
int WINAPI BKC_OnOpenMail(LPCSTR) { return 0; }
int WINAPI BKC_OnEveryMinute() { return 0; }
int WINAPI BKC_OnOpenCompose(HWND, int) { return 0; }
int WINAPI BKC_OnOutgoing(HWND, int) { return 0; }
int WINAPI BKC_OnKeyDispatch(HWND, int, int) { return 0; }
int WINAPI BKC_OnRetrieve(LPCSTR, LPCSTR) { return 0; }
int WINAPI BKC_OnSend(LPCSTR) { return 0; }
int WINAPI BKC_OnFinishRetrieve(int) { return 0; }
int WINAPI BKC_OnPlugInSetup(HWND) { return 1; }
int WINAPI BKC_OnPlugInInfo(LPVOID) { return 0; }
int WINAPI BKC_OnDragDrop(LPCSTR, LPCSTR, int, int) { return 0; }

}  // extern "C"
