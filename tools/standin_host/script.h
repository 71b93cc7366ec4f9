#ifndef ZELDRIUM_TOOLS_STANDIN_HOST_SCRIPT_H_
#define ZELDRIUM_TOOLS_STANDIN_HOST_SCRIPT_H_

// The stand-in host's session scripts: one step a line, driving the host and its plug-ins as a
// user would. A script is UTF-8 (a byte-order mark is skipped, CR LF or LF); blank lines and
// lines starting with "#" are ignored. Words are separated by blanks; the last argument of a
// step is the rest of its line, so captions and texts may hold blanks.
//
//   open-folder FOLDER     a folder ID ("Main.mb\Inbox\"), "#N" for the Nth folder of the tree,
//                          or a display name (the first folder of the tree shown under it)
//   select-mail MAIL       a mail ID ("Main.mb\Inbox\?KEY"), "#N" for the Nth mail of the
//                          current folder, or a message key of the current folder
//   menu main|list|tree CAPTION
//                          chooses the item of that caption: in the menu bar's fifth drop-down
//                          first, then in the others; or in a freshly built context menu of the
//                          mail list or the folder tree
//   setup [N]              the setup of the Nth plug-in (default the first)
//   wait MS                lets the host run for MS milliseconds (at most 600000)
//   windows                lists the process's top-level windows and their controls
//   print-menus            lists the menu bar and both context menus with item IDs
//   focus CAPTION [> CHILD] gives the keyboard focus to a top-level window of that caption, or to
//                          its first control whose class or text is CHILD
//   type TEXT              sends TEXT as typed characters to the focused window
//   key KEY                a key with optional modifiers: Enter, Esc, Tab, F5, Ctrl+A, ...
//   screenshot FILE        writes the screen as a .bmp
//   quit                   ends the session (also the end of the script does)
//
// The parser needs no platform: the runner (script_runner.h) carries the steps out.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

enum class StepKind {
  kInvalid,  // a line that could not be read; running it reports `error`
  kOpenFolder,
  kSelectMail,
  kMenu,
  kSetup,
  kWait,
  kWindows,
  kPrintMenus,
  kFocus,
  kType,
  kKey,
  kScreenshot,
  kScreenshotModal,
  kClick,
  kQuit,
};

enum class MenuKind { kMain, kList, kTree };

// A key as the system names it: a virtual-key code and the modifiers held with it.
struct KeyChord {
  uint8_t vk = 0;
  bool ctrl = false, shift = false, alt = false;
  bool operator==(const KeyChord&) const = default;
};

struct Step {
  int line = 0;  // 1-based line of the script
  StepKind kind = StepKind::kInvalid;
  std::string source;  // the line as written, trimmed
  std::string arg;     // UTF-8: folder, mail, caption, text, file or focus target
  std::string child;   // focus, click: the control after ">", empty for the window itself
  MenuKind menu = MenuKind::kMain;
  int number = 0;  // wait: milliseconds; setup: 1-based plug-in number
  KeyChord key;
  std::string error;  // kInvalid only
};

inline constexpr int kMaxWaitMs = 600000;

// Every line that is not blank or a comment becomes one step, in order; a line that cannot be
// read becomes a kInvalid step at its place, so the session reports it when it gets there.
std::vector<Step> ParseScript(std::string_view text);

// "Enter", "esc", "F5", "Ctrl+Shift+Tab", "A", "7"; false with *err for anything else.
bool ParseKey(std::string_view name, KeyChord* key, std::string* err);

// The command word of a kind, as a script spells it.
std::string_view StepName(StepKind kind);

// True when text is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(std::string_view text);

}  // namespace standin

#endif  // ZELDRIUM_TOOLS_STANDIN_HOST_SCRIPT_H_
