#ifndef ZELDRIUM_TESTS_WINDOW_DRIVER_H_
#define ZELDRIUM_TESTS_WINDOW_DRIVER_H_

// Drives the plug-in's search window as a user would: through the messages its controls send
// (typed characters, the tool bar's and the menu's WM_COMMAND, the tab strip's and the list's
// notifications), and reads back what the user would see.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/plugin_fixture.h"
#include "testsupport/index_line.h"
#include "text/str_libs.h"
#include "ui/main_view_ids.h"

// Header only: the integration tests are one program built from the *_test.cpp files here.

namespace testutil {

using zeldrium::IndexLine;

// Writes Folder.idx of a folder below root (directories made as needed); the ID is code page
// 932 with backslashes.
inline bool WriteFolder(const std::wstring& root, std::string_view folder_id,
                        const std::string& index) {
  std::wstring path = root;
  const std::wstring id = standin::WideFrom932(folder_id);
  size_t start = 0;
  while (start < id.size()) {
    size_t end = id.find(L'\\', start);
    if (end == std::wstring::npos) end = id.size();
    path += id.substr(start, end - start) + L"\\";
    CreateDirectoryW(path.c_str(), nullptr);
    start = end + 1;
  }
  return WriteFileBytes(path + L"Folder.idx", index);
}

// A comma-list item as the settings write it.
inline std::string CsvItem(std::string_view text) {
  bool quote = false;
  for (unsigned char c : text) quote |= c <= 0x20 || c == '"' || c == ',';
  if (!quote) return std::string(text);
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// A FINDPARAM value: one row testing target (0 From, 1 To, 2 Subject, 3 From and To) for words.
inline std::string FindParam(std::string_view name, bool subfolder, std::string_view folders,
                             int target, std::string_view words) {
  std::string csv = CsvItem(name) + (subfolder ? ",1," : ",0,") + CsvItem(folders);
  csv += ",0," + std::to_string(target) + ",0,0," + CsvItem(words);
  for (int row = 1; row < 5; ++row) csv += ",0,-1,0,0,";
  return csv;
}

// Unix seconds of 00:00 of a day (the plug-in's dates are local times already).
inline uint32_t UnixDay(int year, int month, int day) {
  return static_cast<uint32_t>(zeldrium::DaysFromCivil(year, month, day) * 86400);
}

// The value of a KEY=value line of a settings file, or "<none>".
inline std::string IniValue(const std::string& file, std::string_view key) {
  const std::string prefix = std::string(key) + "=";
  size_t at = 0;
  while (at < file.size()) {
    size_t end = file.find("\r\n", at);
    if (end == std::string::npos) end = file.size();
    if (file.compare(at, prefix.size(), prefix) == 0) {
      return file.substr(at + prefix.size(), end - at - prefix.size());
    }
    at = end + 2;
  }
  return "<none>";
}

}  // namespace testutil

using testutil::PumpMessages;

// Captions as the window shows them.
inline std::wstring W(const char* cp932) { return standin::WideFrom932(cp932); }
inline constexpr wchar_t kCounterWord[] = L" \u4ef6";  // " 件"
// The count as the window shows it for n hits.
inline std::wstring Count(int n) { return std::to_wstring(n) + kCounterWord; }
// The mail ID of a message key of the store's inbox.
inline std::string InboxId(const char* key) { return std::string(testutil::kInbox) + "?" + key; }
using Texts = std::vector<std::wstring>;

class SearchWindowTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    testutil::MakeStore(store_.path());
    standin::SetDataFolder(standin::To932(store_.path()));
    standin::OpenFolder(testutil::kInbox);
  }
  void TearDown() override {
    if (action_window_) DestroyWindow(action_window_);
    // A later test in the same process must not find its dialogs answered.
    if (box_timer_) KillTimer(nullptr, box_timer_);
    PluginTest::TearDown();
  }

  // The settings file the plug-in reads at start (write before StartWindow).
  void WriteSettings(const std::string& lines) {
    ASSERT_TRUE(testutil::WriteFileBytes(IniPath(), lines));
  }
  std::string Settings() const {
    std::string bytes;
    testutil::ReadFileBytes(IniPath(), &bytes);
    return bytes;
  }
  std::string Setting(std::string_view key) const { return testutil::IniValue(Settings(), key); }

  // Starts the plug-in over the host's store and finds its window.
  HWND StartWindow() {
    if (!Start()) return nullptr;
    form_ = Form();
    return form_;
  }
  void ShowWindowByCommand(const char* command = "FindWin") {
    ASSERT_TRUE(standin::InvokeCommand(CommandId(command)));
  }

  HWND Item(int id) const { return GetDlgItem(form_, id); }
  HWND List() const { return Item(mainview::kMailList); }
  HWND TabStrip() const { return Item(mainview::kTabControl1); }
  HWND Bar() const { return Item(mainview::kToolBar8); }
  HWND Edit() const {
    COMBOBOXINFO info = {};
    info.cbSize = sizeof(info);
    GetComboBoxInfo(Item(mainview::kComboBox1), &info);
    return info.hwndItem;
  }

  void Type(std::wstring_view text) {
    for (wchar_t c : text) SendMessageW(Edit(), WM_CHAR, c, 1);
  }
  void PressEnter() { SendMessageW(Edit(), WM_CHAR, VK_RETURN, 1); }
  void Search(std::wstring_view text) {
    SendMessageW(Edit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    Type(text);
    PressEnter();
  }
  void ChooseField(int index) { Choose(mainview::kComboBox2, index); }
  // 0 このフォルダ, 1 このメールボックス, 2 すべてのメールボックス.
  void ChooseScope(int index) { Choose(mainview::kScopeBox, index); }
  void Choose(int combo_id, int index) {
    HWND combo = Item(combo_id);
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(form_, WM_COMMAND, MAKEWPARAM(combo_id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  }
  void Click(int button) {
    SendMessageW(form_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Bar()));
  }
  bool Enabled(int button) const { return SendMessageW(Bar(), TB_ISBUTTONENABLED, button, 0) != 0; }
  void Command(int menu_item) { SendMessageW(form_, WM_COMMAND, MAKEWPARAM(menu_item, 0), 0); }
  void ChooseTab(int index) {
    SendMessageW(TabStrip(), TCM_SETCURSEL, index, 0);
    NMHDR header = {TabStrip(), static_cast<UINT_PTR>(mainview::kTabControl1),
                    static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(form_, WM_NOTIFY, mainview::kTabControl1, reinterpret_cast<LPARAM>(&header));
  }
  void HeaderClick(int column) {
    NMLISTVIEW click = {};
    click.hdr = {List(), static_cast<UINT_PTR>(mainview::kMailList),
                 static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(form_, WM_NOTIFY, mainview::kMailList, reinterpret_cast<LPARAM>(&click));
  }
  void KeyToList(UINT key) {
    SendMessageW(List(), WM_KEYDOWN, key, 1);
    SendMessageW(List(), WM_KEYUP, key, 0xC0000001);
  }

  // The keyboard as the user has it: whatever window has the focus gets what is typed.
  void TypeText(std::wstring_view text) {
    for (wchar_t c : text) SendMessageW(GetFocus(), WM_CHAR, c, 1);
  }
  // Typed one key after another through the thread's queue, each handled before the next comes
  // (and with it what each one set going).
  void TypeKeys(std::wstring_view text) {
    for (wchar_t c : text) {
      PostMessageW(GetFocus(), WM_CHAR, c, 1);
      PumpMessages();
    }
  }
  // A key pressed and released where the focus is, through the thread's queue as the keyboard
  // sends it, so that the loop translates it (Enter and Tab then come as characters too).
  void PressKey(UINT key, bool shift = false, bool ctrl = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    const BYTE shift_was = state[VK_SHIFT];
    const BYTE ctrl_was = state[VK_CONTROL];
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    PostKey(GetFocus(), key);
    PumpMessages();
    state[VK_SHIFT] = shift_was;
    state[VK_CONTROL] = ctrl_was;
    SetKeyboardState(state);
  }
  // A key's press and release as the keyboard posts them.
  static void PostKey(HWND to, UINT key) {
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(to, WM_KEYDOWN, key, 1 | scan);
    PostMessageW(to, WM_KEYUP, key, 1 | scan | 0xC0000000);
  }
  // Whether the keyboard is in control (the control itself or a window inside it).
  static bool HasFocus(HWND control) {
    HWND focus = GetFocus();
    return focus && (focus == control || IsChild(control, focus));
  }
  // A mouse click as the mouse sends it, at a point of the window's client area.
  void ClickAt(HWND window, POINT p, bool right = false, bool twice = false) {
    const LPARAM at = MAKELPARAM(p.x, p.y);
    const UINT down = right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    const UINT up = right ? WM_RBUTTONUP : WM_LBUTTONUP;
    const WPARAM held = right ? MK_RBUTTON : MK_LBUTTON;
    PostMessageW(window, down, held, at);
    PostMessageW(window, up, 0, at);
    if (twice) {
      PostMessageW(window, right ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK, held, at);
      PostMessageW(window, up, 0, at);
    }
    PumpMessages();
  }
  // The middle of a row of the result list, in its client pixels.
  POINT RowPoint(int row) const {
    RECT r = {};
    r.left = LVIR_LABEL;
    SendMessageW(List(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  int SelectedRow() const {
    return static_cast<int>(SendMessageW(List(), LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  }

  std::wstring TextOf(HWND window) const {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
  }
  std::wstring Counter() const { return TextOf(Item(mainview::kLabel1)); }
  std::wstring SearchText() const { return TextOf(Item(mainview::kComboBox1)); }
  std::vector<std::wstring> ComboItems(int id) const {
    std::vector<std::wstring> items;
    HWND combo = Item(id);
    const int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      std::wstring text(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
      text.resize(SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data())));
      items.push_back(text);
    }
    return items;
  }
  int ComboSelection(int id) const {
    return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
  }
  int RowCount() const { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
  std::wstring Cell(int row, int column) const {
    wchar_t text[1024] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 1024;
    SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  std::vector<std::wstring> Column(int column) const {
    std::vector<std::wstring> cells;
    for (int row = 0; row < RowCount(); ++row) cells.push_back(Cell(row, column));
    return cells;
  }
  int RowIcon(int row) const {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = -7;
    SendMessageW(List(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
  }
  std::vector<std::wstring> Tabs() const {
    std::vector<std::wstring> tabs;
    const int n = static_cast<int>(SendMessageW(TabStrip(), TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
      wchar_t text[512] = {};
      TCITEMW item = {};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = 512;
      SendMessageW(TabStrip(), TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
      tabs.push_back(text);
    }
    return tabs;
  }
  int CurrentTab() const { return static_cast<int>(SendMessageW(TabStrip(), TCM_GETCURSEL, 0, 0)); }
  bool Visible() const { return IsWindowVisible(form_) != FALSE; }
  // The DPI the plug-in's window is drawn at, found as the plug-in finds it (this program does
  // not link the plug-in's code).
  int Dpi() const {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    auto get = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get && get(form_) > 0) return static_cast<int>(get(form_));
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
  }
  // A designed size (pixels at 96 dpi) at the window's DPI, as the plug-in scales it.
  int Scaled(int designed) const { return MulDiv(designed, Dpi(), 96); }

  // Opens the context menu over the tab strip as a right-click does and reads the state of
  // every item while it is open (MF_GRAYED, MF_CHECKED); then closes it without choosing.
  std::map<int, UINT> ContextMenuStates() {
    return MenuOpenedBy([this] {
      RECT r;
      GetWindowRect(TabStrip(), &r);
      SendMessageW(form_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(TabStrip()),
                   MAKELPARAM(r.left + 10, r.bottom - 5));
    });
  }
  // The items of the search window's menu in the menu that action opens (none when it opens
  // another menu); *opened tells whether a menu opened at all. The menu is closed unchosen.
  std::map<int, UINT> MenuOpenedBy(const std::function<void()>& action, bool* opened = nullptr) {
    std::map<int, UINT> found;
    MenuStates() = &found;
    MenuSeen() = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &ReadOpenMenu);
    action();
    // The menu posts nothing when closed without a choice; drain what it may have left.
    PumpMessages();
    KillTimer(nullptr, timer);
    if (opened) *opened = MenuSeen();
    return found;
  }

  // Opens a menu by action and chooses item in it with the keyboard, as a user does: Down to
  // it, then Enter. The command it sends has reached the window when this returns.
  void ChooseFromMenuOpenedBy(const std::function<void()>& action, int item) {
    MenuChoice() = item;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &ChooseInOpenMenu);
    action();
    PumpMessages();
    KillTimer(nullptr, timer);
  }

  // Answers the search properties dialog as the user would, once it shows: the dialog is
  // modal, so a timer, dispatched by the dialog's own loop, finds it and runs answer on it.
  void WhenPropertiesShow(std::function<void(HWND dialog)> answer) {
    PropertiesAnswer() = std::move(answer);
    SetTimer(nullptr, 0, 50, &AnswerProperties);
  }

  // The text of every message box of this thread from now on; each is answered with OK.
  std::vector<std::wstring>* WatchMessageBoxes() {
    BoxTexts().clear();
    if (!box_timer_) box_timer_ = SetTimer(nullptr, 0, 50, &AnswerMessageBoxes);
    return &BoxTexts();
  }

  // Runs action when the message posted now is dispatched: in the middle of the next long run,
  // which lets posted messages through while it reads.
  void DuringRun(std::function<void()> action) {
    std::vector<std::function<void()>>& actions = Actions();
    if (!action_window_) {
      WNDCLASSW wc = {};
      wc.lpfnWndProc = &ActionProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"ZeldriumTestActions";
      RegisterClassW(&wc);
      actions.clear();
      action_window_ = CreateWindowW(L"ZeldriumTestActions", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    actions.push_back(std::move(action));
    PostMessageW(action_window_, WM_APP, 0, 0);
  }

  // Runs action in the middle of the next run however it is set going, also by a key whose
  // search waits in the queue behind it: until a run reads, the action goes to the end of the
  // queue again (a few hundred times at most).
  void WhenARunReads(std::function<void()> action) {
    auto wait = std::make_shared<std::function<void()>>();
    auto tries = std::make_shared<int>(0);
    *wait = [this, wait, tries, action] {
      if (Enabled(mainview::kStopBtn)) {
        action();
      } else if (++*tries < 500) {
        DuringRun(*wait);
      }
    };
    DuringRun(*wait);
  }

  testutil::TempDir store_;
  HWND form_ = nullptr;

 private:
  static std::map<int, UINT>*& MenuStates() {
    static std::map<int, UINT>* states = nullptr;
    return states;
  }
  static bool& MenuSeen() {
    static bool seen = false;
    return seen;
  }
  // The menu window of this thread: other programs' menus may be open at the same time.
  static BOOL CALLBACK FindMenuWindow(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (lstrcmpW(name, L"#32768") == 0 && IsWindowVisible(window)) {
      *reinterpret_cast<HWND*>(found) = window;
    }
    return TRUE;
  }
  // The menu open on this thread, or null.
  static HMENU OpenMenu() {
    HWND menu_window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindMenuWindow,
                      reinterpret_cast<LPARAM>(&menu_window));
    if (!menu_window) return nullptr;
    return reinterpret_cast<HMENU>(SendMessageW(menu_window, MN_GETHMENU, 0, 0));
  }
  static VOID CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
    HMENU menu = OpenMenu();
    if (!menu) return;  // not open yet
    KillTimer(nullptr, id);
    MenuSeen() = true;
    for (int item = mainview::kN4; item <= mainview::kCopyResults; ++item) {
      const UINT state = GetMenuState(menu, item, MF_BYCOMMAND);
      if (state != static_cast<UINT>(-1)) (*MenuStates())[item] = state;
    }
    EndMenu();
  }
  static int& MenuChoice() {
    static int item = 0;
    return item;
  }
  // Down once for every item up to the chosen one (the keys pass over separators only), then
  // Enter, where the keyboard is.
  static VOID CALLBACK ChooseInOpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
    HMENU menu = OpenMenu();
    if (!menu) return;
    KillTimer(nullptr, id);
    std::vector<UINT> keys;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      if (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) continue;
      keys.push_back(VK_DOWN);
      if (static_cast<int>(GetMenuItemID(menu, i)) == MenuChoice()) break;
    }
    keys.push_back(VK_RETURN);
    for (UINT key : keys) PostKey(GetFocus(), key);
  }
  static std::function<void(HWND)>& PropertiesAnswer() {
    static std::function<void(HWND)> answer;
    return answer;
  }
  static BOOL CALLBACK FindPropertiesDialog(HWND window, LPARAM found) {
    // The name field of the properties dialog: TPropForm::kQueryText.
    if (IsWindowVisible(window) && GetDlgItem(window, 201))
      *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
  }
  static VOID CALLBACK AnswerProperties(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindPropertiesDialog,
                      reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    KillTimer(nullptr, id);
    PropertiesAnswer()(dialog);
  }
  static std::vector<std::wstring>& BoxTexts() {
    static std::vector<std::wstring> texts;
    return texts;
  }
  static BOOL CALLBACK AnswerMessageBox(HWND window, LPARAM) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    wchar_t text[1024] = {};
    GetDlgItemTextW(window, 0xFFFF, text, 1024);
    BoxTexts().push_back(text);
    EndDialog(window, IDOK);
    return TRUE;
  }
  static VOID CALLBACK AnswerMessageBoxes(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), &AnswerMessageBox, 0);
  }
  static std::vector<std::function<void()>>& Actions() {
    static std::vector<std::function<void()>> actions;
    return actions;
  }
  static LRESULT CALLBACK ActionProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP && !Actions().empty()) {
      std::function<void()> next = std::move(Actions().front());
      Actions().erase(Actions().begin());
      next();
      return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }

  HWND action_window_ = nullptr;
  UINT_PTR box_timer_ = 0;
};

#endif  // ZELDRIUM_TESTS_WINDOW_DRIVER_H_
