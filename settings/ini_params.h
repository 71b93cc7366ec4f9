#ifndef ZELDRIUM_SETTINGS_INI_PARAMS_H_
#define ZELDRIUM_SETTINGS_INI_PARAMS_H_

// Every setting of the plug-in, kept in memory for the life of the library and stored in one
// settings file beside it (ini_file.h). Loaded once at start; saved each time the search window
// closes and once more when the object is destroyed. Saving rewrites the whole file in a fixed
// key order, so lines nobody knows vanish and edits made by hand while the library runs are
// overwritten.
//
// The scope and the search while typing came later than the other keys: each has a key of its
// own, written only when it differs from its default, so that a file of the defaults is the
// file every build writes, a file without them reads as the defaults, and an older build, which
// passes over keys it does not know, reads a newer file as before.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "query/find_class.h"
#include "settings/ini_file.h"
#include "settings/settings_io.h"
#include "store/mailboxes.h"

namespace zeldrium {

// What a failed save shows. Code page 932.
inline constexpr std::string_view kIniWriteErrorText = "100:INI WRT ERROR";
inline constexpr std::string_view kWarningCaption = "\x8c\x78\x8d\x90";  // 警告

// Tells the user about a failure. The Win32 layer shows a message box with one OK button and
// the warning icon (MB_OK | MB_ICONWARNING).
class WarningBox {
 public:
  virtual ~WarningBox() = default;
  // text and caption are code page 932.
  virtual void ShowWarning(std::string_view text, std::string_view caption) = 0;
};

// The part of the search window whose placement the settings keep.
class PlacedWindow {
 public:
  virtual ~PlacedWindow() = default;
  virtual TWindowState GetState() const = 0;
  virtual void SetState(TWindowState state) = 0;
  // The bounds of the normal (restored) window, also while it is minimized or maximized.
  virtual TRect GetBounds() const = 0;
  virtual void SetBounds(const TRect& bounds) = 0;
  // The work area (the screen less the task bar) of every monitor attached, the primary first.
  virtual std::vector<TRect> WorkAreas() const = 0;
};

// ShowHotKey: the low 13 bits are the virtual-key code.
enum : uint16_t { kHotKeyShift = 0x2000, kHotKeyCtrl = 0x4000, kHotKeyAlt = 0x8000 };

class TInitParam {
 public:
  // warning may be null (tools and tests that do not care); it and io must outlive the object.
  explicit TInitParam(WarningBox* warning, SettingsIO& io = DiskSettingsIO());
  // Saves, as the library's unload expects.
  ~TInitParam();
  TInitParam(const TInitParam&) = delete;
  TInitParam& operator=(const TInitParam&) = delete;

  // Replaces every setting with what the file at path holds; a missing file or key gives the
  // default. path is in the platform's file-name form (settings_io.h).
  // A file that exists but cannot be read also gives the defaults, but then Save refuses to
  // overwrite it: the user's settings must not be replaced by defaults because a virus scanner
  // held the file at start.
  void Load(std::string path);

  // Rewrites the file (nothing before Load). On failure shows "100:INI WRT ERROR", leaves the
  // file as it was and returns false; the settings in memory are kept.
  bool Save();

  // Applies WindowState and WindowRect to the window, moved inside the work area of the monitor
  // that holds most of it, or of the nearest one when it lies on none (the monitor it was on may
  // be gone), and cut to that monitor's size where it is larger.
  void RestoreWindow(PlacedWindow& form) const;
  // Takes the window's state, and its bounds unless it is maximized, so a window closed while
  // maximized comes back maximized over its last normal bounds.
  void StoreWindow(const PlacedWindow& form);

  // Read and written directly by the window and the dialogs.
  TRect WindowRect;
  TWindowState WindowState = TWindowState::kNormal;
  std::string FileName;
  std::string ColWidth;     // comma list of column widths
  std::string FindHistory;  // comma list of the search-string list
  TFontDesc ViewFont = DefaultViewFont();
  TFindClass FindList;
  bool SubFolder = false;
  bool CommaAnd = false;
  bool CaseSensitive = false;
  bool WindowFit = false;
  int32_t DateLimit = 0;  // Unix seconds, local time
  bool UseDateLimit = false;
  bool MultiLineTab = false;
  uint16_t ShowHotKey = 0;  // virtual-key code | kHotKeyShift | kHotKeyCtrl | kHotKeyAlt; 0 = none
  // Where the search window's runs look besides a condition's fixed folders (FINDSCOPE).
  FolderScope Scope = FolderScope::kCurrentFolder;
  // The search window searches the text as it is typed (FINDWHILETYPING).
  bool SearchWhileTyping = true;

 private:
  bool WriteAll(std::string* err);

  WarningBox* warning_;
  SettingsIO& io_;
  bool file_unreadable_ = false;
  std::string read_error_;
};

}  // namespace zeldrium

#endif  // ZELDRIUM_SETTINGS_INI_PARAMS_H_
