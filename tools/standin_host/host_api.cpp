#include "tools/standin_host/host_api.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "host/b2api.h"
#include "tools/standin_host/mail_store.h"

namespace standin {
namespace {

struct HostState {
  std::string data_folder;
  std::string folder;  // current folder ID, empty when none is open
  std::string mail;    // current mail ID, empty when none is selected
  HWND windows[4] = {};
  std::vector<Command> commands;
  UINT next_id = kFirstCommandId;
  HostEvents events;
  HostFaults faults;
  std::vector<Plugin*> plugins;
};

HostState& State() {
  static HostState state;
  return state;
}

void NotifyFolderOpened(const std::string& folder_id) {
  // Copies: a callback may load or unload plug-ins or change the folder again.
  std::vector<Plugin*> plugins = State().plugins;
  for (Plugin* plugin : plugins) {
    const auto& live = State().plugins;
    if (std::find(live.begin(), live.end(), plugin) != live.end()) {
      plugin->OnOpenFolder(folder_id.c_str());
    }
  }
  auto handler = State().events.folder_opened;
  if (handler) handler(folder_id);
}

std::string LastErrorText(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result = text ? To932(text) : std::string();
  while (!result.empty() && static_cast<unsigned char>(result.back()) <= 0x20) result.pop_back();
  if (text) LocalFree(text);
  return result + " (error " + std::to_string(code) + ")";
}

// Return buffers: each function's text lives until that function is called again.
const char* Keep(std::string* slot, std::string value) {
  *slot = std::move(value);
  return slot->c_str();
}

}  // namespace

// ---- The store -------------------------------------------------------------------------------

void SetDataFolder(std::string_view data_folder) {
  State().data_folder = WithSeparator(data_folder);
  State().folder.clear();
  State().mail.clear();
}

const std::string& DataFolder() { return State().data_folder; }

std::string FolderDisplayName(std::string_view folder_id) {
  return DisplayNameOf(State().data_folder, folder_id);
}

std::vector<FolderEntry> ListFolders() { return ListStoreFolders(State().data_folder); }

std::vector<MailEntry> ListMails(std::string_view folder_id) {
  return ReadMails(State().data_folder, folder_id);
}

// ---- What the host shows ---------------------------------------------------------------------

bool OpenFolder(std::string_view folder_id) {
  std::string id = WithSeparator(folder_id);
  if (!FolderDirectoryExists(State().data_folder, id)) return false;
  bool changed = !SameFolderId(id, State().folder);
  State().folder = id;
  State().mail.clear();
  if (changed) NotifyFolderOpened(id);
  return true;
}

bool SelectMail(std::string_view mail_id) {
  std::string folder, key;
  if (!SplitMailId(mail_id, &folder, &key) || !FolderDirectoryExists(State().data_folder, folder)) {
    return false;
  }
  if (!SameFolderId(folder, State().folder)) {
    State().folder = folder;
    State().mail.clear();
    NotifyFolderOpened(folder);
  }
  MailEntry mail;
  State().mail =
      FindMail(State().data_folder, folder + "?" + key, &mail) ? mail.mail_id : std::string();
  auto handler = State().events.mail_selected;
  if (handler) handler(State().mail);
  return true;
}

std::string CurrentMailBox() {
  return State().folder.empty() ? std::string() : MailBoxOf(State().folder);
}
std::string CurrentFolder() { return State().folder; }
std::string CurrentMail() { return State().mail; }

void SetWindowHandles(HWND main, HWND tree, HWND list, HWND view) {
  HWND* w = State().windows;
  w[0] = main;
  w[1] = tree;
  w[2] = list;
  w[3] = view;
}

void SetHostEvents(HostEvents events) { State().events = std::move(events); }

// ---- Commands --------------------------------------------------------------------------------

const std::vector<Command>& Commands() { return State().commands; }

bool InvokeCommand(UINT id) {
  CommandProc proc = nullptr;
  for (const Command& command : State().commands) {
    if (command.id == id) proc = command.proc;
  }
  if (!proc) return false;
  proc(State().windows[0], 0);
  return true;
}

// ---- Plug-ins --------------------------------------------------------------------------------

Plugin::Plugin(HMODULE module, std::wstring path) : module_(module), path_(std::move(path)) {
  State().plugins.push_back(this);
}

Plugin::~Plugin() {
  auto& plugins = State().plugins;
  plugins.erase(std::remove(plugins.begin(), plugins.end(), this), plugins.end());
  // Commands point into the DLL; after FreeLibrary they would be dangling.
  auto& commands = State().commands;
  commands.erase(std::remove_if(commands.begin(), commands.end(),
                                [this](const Command& c) {
                                  HMODULE owner = nullptr;
                                  GetModuleHandleExW(
                                      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                          GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      reinterpret_cast<LPCWSTR>(c.proc), &owner);
                                  return owner == module_;
                                }),
                 commands.end());
  FreeLibrary(module_);
}

std::unique_ptr<Plugin> Plugin::Load(const std::wstring& path, std::string* err) {
  HMODULE module = LoadLibraryW(path.c_str());
  if (!module) {
    DWORD code = GetLastError();
    if (err) *err = "cannot load " + To932(path) + ": " + LastErrorText(code);
    return nullptr;
  }
  return std::unique_ptr<Plugin>(new Plugin(module, path));
}

bool Plugin::Has(const char* export_name) const {
  return GetProcAddress(module_, export_name) != nullptr;
}

int Plugin::OnStart() {
  auto fn = Find<int(WINAPI*)()>("BKC_OnStart");
  return fn ? fn() : 0;
}

int Plugin::OnExit() {
  auto fn = Find<int(WINAPI*)()>("BKC_OnExit");
  return fn ? fn() : 0;
}

int Plugin::OnMenuInit(HWND window, HMENU menu, int type) {
  auto fn = Find<int(WINAPI*)(HWND, HMENU, int)>("BKC_OnMenuInit");
  return fn ? fn(window, menu, type) : 0;
}

int Plugin::OnOpenFolder(const char* folder_id) {
  auto fn = Find<int(WINAPI*)(LPCSTR)>("BKC_OnOpenFolder");
  return fn ? fn(folder_id) : 0;
}

int Plugin::OnOpenMail(const char* mail_id) {
  auto fn = Find<int(WINAPI*)(LPCSTR)>("BKC_OnOpenMail");
  return fn ? fn(mail_id) : 0;
}

int Plugin::OnEveryMinute() {
  auto fn = Find<int(WINAPI*)()>("BKC_OnEveryMinute");
  return fn ? fn() : 0;
}

int Plugin::OnPlugInSetup(HWND window) {
  auto fn = Find<int(WINAPI*)(HWND)>("BKC_OnPlugInSetup");
  return fn ? fn(window) : 0;
}

int Plugin::OnPlugInInfo(void* record) {
  auto fn = Find<int(WINAPI*)(LPVOID)>("BKC_OnPlugInInfo");
  return fn ? fn(record) : 0;
}

int Plugin::GetInfo(PluginInfo* info, std::vector<unsigned char>* raw) {
  std::vector<unsigned char> record(kInfoRecordSize, 0);
  int result = OnPlugInInfo(record.data());
  auto field = [&](size_t i) {
    const char* start = reinterpret_cast<const char*>(record.data()) + i * kInfoFieldSize;
    return std::string(start, strnlen(start, kInfoFieldSize));
  };
  info->name = field(0);
  info->vendor = field(1);
  info->version = field(2);
  info->description = field(3);
  if (raw) *raw = std::move(record);
  return result;
}

std::vector<Plugin*> LoadedPlugins() { return State().plugins; }

// ---- Tests -----------------------------------------------------------------------------------

void SetHostFaults(const HostFaults& faults) { State().faults = faults; }

void ResetHost() {
  HostState& s = State();
  s.data_folder.clear();
  s.folder.clear();
  s.mail.clear();
  std::fill(std::begin(s.windows), std::end(s.windows), nullptr);
  s.commands.clear();
  s.next_id = kFirstCommandId;
  s.events = {};
  s.faults = {};
}

}  // namespace standin

// ---- The exported functions --------------------------------------------------------------------
//
// Declared from the same list the plug-in binds from, so a signature that drifts from the
// plug-in's view is a compile error here.

extern "C" {
#define STANDIN_DECLARE(result, name, params, use) result WINAPI BKA_##name params;
ZELDRIUM_BKA_FUNCTIONS(STANDIN_DECLARE)
#undef STANDIN_DECLARE

// The functions the plug-in only binds: a well-behaved host that offers nothing through them.
// The name is pasted before it is passed on: a bare GetTempFileName would become a system macro.
#define STANDIN_DEFINE_BOUND(result, function, params) \
  result WINAPI function params { return result(); }
#define STANDIN_DEFINE_CALLED(result, function, params)
#define STANDIN_DEFINE(result, name, params, use) STANDIN_DEFINE_##use(result, BKA_##name, params)
ZELDRIUM_BKA_FUNCTIONS(STANDIN_DEFINE)
#undef STANDIN_DEFINE
#undef STANDIN_DEFINE_CALLED
#undef STANDIN_DEFINE_BOUND
}

using standin::State;

namespace {
struct ReturnSlots {
  std::string data_folder, mailbox, folder, display_name, mail, source;
};
ReturnSlots& Slots() {
  static ReturnSlots slots;
  return slots;
}
}  // namespace

extern "C" {

BOOL WINAPI BKA_GetWindowHandles(HWND* main, HWND* tree, HWND* list, HWND* view) {
  HWND handles[4];
  std::copy(std::begin(State().windows), std::end(State().windows), handles);
  if (State().faults.windows_not_windows) {
    // Values no window will ever have: handles are even and small, these are odd and huge.
    for (int i = 0; i < 4; ++i)
      handles[i] = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7ffff001 + 2 * i));
  }
  HWND* out[4] = {main, tree, list, view};
  for (int i = 0; i < 4; ++i) {
    if (out[i]) *out[i] = handles[i];
  }
  return TRUE;
}

UINT WINAPI BKA_RegisterCommand(LPCSTR name, int type, TBeckyCommandProc proc) {
  auto& s = State();
  // Menu item IDs are 16 bits wide: past 0xFFFF a WM_COMMAND could no longer tell them apart.
  if (s.next_id > 0xFFFF) return 0;
  s.commands.push_back({s.next_id, name ? name : "", type, proc});
  return s.next_id++;
}

LPCSTR WINAPI BKA_GetDataFolder() {
  if (State().faults.null_texts || State().data_folder.empty()) return nullptr;
  return standin::Keep(&Slots().data_folder, State().data_folder);
}

LPCSTR WINAPI BKA_GetCurrentMailBox() {
  std::string mailbox = standin::CurrentMailBox();
  if (State().faults.null_texts || mailbox.empty()) return nullptr;
  return standin::Keep(&Slots().mailbox, std::move(mailbox));
}

LPCSTR WINAPI BKA_GetCurrentFolder() {
  if (State().faults.null_texts || State().folder.empty()) return nullptr;
  return standin::Keep(&Slots().folder, State().folder);
}

LPCSTR WINAPI BKA_GetFolderDisplayName(LPCSTR folder) {
  if (State().faults.null_texts || !folder || !*folder) return nullptr;
  return standin::Keep(&Slots().display_name, standin::FolderDisplayName(folder));
}

LPCSTR WINAPI BKA_GetCurrentMail() {
  if (State().faults.null_texts || State().mail.empty()) return nullptr;
  return standin::Keep(&Slots().mail, State().mail);
}

void WINAPI BKA_SetCurrentMail(LPCSTR mail) {
  if (mail) standin::SelectMail(mail);
}

LPCSTR WINAPI BKA_GetSource(LPCSTR mail) {
  standin::MailEntry found;
  if (State().faults.null_texts || State().faults.no_source || !mail ||
      !standin::FindMail(State().data_folder, mail, &found)) {
    return nullptr;
  }
  return standin::Keep(&Slots().source, "From: " + found.from + "\r\nTo: " + found.to +
                                            "\r\nSubject: " + found.subject + "\r\n\r\n");
}

void WINAPI BKA_GetSpecifiedHeader(LPCSTR header, LPSTR buffer, int size) {
  if (!buffer || size <= 0) return;
  if (State().faults.unterminated_header) {
    std::memset(buffer, 'X', static_cast<size_t>(size));
    return;
  }
  std::string value;
  standin::MailEntry found;
  if (header && !State().mail.empty() &&
      standin::FindMail(State().data_folder, State().mail, &found)) {
    if (lstrcmpiA(header, "From") == 0) value = found.from;
    if (lstrcmpiA(header, "To") == 0) value = found.to;
    if (lstrcmpiA(header, "Subject") == 0) value = found.subject;
  }
  size_t n = std::min(value.size(), static_cast<size_t>(size) - 1);
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
}

}  // extern "C"
