#ifndef ZELDRIUM_HOST_B2API_H_
#define ZELDRIUM_HOST_B2API_H_

// The host's functions as the plug-in sees them. The host program exports them by plain name from
// its own module; the plug-in never links against them but looks each one up at run time, so a
// host that lacks some of them still loads the plug-in (those pointers simply stay null).
//
// All use the standard calling convention; texts are zero-terminated code page 932 strings. A
// text the host returns belongs to the host: it is copied at once, never written or released.

#include <windows.h>

#include <string>

// A menu command handed to the host with BKA_RegisterCommand. Neither argument is read.
using TBeckyCommandProc = int(WINAPI*)(HWND window, LPARAM data);
// The UI callback of BKA_RegisterUICallback (bound, never used).
using TBeckyUICallback = UINT(WINAPI*)(HWND window, int type);

// Every host function in binding order: X(result, name without "BKA_", (parameters), use).
// use is CALLED for the ten the plug-in calls and BOUND for those it only looks up; the stand-in
// host implements the first kind and answers the second with zero or null.
#define ZELDRIUM_BKA_FUNCTIONS(X)                                                              \
  X(int, GetVersion, (), BOUND)                                                                \
  X(void, Command, (HWND window, LPCSTR command), BOUND)                                       \
  X(BOOL, GetWindowHandles, (HWND * main, HWND * tree, HWND * list, HWND * view), CALLED)      \
  X(UINT, RegisterCommand, (LPCSTR name, int type, TBeckyCommandProc proc), CALLED)            \
  X(UINT, RegisterUICallback, (UINT command, TBeckyUICallback proc), BOUND)                    \
  X(LPCSTR, GetDataFolder, (), CALLED)                                                         \
  X(LPCSTR, GetTempFolder, (), BOUND)                                                          \
  X(LPCSTR, GetTempFileName, (LPCSTR type), BOUND)                                             \
  X(LPCSTR, GetCurrentMailBox, (), CALLED)                                                     \
  X(void, SetCurrentMailBox, (LPCSTR mailbox), BOUND)                                          \
  X(LPCSTR, GetCurrentFolder, (), CALLED)                                                      \
  X(void, SetCurrentFolder, (LPCSTR folder), BOUND)                                            \
  X(LPCSTR, GetFolderDisplayName, (LPCSTR folder), CALLED)                                     \
  X(void, SetMessageText, (HWND window, LPCSTR text), BOUND)                                   \
  X(LPCSTR, GetCurrentMail, (), CALLED)                                                        \
  X(void, SetCurrentMail, (LPCSTR mail), CALLED)                                               \
  X(int, GetNextMail, (int start, LPSTR buffer, int size, int* flags, BOOL selected), BOUND)   \
  X(void, SetSel, (LPCSTR mail, BOOL select), BOUND)                                           \
  X(BOOL, AppendMessage, (LPCSTR folder, LPCSTR data), BOUND)                                  \
  X(BOOL, MoveSelectedMessages, (LPCSTR folder, BOOL copy), BOUND)                             \
  X(DWORD, GetStatus, (LPCSTR mail), BOUND)                                                    \
  X(HWND, ComposeMail, (LPCSTR url), BOUND)                                                    \
  X(int, GetCharSet, (LPCSTR mail, LPSTR buffer, int size), BOUND)                             \
  X(LPCSTR, GetSource, (LPCSTR mail), CALLED)                                                  \
  X(void, SetSource, (LPCSTR mail, LPCSTR source), BOUND)                                      \
  X(LPCSTR, GetHeader, (LPCSTR mail), BOUND)                                                   \
  X(LPCSTR, GetText, (LPSTR mime_type, int size), BOUND)                                       \
  X(void, SetText, (int mode, LPCSTR text), BOUND)                                             \
  X(void, GetSpecifiedHeader, (LPCSTR header, LPSTR buffer, int size), CALLED)                 \
  X(void, SetSpecifiedHeader, (LPCSTR header, LPCSTR data), BOUND)                             \
  X(int, CompGetCharSet, (HWND window, LPSTR buffer, int size), BOUND)                         \
  X(LPCSTR, CompGetSource, (HWND window), BOUND)                                               \
  X(void, CompSetSource, (HWND window, LPCSTR source), BOUND)                                  \
  X(LPCSTR, CompGetHeader, (HWND window), BOUND)                                               \
  X(void, CompGetSpecifiedHeader, (HWND window, LPCSTR header, LPSTR buffer, int size), BOUND) \
  X(void, CompSetSpecifiedHeader, (HWND window, LPCSTR header, LPCSTR data), BOUND)            \
  X(LPCSTR, CompGetText, (HWND window, LPSTR mime_type, int size), BOUND)                      \
  X(void, CompSetText, (HWND window, int mode, LPCSTR text), BOUND)                            \
  X(void, CompAttachFile, (HWND window, LPCSTR path, LPCSTR mime_type), BOUND)                 \
  X(LPVOID, Alloc, (DWORD size), BOUND)                                                        \
  X(LPVOID, ReAlloc, (LPVOID block, DWORD size), BOUND)                                        \
  X(void, Free, (LPVOID block), BOUND)                                                         \
  X(LPCSTR, ISO_2022_JP, (LPCSTR text, BOOL encode), BOUND)                                    \
  X(LPCSTR, ISO_2022_KR, (LPCSTR text, BOOL encode), BOUND)                                    \
  X(LPCSTR, HZ_GB2312, (LPCSTR text, BOOL encode), BOUND)                                      \
  X(LPCSTR, ISO_8859_2, (LPCSTR text, BOOL encode), BOUND)                                     \
  X(LPCSTR, EUC_JP, (LPCSTR text, BOOL encode), BOUND)                                         \
  X(LPCSTR, UTF_7, (LPCSTR text, BOOL encode), BOUND)                                          \
  X(LPCSTR, UTF_8, (LPCSTR text, BOOL encode), BOUND)                                          \
  X(BOOL, B64Convert, (LPCSTR out_path, LPCSTR in_path, BOOL encode), BOUND)                   \
  X(BOOL, QPConvert, (LPCSTR out_path, LPCSTR in_path, BOOL encode), BOUND)                    \
  X(LPCSTR, MIMEHeader, (LPCSTR text, LPSTR charset, int size, BOOL encode), BOUND)            \
  X(LPCSTR, SerializeRcpts, (LPCSTR recipients), BOUND)                                        \
  X(BOOL, Connect, (BOOL connect), BOUND)

inline constexpr int kBeckyFunctionCount = 54;

// The size of the buffer GetCurrentHeader hands to BKA_GetSpecifiedHeader.
inline constexpr int kHeaderBufferSize = 2048;

class TBeckyAPI {
 public:
  // Binds at once; a host without a module or without some names leaves those pointers null.
  TBeckyAPI();
  TBeckyAPI(const TBeckyAPI&) = delete;
  TBeckyAPI& operator=(const TBeckyAPI&) = delete;

  // False when already bound or when the process has no main module; a missing name only
  // leaves its pointer null.
  bool BindHostFunctions();

  // The current mail's ID, or empty when the host has none or cannot deliver its source.
  void GetCurrentMailID(std::string* id);

  // The named header of the host's current mail, as the host writes it (at most 2047 bytes).
  void GetCurrentHeader(const char* name, std::string* value);

  // The pointer stored for the i-th name of the binding order (tests and diagnostics).
  // REQUIRES: 0 <= i < kBeckyFunctionCount.
  FARPROC BoundFunction(int i) const;
  static const char* FunctionName(int i);

  HMODULE FModule = nullptr;
  std::string FCurrentMailID;

#define ZELDRIUM_BKA_FIELD(result, name, params, use) result(WINAPI* BKA_##name) params = nullptr;
  ZELDRIUM_BKA_FUNCTIONS(ZELDRIUM_BKA_FIELD)
#undef ZELDRIUM_BKA_FIELD
};

// The single binding, created on the first call into the plug-in and destroyed at unload; null
// outside that time.
extern TBeckyAPI* BeckyAPI;

#endif  // ZELDRIUM_HOST_B2API_H_
