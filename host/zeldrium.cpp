// The library's entry unit: the callbacks the host calls, the two menu commands, and the start
// and end of the library's objects.
//
// Nothing may leave an export or a command as an exception: the host is a foreign program and an
// unwinding frame crossing into it ends the user's mail client.
//
// Start. DllMain runs under the loader lock, where creating windows can deadlock, so it only
// keeps the module handle. The objects are made by EnsureStarted, which every export and
// command calls first; the host's first callback (BKC_OnStart for a mail client) therefore
// returns with the window created and the hot key registered.
//
// End. BKC_OnExit, on the host's thread, is where the objects are released in reverse order:
// the window destroyed (its history stored, its hot key and the edit's subclass removed), the
// window classes unregistered, the settings saved, with the warning when saving is refused.
// When frames of the plug-in's code are lower on the stack (the host exits from a message that
// a search run or a dialog of ours let through), the module is kept mapped, a running search
// gives way, and the release waits until those frames have returned (module_life.h).
//
// A host may also unload without BKC_OnExit. DLL_PROCESS_DETACH runs under the loader lock: it
// shows nothing and waits for no other thread, but leaves no window, subclass or hot key that
// points into the unmapped code, and saves what it can without a word. When the process is
// ending instead, the other threads are already gone and windows must not be touched, but the
// settings are still written: the search-string history is taken from memory.
#include "host/zeldrium.h"

#include <windows.h>

#include <cstring>
#include <exception>
#include <string>
#include <utility>

#include "host/b2api.h"
#include "host/becky_mail_host.h"
#include "host/setup_unit.h"
#include "store/file_system.h"
#include "text/code_page_win.h"
#include "ui/main_view.h"
#include "ui/portable/fault_text.h"
#include "win32/fault_report.h"
#include "win32/module_life.h"
#include "win32/window.h"

zeldrium::TInitParam* InitParam = nullptr;
TMainForm* MainForm = nullptr;

namespace {

// Code page 932 texts.
constexpr char kPluginName[] =
    "Zeldrium\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93";  // Zeldriumプラグイン
constexpr char kVendor[] = "Zeldrium developers";
// メールヘッダの簡易検索(クエリ検索より低機能！)
constexpr char kDescription[] =
    "\x83\x81\x81\x5b\x83\x8b\x83\x77\x83\x62\x83\x5f\x82\xcc\x8a\xc8\x88\xd5\x8c\x9f\x8d\xf5"
    "(\x83\x4e\x83\x47\x83\x8a\x8c\x9f\x8d\xf5\x82\xe6\x82\xe8\x92\xe1\x8b\x40\x94\x5c\x81\x49)";
constexpr char kFindWinName[] = "FindWin";
constexpr char kFromFinderName[] = "FromFinder";
constexpr char kFindWinCaption[] =
    "\x83\x4e\x83\x43\x83\x62\x83\x4e\x8c\x9f\x8d\xf5...";  // クイック検索...
constexpr char kFromFinderCaption[] = "\x8d\xb7\x8f\x6f\x90\x6c\x8c\x9f\x8d\xf5!";  // 差出人検索!

constexpr size_t kInfoFieldSize = 80;
static_assert(sizeof(kPluginName) <= kInfoFieldSize && sizeof(kVendor) <= kInfoFieldSize &&
              sizeof(kZeldriumVersion) <= kInfoFieldSize && sizeof(kDescription) == 47);

HINSTANCE g_instance = nullptr;
// What the window is handed; they live as long as it does.
TBeckyMailHost* g_mail_host = nullptr;
zeldrium::FileSystem* g_file_system = nullptr;
bool g_started = false;
bool g_starting = false;
bool g_start_fault_shown = false;

// Shows the settings' warnings, except under the loader lock or while the process is ending:
// a modal loop there can deadlock the host, and no one would see the box.
class MessageBoxWarning : public zeldrium::WarningBox {
 public:
  void ShowWarning(std::string_view text, std::string_view caption) override {
    if (quiet) return;
    win32::ModalMessageBox(nullptr, zeldrium::WideFrom932(text), zeldrium::WideFrom932(caption),
                           MB_OK | MB_ICONWARNING | MB_TASKMODAL);
  }
  bool quiet = false;
};
MessageBoxWarning g_warning;

// Tells the user that an action ended on a fault, in the words of its kind (never the exception's
// own), over the window of the fault when that is shown, else over the search window when it is.
void ShowFault(HWND source, const std::exception_ptr& fault) {
  HWND owner = source ? GetAncestor(source, GA_ROOT) : nullptr;
  if (!owner || !IsWindowVisible(owner)) {
    owner = MainForm && MainForm->Visible() ? MainForm->hwnd() : nullptr;
  }
  win32::ModalMessageBox(owner, zeldrium::WideFrom932(ui::FaultText(fault)), L"Zeldrium",
                         MB_OK | MB_ICONERROR);
}

bool EnsureStarted() {
  if (g_started) return true;
  // A call that arrives while the objects are being made (a message dispatched during window
  // creation) finds them not ready and does nothing.
  if (g_starting) return false;
  g_starting = true;
  struct Reset {
    ~Reset() { g_starting = false; }
  } reset;
  win32::SetFaultReporter(&ShowFault);
  // Each step is done once, so a start that failed half-way completes on the next call.
  if (!BeckyAPI) BeckyAPI = new TBeckyAPI();
  if (!InitParam) {
    auto params = new zeldrium::TInitParam(&g_warning);
    InitParam = params;
    params->Load(ZeldriumSettingsPath());
  }
  if (!g_mail_host) g_mail_host = new TBeckyMailHost(*BeckyAPI);
  if (!g_file_system) g_file_system = zeldrium::NewNativeFileSystem().release();
  if (!MainForm) {
    MainForm = new TMainForm(*InitParam, *g_mail_host, *g_file_system);
    MainForm->Create();
  }
  g_started = true;
  return true;
}

enum class Release {
  kOnExit,        // BKC_OnExit, on the host's thread: a refused save is shown
  kUnload,        // DLL_PROCESS_DETACH: nothing shown, nothing waited for
  kProcessEnding  // DLL_PROCESS_DETACH as the process ends: windows are not touched
};

// Releases in the reverse order of EnsureStarted.
// REQUIRES: no frame of the plug-in's code below the caller's.
void ReleaseAll(Release how) {
  g_started = false;
  win32::SetFaultReporter(nullptr);
  g_warning.quiet = how != Release::kOnExit;
  if (MainForm) {
    HWND window = MainForm->hwnd();
    if (how == Release::kProcessEnding) {
      // The window dies with the process; only its history is needed.
      MainForm->StoreHistoryForExit();
    } else if (window && GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
      // Unloaded from another thread: the window cannot be destroyed from here, and waiting
      // for its thread could deadlock. It is cut loose from the code instead and closes on its
      // own thread; the object stays, since its controls still use what it owns.
      MainForm->Abandon();
    } else {
      delete MainForm;  // FormDestroy stores the history and removes the hot key
    }
    MainForm = nullptr;
  }
  // A window cut loose to close on its own thread keeps its procedure no more, so nothing of
  // it reaches these again.
  delete g_file_system;
  g_file_system = nullptr;
  delete g_mail_host;
  g_mail_host = nullptr;
  if (how != Release::kProcessEnding) {
    win32::UnregisterWindowClasses();
    win32::ReleaseActivationContext();
  }
  delete InitParam;  // saves
  InitParam = nullptr;
  delete BeckyAPI;
  BeckyAPI = nullptr;
  g_warning.quiet = false;
}

void ReleaseOnExit() { ReleaseAll(Release::kOnExit); }
void ReleaseOnUnload() { ReleaseAll(Release::kUnload); }

// The host is done with the library: release it now, or, with frames of ours lower on the stack,
// once they have returned.
void Exit() {
  // This call is a frame of ours too.
  if (win32::FramesOnStack() <= 1) {
    ReleaseOnExit();
    return;
  }
  win32::KeepModuleMapped();
  if (MainForm) MainForm->HostExiting();
  win32::WhenOffTheStack(&ReleaseOnExit);
}

// FreeLibrary without BKC_OnExit. With frames of ours on the stack (the host unloads from
// inside a call the plug-in made) nothing they use may go: the module is kept mapped if the
// loader still allows it, and the release waits for them, silent.
void Unload() {
  if (win32::FramesOnStack() == 0) {
    ReleaseOnUnload();
    return;
  }
  win32::KeepModuleMapped();
  if (MainForm) MainForm->HostExiting();
  win32::WhenOffTheStack(&ReleaseOnUnload);
}

// Runs body with the library started; every fault stops here. Returns result either way. A fault
// in work the user started (report) is shown; so is a start that fails, once: every callback
// tries the start again, and the user need not hear of it each minute.
template <typename Body>
int Guarded(int result, Body&& body, bool report = false) {
  win32::OurFrame frame;
  try {
    if (EnsureStarted()) body();
  } catch (...) {
    if (report || (!g_started && !std::exchange(g_start_fault_shown, true))) {
      try {
        ShowFault(nullptr, std::current_exception());
      } catch (...) {
      }
    }
  }
  return result;
}

int WINAPI FindWinCommand(HWND, LPARAM) {
  return Guarded(
      0, [] { OpenFindWindow(""); }, true);
}

int WINAPI FromFinderCommand(HWND, LPARAM) {
  return Guarded(
      0,
      [] {
        std::string mail_id;
        BeckyAPI->GetCurrentMailID(&mail_id);
        if (mail_id.empty()) return;
        std::string from;
        BeckyAPI->GetCurrentHeader("From", &from);
        OpenFindWindow(from);
      },
      true);
}

// Registers a command and appends its item; nothing is appended without a command ID, since
// such an item could never reach its command.
void AppendCommand(HMENU menu, const char* name, int type, TBeckyCommandProc proc,
                   const char* caption) {
  UINT id = BeckyAPI->BKA_RegisterCommand ? BeckyAPI->BKA_RegisterCommand(name, type, proc) : 0;
  if (id != 0) AppendMenuA(menu, MF_STRING, id, caption);
}

void MenuInit(HMENU menu, int type) {
  HMENU target = type == 0 ? GetSubMenu(menu, 4) : menu;
  if (!target || !IsMenu(target)) return;
  switch (type) {
    case 0:
    case 2:
      AppendMenuA(target, MF_SEPARATOR, 0, nullptr);
      AppendCommand(target, kFindWinName, type, &FindWinCommand, kFindWinCaption);
      break;
    case 1:
      AppendMenuA(target, MF_SEPARATOR, 0, nullptr);
      AppendCommand(target, kFromFinderName, type, &FromFinderCommand, kFromFinderCaption);
      AppendCommand(target, kFindWinName, type, &FindWinCommand, kFindWinCaption);
      break;
  }
}

void OpenFolder() {
  if (!MainForm->Visible() || MainForm->OpeningHit) return;
  if (!BeckyAPI->BKA_GetCurrentFolder || !BeckyAPI->BKA_GetCurrentFolder()) return;
  MainForm->HostFolderChanged();
}

void FillInfo(char* record) {
  const char* fields[] = {kPluginName, kVendor, kZeldriumVersion, kDescription};
  for (size_t i = 0; i < 4; ++i) {
    std::memcpy(record + i * kInfoFieldSize, fields[i], std::strlen(fields[i]) + 1);
  }
}

}  // namespace

std::string ZeldriumSettingsPath() {
  // Asked with a growing buffer: a path longer than MAX_PATH would otherwise come back cut, and
  // the settings would go to a file of another name.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(g_instance ? g_instance : win32::ThisModule(), path.data(),
                                 static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  size_t name = path.find_last_of(L"\\/");
  size_t dot = path.find_last_of(L'.');
  if (dot == std::wstring::npos || (name != std::wstring::npos && dot < name)) dot = path.size();
  return zeldrium::Utf8FromWide(path.substr(0, dot) + L".ini");
}

void OpenFindWindow(std::string_view text) {
  HWND main = nullptr, tree = nullptr, list = nullptr, view = nullptr;
  if (BeckyAPI->BKA_GetWindowHandles) BeckyAPI->BKA_GetWindowHandles(&main, &tree, &list, &view);
  if (!InitParam->WindowFit) MainForm->LayOver(list);
  MainForm->ShowQuickSearch(text);
}

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      g_instance = instance;
      break;
    case DLL_PROCESS_DETACH:
      try {
        if (reserved != nullptr) {
          ReleaseAll(Release::kProcessEnding);
        } else {
          Unload();
        }
      } catch (...) {
      }
      break;
  }
  return TRUE;
}

int WINAPI BKC_OnStart() {
  return Guarded(0, [] {});
}
// The host is about to unload us. Not through Guarded: nothing is started for it.
int WINAPI BKC_OnExit() {
  win32::OurFrame frame;
  try {
    Exit();
  } catch (...) {
  }
  return 0;
}
int WINAPI BKC_OnMenuInit(HWND, HMENU menu, int type) {
  return Guarded(0, [&] { MenuInit(menu, type); });
}
int WINAPI BKC_OnOpenFolder(LPCSTR) {
  return Guarded(
      0, [] { OpenFolder(); }, true);
}
int WINAPI BKC_OnOpenMail(LPCSTR) {
  return Guarded(0, [] {});
}
int WINAPI BKC_OnEveryMinute() {
  return Guarded(0, [] {});
}
int WINAPI BKC_OnOpenCompose(HWND, int) {
  return Guarded(0, [] {});
}
int WINAPI BKC_OnOutgoing(HWND, int) {
  return Guarded(0, [] {});
}
int WINAPI BKC_OnKeyDispatch(HWND, int, int) {
  return Guarded(0, [] {});
}
int WINAPI BKC_OnRetrieve(LPCSTR, LPCSTR) {
  return Guarded(0, [] {});
}
int WINAPI BKC_OnSend(LPCSTR) {
  return Guarded(0, [] {});
}
int WINAPI BKC_OnFinishRetrieve(int) {
  return Guarded(0, [] {});
}
int WINAPI BKC_OnPlugInSetup(HWND parent) {
  return Guarded(
      1, [&] { PlugInSetup(parent, *InitParam, *MainForm); }, true);
}
int WINAPI BKC_OnPlugInInfo(LPVOID record) {
  return Guarded(0, [&] {
    if (record) FillInfo(static_cast<char*>(record));
  });
}
int WINAPI BKC_OnDragDrop(LPCSTR, LPCSTR, int, int) {
  return Guarded(0, [] {});
}

}  // extern "C"
