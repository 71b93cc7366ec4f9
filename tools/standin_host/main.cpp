// zeldrium-standin-host: a stand-in for the mail client. It shows a data folder's mailboxes in a
// window like the client's, loads plug-ins and calls them as the client does, and exports the
// client's BKA_ functions for them. With --script it plays a session and prints what happened.
//
// A console program, so that a scripted session prints to the terminal that started it (under
// Wine as well); its window is an ordinary one.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "command_line.h"
#include "tools/standin_host/host_api.h"
#include "tools/standin_host/host_window.h"
#include "tools/standin_host/mail_store.h"
#include "tools/standin_host/output.h"
#include "tools/standin_host/script.h"
#include "tools/standin_host/script_runner.h"
#include "tools/standin_host/window_dump.h"

namespace {

constexpr wchar_t kProgram[] = L"zeldrium-standin-host";

constexpr char kProgramUtf8[] = "zeldrium-standin-host";

enum Opt { kData, kPlugin, kFolder, kScript, kHelp };

constexpr zeldrium::cli::Option kOptions[] = {
    {kData, 'd', "data", "DIR", "the data folder: mailbox directories *.mb with Folder.idx files"},
    {kPlugin, 'p', "plugin", "DLL", "a plug-in to load (more than one may be given)"},
    {kFolder, '\0', "folder", "ID", "the folder to open at start (default: the first with mail)"},
    {kScript, '\0', "script", "FILE",
     "play a session (UTF-8, one step a line) and print what happened;\n"
     "steps: open-folder, select-mail, menu, setup, wait, windows,\n"
     "print-menus, focus, type, key, screenshot, quit"},
    {kHelp, 'h', "help", nullptr, "show this help and exit"},
};

std::wstring HelpText() {
  return standin::WideFromUtf8(
      "usage: zeldrium-standin-host --data DIR [--plugin DLL]... [--folder ID] [--script FILE]\n"
      "\n"
      "Options:\n" +
      zeldrium::cli::FormatOptions(kOptions, 22) +
      "\n"
      "Exit status: 0 when every step succeeded, 1 when one failed, 2 for a bad start.");
}

struct Options {
  std::wstring data;
  std::vector<std::wstring> plugins;
  std::wstring folder;
  std::wstring script;
  bool help = false;
};

// *err is one line without the program's name.
bool ParseOptions(int argc, wchar_t** argv, Options* options, std::string* err) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(standin::Utf8FromWide(argv[i]));
  const zeldrium::cli::CommandLine line = zeldrium::cli::ParseCommandLine(kOptions, args);
  if (line.Has(kHelp)) {
    options->help = true;
    return true;
  }
  if (!line.error.empty()) {
    *err = line.error;
    return false;
  }
  if (!line.operands.empty()) {
    *err = "unexpected argument '" + line.operands.front() + "'";
    return false;
  }
  for (const zeldrium::cli::GivenOption& o : line.options) {
    if (o.value.empty()) {
      *err = o.name + " needs a value";
      return false;
    }
    const std::wstring value = standin::WideFromUtf8(o.value);
    if (o.id == kData) options->data = value;
    if (o.id == kPlugin) options->plugins.push_back(value);
    if (o.id == kFolder) options->folder = value;
    if (o.id == kScript) options->script = value;
  }
  if (options->data.empty()) {
    *err = "--data DIR is required";
    return false;
  }
  return true;
}

// An absolute Windows path: under Wine a Unix path such as /work/store becomes Z:\work\store.
std::wstring FullPath(const std::wstring& path) {
  DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  n = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  full.resize(n);
  return full;
}

bool IsDirectory(const std::wstring& path) {
  DWORD attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

// The host library names files in code page 932; a name outside it could not be reached.
bool To932Exact(const std::wstring& text, std::string* out) {
  *out = standin::To932(text);
  return standin::WideFrom932(*out) == text;
}

int StartError(const std::wstring& message) {
  standin::PrintErrorLine(std::wstring(kProgram) + L": " + message);
  return 2;
}

void MessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// The first folder that holds mail, as a mail client opens at start.
std::string FirstFolder(const std::vector<standin::FolderEntry>& folders) {
  for (const standin::FolderEntry& f : folders) {
    if (f.has_index && !standin::ListMails(f.id).empty()) return f.id;
  }
  for (const standin::FolderEntry& f : folders) {
    if (f.has_index) return f.id;
  }
  return {};
}

int Run(int argc, wchar_t** argv) {
  using namespace standin;
  Options options;
  std::string usage_err;
  if (!ParseOptions(argc, argv, &options, &usage_err)) {
    std::wstring text = WideFromUtf8(zeldrium::cli::UsageErrorText(kProgramUtf8, usage_err));
    text.pop_back();  // PrintErrorLine ends the line
    PrintErrorLine(text);
    return 2;
  }
  if (options.help) {
    PrintLine(HelpText());
    return 0;
  }

  std::vector<Step> steps;
  if (!options.script.empty()) {
    std::string text;
    if (!standin::ReadWholeFile(options.script, &text))
      return StartError(L"cannot read " + options.script);
    steps = ParseScript(text);
  }
  std::wstring data = FullPath(options.data);
  std::string data932, folder932;
  if (!IsDirectory(data)) return StartError(L"there is no directory " + data);
  if (!To932Exact(data, &data932) || !To932Exact(options.folder, &folder932)) {
    return StartError(L"a path or folder ID cannot be written in code page 932");
  }

  INITCOMMONCONTROLSEX controls = {sizeof(controls),
                                   ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  SetDataFolder(data932);

  // Declared before the window: the plug-ins are unloaded only after it is gone.
  std::vector<std::unique_ptr<Plugin>> plugins;
  int status = 0;
  {
    HostWindow window(&plugins);
    window.on_event = [](const std::wstring& text) { PrintLine(L"  " + text); };
    std::string create_err;
    if (!window.Create(&create_err)) return StartError(WideFrom932(create_err));

    for (const std::wstring& path : options.plugins) {
      std::string load_err;
      std::unique_ptr<Plugin> plugin = Plugin::Load(FullPath(path), &load_err);
      if (!plugin) {
        status = StartError(WideFrom932(load_err));
        break;
      }
      PluginInfo info;
      plugin->GetInfo(&info);
      PrintLine(L"start: loaded " + plugin->path() + L": " + WideFrom932(info.name) + L" " +
                WideFrom932(info.version));
      plugins.push_back(std::move(plugin));
    }
    for (auto& plugin : plugins) {
      if (status != 0) break;
      PrintLine(L"start: BKC_OnStart returned " + std::to_wstring(plugin->OnStart()));
    }
    window.AttachPlugins();
    window.FillTree();
    std::string first = folder932.empty() ? FirstFolder(window.folders()) : folder932;
    if (status == 0 && !first.empty() && !window.ShowFolder(first)) {
      status = StartError(L"there is no folder " + options.folder + L" in " + data);
    }
    ShowWindow(window.hwnd(), SW_SHOWNORMAL);
    UpdateWindow(window.hwnd());

    if (status == 0 && !options.script.empty()) {
      ScriptRunner runner(window, plugins);
      status = runner.Run(steps) > 0 ? 1 : 0;
    } else if (status == 0) {
      MessageLoop();
    }
    if (IsWindow(window.hwnd())) window.Close();
  }
  while (!plugins.empty()) {
    std::wstring path = plugins.back()->path();
    plugins.pop_back();
    PrintLine(L"exit: unloaded " + path);
  }
  // A window left behind by an unloaded plug-in would call into unmapped code at its next
  // message: a crash of the mail client waiting to happen.
  int left = 0;
  for (HWND w : ThreadWindows()) {
    if (IsSystemHelper(w)) continue;
    PrintLine(L"exit: a window is still open after unload: " + ClassName(w) + L" \"" +
              WindowText(w) + L"\"");
    ++left;
  }
  if (left > 0 && status == 0) status = 1;
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    standin::PrintErrorLine(std::wstring(kProgram) + L": " + standin::WideFromUtf8(e.what()));
    return 2;
  }
}
