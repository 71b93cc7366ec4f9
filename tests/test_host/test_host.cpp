// A second host for the integration tests, run as a child process. It exports only some of the
// BKA_ functions (partial_exports.def), so it shows what the binding and the plug-in make of a
// host that lacks names, and it can end without unloading the plug-in, as a process that exits
// does.
//
//   zeldrium_test_host bindings          prints "null BKA_..." for every name left unbound
//   zeldrium_test_host drive DLL DATA    loads DLL, drives every callback and command, unloads
//   zeldrium_test_host exit DLL          loads DLL, starts it, and exits without unloading it
// Prints "done" at the end of a mode that ran through.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "host/b2api.h"
#include "tools/standin_host/host_api.h"

namespace {

int Bindings() {
  TBeckyAPI api;
  for (int i = 0; i < kBeckyFunctionCount; ++i) {
    if (!api.BoundFunction(i)) std::printf("null %s\n", TBeckyAPI::FunctionName(i));
  }
  return 0;
}

std::unique_ptr<standin::Plugin> LoadOrSay(const wchar_t* path) {
  std::string err;
  auto plugin = standin::Plugin::Load(path, &err);
  if (!plugin) std::printf("load failed: %s\n", err.c_str());
  return plugin;
}

int Drive(const wchar_t* dll, const wchar_t* data) {
  standin::SetDataFolder(standin::To932(data));
  auto plugin = LoadOrSay(dll);
  if (!plugin) return 1;
  plugin->OnStart();
  HMENU bar = CreateMenu();
  for (int i = 0; i < 5; ++i)
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), L"m");
  HMENU popup = CreatePopupMenu();
  plugin->OnMenuInit(nullptr, bar, 0);
  plugin->OnMenuInit(nullptr, popup, 1);
  std::printf("commands %u\n", static_cast<unsigned>(standin::Commands().size()));
  standin::OpenFolder("Main.mb\\Inbox\\");
  standin::SelectMail("Main.mb\\Inbox\\?00000001.mail");
  for (const standin::Command& command : standin::Commands()) standin::InvokeCommand(command.id);
  plugin->OnOpenFolder("Main.mb\\Inbox\\");
  plugin->OnExit();
  plugin.reset();
  DestroyMenu(bar);
  DestroyMenu(popup);
  return 0;
}

int Exit(const wchar_t* dll) {
  auto plugin = LoadOrSay(dll);
  if (!plugin) return 1;
  plugin->OnStart();
  std::printf("done\n");
  std::fflush(stdout);
  // The plug-in stays loaded: its detach runs as part of the process's end.
  ExitProcess(0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring mode = argc > 1 ? argv[1] : L"";
  int rc = 2;
  if (mode == L"bindings") rc = Bindings();
  if (mode == L"drive" && argc > 3) rc = Drive(argv[2], argv[3]);
  if (mode == L"exit" && argc > 2) rc = Exit(argv[2]);
  if (rc == 0) std::printf("done\n");
  return rc;
}
