#include "tools/standin_host/script_runner.h"

#include <commctrl.h>

#include <map>
#include <set>

#include "tools/standin_host/menus.h"
#include "tools/standin_host/output.h"
#include "tools/standin_host/screenshot.h"
#include "tools/standin_host/window_dump.h"

namespace standin {
namespace {

// How long a step may sit in a modal loop before its window is cancelled, and how long a window
// gets to close before it is asked again, more firmly.
constexpr DWORD kModalAfterMs = 800;
constexpr DWORD kModalRetryMs = 1000;
// Time for posted messages to arrive after a step, so the next step sees its effect.
constexpr DWORD kSettleMs = 60;

bool g_quit = false;
// Set by screenshot-modal: the next modal window a step opens is saved here before it is
// cancelled.
std::wstring g_modal_screenshot;

void Print(const std::wstring& text) { PrintLine(L"  " + text); }

// Watches for modal windows while a step runs. A thread timer is dispatched by every message
// loop of the thread, the modal loops of dialogs and message boxes included.
class ModalWatch {
 public:
  explicit ModalWatch(HWND main) : main_(main), start_(GetTickCount()) {
    for (HWND w : ThreadWindows()) before_.insert(w);
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 100, &Tick);
  }
  ~ModalWatch() {
    KillTimer(nullptr, timer_);
    active_ = nullptr;
  }
  ModalWatch(const ModalWatch&) = delete;
  ModalWatch& operator=(const ModalWatch&) = delete;

  int closed() const { return static_cast<int>(tries_.size()); }

 private:
  struct Try {
    int count = 0;
    DWORD last = 0;
  };

  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    if (active_ && id == active_->timer_) active_->Check();
  }

  void Check() {
    DWORD now = GetTickCount();
    if (now - start_ < kModalAfterMs) return;
    for (HWND w : ThreadWindows()) {
      if (before_.count(w) || !IsWindowVisible(w) || IsSystemHelper(w)) continue;
      bool dialog = ClassName(w) == L"#32770";
      // A window that appeared while the main window is disabled is modal, whatever its class.
      if (!dialog && main_ && IsWindow(main_) && IsWindowEnabled(main_)) continue;
      Try& t = tries_[w];
      if (t.count > 0 && now - t.last < kModalRetryMs) continue;
      if (t.count == 0 && !g_modal_screenshot.empty()) {
        int width = 0, height = 0;
        std::wstring error;
        if (SaveScreenshot(g_modal_screenshot, &width, &height, &error)) {
          Print(L"screenshot of the modal window, " + std::to_wstring(width) + L"x" +
                std::to_wstring(height) + L" to " + g_modal_screenshot);
        } else {
          Print(L"no screenshot of the modal window: " + error);
        }
        g_modal_screenshot.clear();
      }
      if (t.count == 0) {
        Print(L"a modal window is open; it is cancelled:");
        for (const std::wstring& line : DescribeWindow(w)) Print(L"  " + line);
        PostMessageW(w, dialog ? WM_COMMAND : WM_CLOSE, dialog ? IDCANCEL : 0, 0);
      } else if (t.count == 1) {
        PostMessageW(w, WM_CLOSE, 0, 0);
      } else if (t.count == 2) {
        Print(L"the modal window " + WindowText(w) + L" does not close");
      }
      ++t.count;
      t.last = now;
    }
  }

  static inline ModalWatch* active_ = nullptr;
  HWND main_;
  DWORD start_;
  UINT_PTR timer_ = 0;
  std::set<HWND> before_;
  std::map<HWND, Try> tries_;
};

// Code page 932 for what names folders and mails; false when a character has no form there.
bool To932Exact(std::string_view utf8, std::string* out, std::wstring* result) {
  std::wstring wide = WideFromUtf8(utf8);
  *out = To932(wide);
  if (WideFrom932(*out) == wide) return true;
  *result = L"'" + wide + L"' cannot be written in code page 932";
  return false;
}

bool ParseIndex(std::string_view arg, size_t count, size_t* index) {
  if (arg.size() < 2 || arg[0] != '#') return false;
  size_t n = 0;
  for (char c : arg.substr(1)) {
    if (c < '0' || c > '9' || n > 1000000) return false;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  if (n == 0 || n > count) return false;
  *index = n - 1;
  return true;
}

std::string WithSeparator(std::string id) {
  // Checked on the last character only: the ID comes from a script, and a trail byte 0x5C at the
  // end would be a folder name that ends in ソ, which still wants its separator.
  bool ends = false;
  for (size_t i = 0; i < id.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(id[i]);
    ends = c == '\\';
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ++i;
  }
  if (!id.empty() && !ends) id += '\\';
  return id;
}

std::wstring CommandName(UINT id) {
  for (const Command& command : Commands()) {
    if (command.id == id) return WideFrom932(command.name);
  }
  return L"";
}

void PrintMenu(HMENU menu, const std::wstring& indent) {
  for (const MenuItem& item : MenuItems(menu)) Print(indent + DescribeMenuItem(item));
}

HWND FindTopLevel(const std::wstring& caption) {
  for (HWND w : ThreadWindows()) {
    if (IsWindowVisible(w) && WindowText(w) == caption) return w;
  }
  return nullptr;
}

struct ChildSearch {
  std::wstring wanted;
  HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND w, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  if (_wcsicmp(ClassName(w).c_str(), search->wanted.c_str()) == 0 ||
      WindowText(w) == search->wanted) {
    search->found = w;
    return FALSE;
  }
  return TRUE;
}

std::wstring FocusDescription(HWND w) {
  std::wstring text = ClassName(w);
  LONG_PTR id = GetWindowLongPtrW(w, GWLP_ID);
  if (GetParent(w) && id != 0) text += L" #" + std::to_wstring(id);
  std::wstring caption = WindowText(w);
  if (!caption.empty()) text += L" \"" + caption + L"\"";
  return text;
}

}  // namespace

bool PumpMessages(DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        g_quit = true;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    DWORD spent = GetTickCount() - start;
    if (spent >= ms) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
  }
  return !g_quit;
}

int ScriptRunner::Run(const std::vector<Step>& steps) {
  int failed = 0, run = 0;
  for (const Step& step : steps) {
    if (g_quit || !IsWindow(window_.hwnd())) {
      PrintLine(L"> the host's window is closed: the remaining steps are not run");
      break;
    }
    PrintLine(L"> " + std::to_wstring(step.line) + L": " + WideFromUtf8(step.source));
    ++run;
    if (step.kind == StepKind::kQuit) {
      Print(L"ok");
      break;
    }
    std::wstring result;
    bool ok;
    int modal_closed;
    {
      ModalWatch watch(window_.hwnd());
      ok = RunStep(step, &result);
      PumpMessages(kSettleMs);
      modal_closed = watch.closed();
    }
    if (modal_closed > 0 && ok) {
      result += (result.empty() ? L"" : L"; ") + std::to_wstring(modal_closed) +
                L" modal window(s) cancelled";
    }
    Print((ok ? L"ok" : L"error") + (result.empty() ? L"" : L": " + result));
    if (!ok) ++failed;
  }
  PrintLine(L"session: " + std::to_wstring(run) + L" steps run, " + std::to_wstring(failed) +
            L" failed");
  return failed;
}

bool ScriptRunner::RunStep(const Step& step, std::wstring* result) {
  switch (step.kind) {
    case StepKind::kInvalid:
      *result = WideFromUtf8(step.error);
      return false;
    case StepKind::kOpenFolder:
      return OpenFolderStep(step, result);
    case StepKind::kSelectMail:
      return SelectMailStep(step, result);
    case StepKind::kMenu:
      return MenuStep(step, result);
    case StepKind::kSetup:
      return SetupStep(step, result);
    case StepKind::kWait:
      PumpMessages(static_cast<DWORD>(step.number));
      return true;
    case StepKind::kWindows:
      for (const std::wstring& line : DescribeWindows()) Print(line);
      return true;
    case StepKind::kPrintMenus:
      return PrintMenusStep(result);
    case StepKind::kFocus:
      return FocusStep(step, result);
    case StepKind::kType:
      return TypeStep(step, result);
    case StepKind::kKey:
      return KeyStep(step, result);
    case StepKind::kScreenshot:
      return ScreenshotStep(step, result);
    case StepKind::kScreenshotModal:
      g_modal_screenshot = WideFromUtf8(step.arg);
      *result = L"the next modal window goes to " + g_modal_screenshot;
      return true;
    case StepKind::kClick:
      return ClickStep(step, result);
    case StepKind::kQuit:
      return true;
  }
  return false;
}

bool ScriptRunner::OpenFolderStep(const Step& step, std::wstring* result) {
  const std::vector<FolderEntry>& folders = window_.folders();
  std::string id;
  size_t index;
  if (ParseIndex(step.arg, folders.size(), &index)) {
    id = folders[index].id;
  } else {
    std::string wanted;
    if (!To932Exact(step.arg, &wanted, result)) return false;
    for (const FolderEntry& f : folders) {
      if (id.empty() && SameId(f.id, WithSeparator(wanted))) id = f.id;
    }
    for (const FolderEntry& f : folders) {
      if (id.empty() && f.display_name == wanted) id = f.id;
    }
    if (id.empty()) {
      *result = L"the folder tree has no folder '" + WideFromUtf8(step.arg) + L"'";
      return false;
    }
  }
  if (!window_.ShowFolder(id)) {
    *result = L"the host cannot open " + WideFrom932(id);
    return false;
  }
  *result = WideFrom932(CurrentFolder()) + L" \"" +
            WideFrom932(FolderDisplayName(CurrentFolder())) + L"\", " +
            std::to_wstring(window_.mails().size()) + L" mails";
  return true;
}

bool ScriptRunner::SelectMailStep(const Step& step, std::wstring* result) {
  std::string mail_id;
  size_t index;
  if (ParseIndex(step.arg, window_.mails().size(), &index)) {
    mail_id = window_.mails()[index].mail_id;
  } else if (step.arg[0] == '#') {
    *result = L"the current folder has " + std::to_wstring(window_.mails().size()) + L" mails";
    return false;
  } else {
    std::string wanted;
    if (!To932Exact(step.arg, &wanted, result)) return false;
    mail_id = wanted.find('?') != std::string::npos ? wanted : CurrentFolder() + "?" + wanted;
  }
  if (!window_.ShowMail(mail_id)) {
    *result = L"no mail " + WideFrom932(mail_id);
    return false;
  }
  for (const MailEntry& mail : window_.mails()) {
    if (mail.mail_id == CurrentMail()) {
      *result = WideFrom932(mail.mail_id) + L" \"" + WideFrom932(mail.subject) + L"\" from " +
                WideFrom932(mail.from);
    }
  }
  if (result->empty()) *result = WideFrom932(CurrentMail());
  return true;
}

bool ScriptRunner::MenuStep(const Step& step, std::wstring* result) {
  std::wstring wanted = WideFromUtf8(step.arg);
  MenuItem item;
  bool found = false;
  std::wstring where;
  if (step.menu == MenuKind::kMain) {
    HMENU bar = window_.menu_bar();
    std::vector<MenuItem> dropdowns = MenuItems(bar);
    // The plug-ins' drop-down first, where their items belong.
    std::vector<size_t> order;
    if (dropdowns.size() > 4) order.push_back(4);
    for (size_t i = 0; i < dropdowns.size(); ++i) {
      if (i != 4) order.push_back(i);
    }
    for (size_t i : order) {
      if (!found && dropdowns[i].submenu && FindMenuItem(dropdowns[i].submenu, wanted, &item)) {
        found = true;
        where = L"drop-down " + std::to_wstring(i + 1) + L" \"" + dropdowns[i].caption + L"\"";
      }
    }
  } else {
    MenuType type = step.menu == MenuKind::kList ? MenuType::kMailList : MenuType::kFolderTree;
    UniqueMenu menu(window_.BuildContextMenu(type));
    found = FindMenuItem(menu.get(), wanted, &item);
    where = step.menu == MenuKind::kList ? L"mail list menu" : L"folder tree menu";
  }
  if (!found) {
    *result = L"no item \"" + wanted + L"\" in the " +
              (step.menu == MenuKind::kMain ? std::wstring(L"menu bar") : where);
    return false;
  }
  if (item.submenu || item.disabled) {
    *result = L"\"" + item.caption + L"\" " + (item.submenu ? L"opens a submenu" : L"is disabled");
    return false;
  }
  std::wstring command = CommandName(item.id);
  *result = L"chose " + std::to_wstring(item.id) + L" \"" + item.caption + L"\" in the " + where +
            (command.empty() ? L"" : L", the plug-in's command " + command);
  if (step.menu == MenuKind::kMain) {
    // As the menu bar does it: the window gets WM_COMMAND.
    SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(item.id, 0), 0);
    return true;
  }
  if (!window_.RunCommand(item.id)) {
    *result += L", but nobody handles that ID";
    return false;
  }
  return true;
}

bool ScriptRunner::SetupStep(const Step& step, std::wstring* result) {
  size_t index = static_cast<size_t>(step.number - 1);
  if (index >= plugins_.size()) {
    *result = L"there is no plug-in " + std::to_wstring(step.number) + L" (" +
              std::to_wstring(plugins_.size()) + L" loaded)";
    return false;
  }
  window_.RunSetup(index);
  return true;
}

bool ScriptRunner::PrintMenusStep(std::wstring* result) {
  Print(L"main menu:");
  for (const MenuItem& dropdown : MenuItems(window_.menu_bar())) {
    Print(L"  " + std::to_wstring(dropdown.position + 1) + L" " + dropdown.caption);
    if (dropdown.submenu) PrintMenu(dropdown.submenu, L"      ");
  }
  {
    UniqueMenu menu(window_.BuildContextMenu(MenuType::kMailList));
    Print(L"mail list menu:");
    PrintMenu(menu.get(), L"    ");
  }
  {
    UniqueMenu menu(window_.BuildContextMenu(MenuType::kFolderTree));
    Print(L"folder tree menu:");
    PrintMenu(menu.get(), L"    ");
  }
  return true;
}

bool ScriptRunner::FocusStep(const Step& step, std::wstring* result) {
  std::wstring caption = WideFromUtf8(step.arg);
  HWND top = FindTopLevel(caption);
  if (!top) {
    *result = L"no visible window \"" + caption + L"\"";
    return false;
  }
  HWND target = top;
  if (!step.child.empty()) {
    ChildSearch search{WideFromUtf8(step.child)};
    EnumChildWindows(top, FindChild, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
      *result = L"\"" + caption + L"\" has no control \"" + search.wanted + L"\"";
      return false;
    }
    target = search.found;
  }
  SetForegroundWindow(top);
  SetActiveWindow(top);
  SetFocus(target);
  PumpMessages(kSettleMs);
  HWND focus = GetFocus();
  if (!focus || (focus != target && !IsChild(target, focus))) {
    *result =
        L"the focus went to " + (focus ? FocusDescription(focus) : std::wstring(L"no window"));
    return false;
  }
  *result = L"focus on " + FocusDescription(focus);
  return true;
}

bool ScriptRunner::TypeStep(const Step& step, std::wstring* result) {
  HWND focus = GetFocus();
  if (!focus) {
    *result = L"no window has the keyboard focus";
    return false;
  }
  std::wstring text = WideFromUtf8(step.arg);
  for (wchar_t c : text) PostMessageW(focus, WM_CHAR, c, 1);
  PumpMessages(kSettleMs);
  *result = std::to_wstring(text.size()) + L" characters to " + FocusDescription(focus);
  return true;
}

bool ScriptRunner::KeyStep(const Step& step, std::wstring* result) {
  HWND focus = GetFocus();
  if (!focus) {
    *result = L"no window has the keyboard focus";
    return false;
  }
  const KeyChord& key = step.key;
  // The modifiers are seen through GetKeyState while the key's messages are handled.
  BYTE saved[256], held[256];
  GetKeyboardState(saved);
  std::copy(std::begin(saved), std::end(saved), std::begin(held));
  if (key.ctrl) held[VK_CONTROL] = held[VK_LCONTROL] = 0x80;
  if (key.shift) held[VK_SHIFT] = held[VK_LSHIFT] = 0x80;
  if (key.alt) held[VK_MENU] = held[VK_LMENU] = 0x80;
  SetKeyboardState(held);
  LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key.vk, MAPVK_VK_TO_VSC)) << 16;
  LPARAM context = key.alt ? LPARAM{1} << 29 : 0;
  PostMessageW(focus, key.alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key.vk, 1 | scan | context);
  PostMessageW(focus, key.alt ? WM_SYSKEYUP : WM_KEYUP, key.vk,
               static_cast<LPARAM>(1 | scan | context | (LPARAM{3} << 30)));
  PumpMessages(kSettleMs);
  SetKeyboardState(saved);
  *result = L"to " + FocusDescription(focus);
  return true;
}

bool ScriptRunner::ScreenshotStep(const Step& step, std::wstring* result) {
  // Whatever the steps before invalidated is painted first.
  PumpMessages(200);
  std::wstring path = WideFromUtf8(step.arg);
  int width = 0, height = 0;
  if (!SaveScreenshot(path, &width, &height, result)) return false;
  *result = std::to_wstring(width) + L"x" + std::to_wstring(height) + L" to " + path;
  return true;
}

namespace {

struct ButtonSearch {
  std::wstring wanted;
  HWND window = nullptr;  // a button, or the tool bar holding it
  RECT rect = {};         // in window's client coordinates
};

BOOL CALLBACK FindButton(HWND w, LPARAM param) {
  auto* search = reinterpret_cast<ButtonSearch*>(param);
  if (!IsWindowVisible(w)) return TRUE;
  if (_wcsicmp(ClassName(w).c_str(), TOOLBARCLASSNAMEW) == 0) {
    const int count = static_cast<int>(SendMessageW(w, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      TBBUTTON button = {};
      if (!SendMessageW(w, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button))) continue;
      wchar_t text[128] = {};
      if (SendMessageW(w, TB_GETBUTTONTEXTW, button.idCommand, reinterpret_cast<LPARAM>(text)) <
          0) {
        continue;
      }
      if (search->wanted == text &&
          SendMessageW(w, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&search->rect))) {
        search->window = w;
        return FALSE;
      }
    }
  } else if (_wcsicmp(ClassName(w).c_str(), L"Button") == 0 && WindowText(w) == search->wanted) {
    search->window = w;
    GetClientRect(w, &search->rect);
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// A press of the left mouse button in the middle of the button, as the system posts it.
bool ScriptRunner::ClickStep(const Step& step, std::wstring* result) {
  const std::wstring caption = WideFromUtf8(step.arg);
  HWND top = FindTopLevel(caption);
  if (!top) {
    *result = L"no visible window \"" + caption + L"\"";
    return false;
  }
  ButtonSearch search{WideFromUtf8(step.child)};
  EnumChildWindows(top, FindButton, reinterpret_cast<LPARAM>(&search));
  if (!search.window) {
    *result = L"\"" + caption + L"\" has no button \"" + search.wanted + L"\"";
    return false;
  }
  if (!IsWindowEnabled(search.window)) {
    *result = L"\"" + search.wanted + L"\" is disabled";
    return false;
  }
  const LPARAM at = MAKELPARAM((search.rect.left + search.rect.right) / 2,
                               (search.rect.top + search.rect.bottom) / 2);
  PostMessageW(search.window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(search.window, WM_LBUTTONUP, 0, at);
  PumpMessages(kSettleMs);
  *result = L"clicked \"" + search.wanted + L"\" in " + FocusDescription(search.window);
  return true;
}

}  // namespace standin
