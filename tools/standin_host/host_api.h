#ifndef ZELDRIUM_TOOLS_STANDIN_HOST_HOST_API_H_
#define ZELDRIUM_TOOLS_STANDIN_HOST_HOST_API_H_

// The stand-in for the mail client's side of the plug-in interface, shared by the stand-in host
// program and by the integration tests (each of which is a host too).
//
// An EXE that links this library and tools/standin_host/bka_exports.def (the CMake target
// standin_exports does both) exports the 54 BKA_ functions by plain name, so a plug-in finds them
// with GetProcAddress(GetModuleHandleA(nullptr), "BKA_..."). Ten of them work over a data folder
// on disk; the others answer zero or null:
//
//   BKA_GetDataFolder         the data folder set with SetDataFolder, ending in a backslash
//   BKA_GetCurrentMailBox     the mailbox ID of the current folder ("Main.mb\"), or null
//   BKA_GetCurrentFolder      the current folder ID ("Main.mb\Inbox\"), or null when none is open
//   BKA_GetFolderDisplayName  see "Display names" below
//   BKA_GetCurrentMail        the current mail ID (folder ID + "?" + message key), or null
//   BKA_SetCurrentMail        opens the mail's folder when it is not the current one, calling
//                             BKC_OnOpenFolder of every loaded plug-in before it returns, then
//                             makes the mail current (or none, for a key the index lacks)
//   BKA_GetSource             a header block made from the mail's index line, or null when the
//                             mail is not in its folder's Folder.idx
//   BKA_GetSpecifiedHeader    From, To or Subject of the current mail ("" for any other name),
//                             cut to the buffer and always terminated
//   BKA_GetWindowHandles      the four handles given to SetWindowHandles
//   BKA_RegisterCommand       a new command ID (0x8000 up) per call; InvokeCommand calls it back
//
// Every text returned stays valid until the next call of the same function. Everything runs on
// one thread, the host's UI thread; nothing here locks.
//
// The store: the data folder holds mailbox directories "*.mb"; a folder is any directory below a
// mailbox that holds a Folder.idx (lines of fields separated by 0x01: 2 message key, 4 Subject,
// 5 From, 6 To, 9 date as hexadecimal Unix seconds). Paths and texts are code page 932.
//
// Display names: a mailbox directory may hold a file "Folders.txt" (code page 932, one entry a
// line, CR LF or LF) of lines "RELATIVE=NAME", where RELATIVE is the folder's path below the
// mailbox directory ("Inbox", "Inbox\2024"; a trailing backslash is optional, letter case is
// ignored) and an empty RELATIVE names the mailbox itself. Blank lines and lines starting with
// ";" or "#" are ignored. A folder without an entry shows its directory name; a mailbox its
// directory name without ".mb".

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

// ---- The store -------------------------------------------------------------------------------

// Sets the data folder (a backslash is appended when missing) and closes the current folder and
// mail. Commands, plug-ins and window handles stay.
void SetDataFolder(std::string_view data_folder);
const std::string& DataFolder();

struct FolderEntry {
  std::string id;            // folder ID, ending in a backslash
  std::string display_name;  // what BKA_GetFolderDisplayName returns for it
  int depth = 0;             // 0 for a mailbox, 1 for its folders, ...
  bool has_index = false;    // false for a mailbox directory without its own Folder.idx
};
// Every mailbox and, depth first under it, its folders, in name order: what a folder tree shows.
std::vector<FolderEntry> ListFolders();

struct MailEntry {
  std::string key;  // message key (field 2)
  std::string mail_id;
  std::string subject, from, to;
  uint32_t date = 0;  // Unix seconds, as stored (UTC)
};
// The mails of one folder in index order; empty when it has no readable Folder.idx.
std::vector<MailEntry> ListMails(std::string_view folder_id);

std::string FolderDisplayName(std::string_view folder_id);

// ---- What the host shows ---------------------------------------------------------------------

// Makes a folder current, as clicking it in the folder tree does: the mailbox follows, the
// current mail is cleared, and when the folder changed the plug-ins get BKC_OnOpenFolder and the
// listener folder_opened. False (nothing changes) for a folder that does not exist.
bool OpenFolder(std::string_view folder_id);
// BKA_SetCurrentMail with a C++ face: false when the mail's folder does not exist.
bool SelectMail(std::string_view mail_id);
std::string CurrentMailBox();
std::string CurrentFolder();
std::string CurrentMail();

// The handles BKA_GetWindowHandles reports: main window, folder tree, mail list, mail view.
void SetWindowHandles(HWND main, HWND tree, HWND list, HWND view);

// Told after the host's selection changed, also when a plug-in changed it; lets the host
// program keep its tree and list in step. Either may be empty.
struct HostEvents {
  std::function<void(const std::string& folder_id)> folder_opened;
  std::function<void(const std::string& mail_id)> mail_selected;
};
void SetHostEvents(HostEvents events);

// ---- Commands --------------------------------------------------------------------------------

using CommandProc = int(WINAPI*)(HWND window, LPARAM data);

struct Command {
  UINT id = 0;
  std::string name;  // as the plug-in registered it
  int type = 0;      // the menu type it was registered for
  CommandProc proc = nullptr;
};
inline constexpr UINT kFirstCommandId = 0x8000;

// What the plug-ins registered, oldest first.
const std::vector<Command>& Commands();
// Calls the command's callback as choosing its menu item does (with the main window handle and
// 0). False for an ID nobody registered. A callback that faults is not caught here: the host
// trusts its plug-ins, so a test sees the fault.
bool InvokeCommand(UINT id);

// ---- Plug-ins --------------------------------------------------------------------------------

// The plug-in information record: four zero-terminated texts at fixed offsets.
inline constexpr size_t kInfoFieldSize = 80;
inline constexpr size_t kInfoRecordSize = 4 * kInfoFieldSize;
struct PluginInfo {
  std::string name, vendor, version, description;
};

// One loaded plug-in DLL. Every callback wrapper returns 0 when the DLL lacks that export.
// Loaded plug-ins are known to the library (BKA_SetCurrentMail and OpenFolder notify them) until
// they are destroyed.
class Plugin {
 public:
  // Loads the DLL and looks up its BKC_ callbacks. Null with *err set when the DLL cannot be
  // loaded. Nothing is called yet: the host program calls OnStart itself.
  static std::unique_ptr<Plugin> Load(const std::wstring& path, std::string* err);
  // Unloads the DLL (FreeLibrary). Call OnExit first, as a mail client does.
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  HMODULE module() const { return module_; }
  const std::wstring& path() const { return path_; }
  bool Has(const char* export_name) const;

  int OnStart();
  int OnExit();
  int OnMenuInit(HWND window, HMENU menu, int type);
  int OnOpenFolder(const char* folder_id);
  int OnOpenMail(const char* mail_id);
  int OnEveryMinute();
  int OnPlugInSetup(HWND window);
  int OnPlugInInfo(void* record);
  // Calls OnPlugInInfo on a zeroed record of kInfoRecordSize bytes and reads the four fields,
  // each up to its first zero byte or its field's end. raw, when given, gets the record's bytes.
  int GetInfo(PluginInfo* info, std::vector<unsigned char>* raw = nullptr);

 private:
  Plugin(HMODULE module, std::wstring path);
  template <typename Fn>
  Fn Find(const char* name) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

  HMODULE module_;
  std::wstring path_;
};

// The plug-ins loaded now, oldest first.
std::vector<Plugin*> LoadedPlugins();

// ---- Tests -----------------------------------------------------------------------------------

// A host that misbehaves, to show that the plug-in survives it.
struct HostFaults {
  bool null_texts = false;           // every text function returns null
  bool unterminated_header = false;  // BKA_GetSpecifiedHeader fills the buffer without a zero
  bool windows_not_windows = false;  // BKA_GetWindowHandles reports handles of no window
  bool no_source = false;            // BKA_GetSource returns null for every mail
};
void SetHostFaults(const HostFaults& faults);

// Back to a fresh host: no data folder, no current folder or mail, no commands, no events, no
// faults, no window handles. Plug-ins still loaded stay loaded.
void ResetHost();

// ---- Text ------------------------------------------------------------------------------------

// Explicit code page 932 conversions for paths and texts (never the system code page).
std::wstring WideFrom932(std::string_view text);
std::string To932(std::wstring_view text);

}  // namespace standin

#endif  // ZELDRIUM_TOOLS_STANDIN_HOST_HOST_API_H_
