#include "tools/standin_host/host_window.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace standin {
namespace {

constexpr wchar_t kClassName[] = L"ZeldriumStandInHost";
constexpr int kTreeId = 1, kListId = 2, kViewId = 3, kStatusId = 4;
constexpr int kTreeWidth = 240, kViewHeight = 110, kGap = 4;
constexpr UINT_PTR kMinuteTimer = 1;

// Code page 932 texts of the host's own menus and controls.
constexpr char kTitle[] =
    "Zeldrium \x91\xe3\x91\xd6\x83\x7a\x83\x58\x83\x67";  // Zeldrium 代替ホスト
constexpr char kMenuFile[] =
    "\x83\x74\x83\x40\x83\x43\x83\x8b"
    "(&F)";  // ファイル(&F)
constexpr char kMenuEdit[] =
    "\x95\xd2\x8f\x57"
    "(&E)";  // 編集(&E)
constexpr char kMenuView[] =
    "\x95\x5c\x8e\xa6"
    "(&V)";  // 表示(&V)
constexpr char kMenuMail[] =
    "\x83\x81\x81\x5b\x83\x8b"
    "(&M)";  // メール(&M)
constexpr char kMenuTools[] =
    "\x83\x63\x81\x5b\x83\x8b"
    "(&T)";  // ツール(&T)
constexpr char kMenuHelp[] =
    "\x83\x77\x83\x8b\x83\x76"
    "(&H)";  // ヘルプ(&H)
constexpr char kItemExit[] =
    "\x8f\x49\x97\xb9"
    "(&X)";  // 終了(&X)
constexpr char kItemCopySubject[] =
    "\x8c\x8f\x96\xbc\x82\xf0\x83\x52\x83\x73\x81\x5b"
    "(&C)";  // 件名をコピー(&C)
constexpr char kItemRefresh[] =
    "\x8d\xc5\x90\x56\x82\xcc\x8f\xee\x95\xf1\x82\xc9\x8d\x58\x90\x56"
    "(&R)";  // 最新の情報に更新(&R)
constexpr char kItemPrevMail[] =
    "\x91\x4f\x82\xcc\x83\x81\x81\x5b\x83\x8b"
    "(&P)";  // 前のメール(&P)
constexpr char kItemNextMail[] =
    "\x8e\x9f\x82\xcc\x83\x81\x81\x5b\x83\x8b"
    "(&N)";  // 次のメール(&N)
constexpr char kItemSetupSuffix[] =
    " \x82\xcc\x90\xdd\x92\xe8"
    "(&S)...";  // " の設定(&S)..."
constexpr char kItemAbout[] =
    "\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93\x8f\xee\x95\xf1"
    "(&A)...";  // バージョン情報(&A)...
// プラグインがありません
constexpr char kItemNoPlugin[] =
    "\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93\x82\xaa\x82\xa0\x82\xe8\x82\xdc\x82\xb9\x82\xf1";
constexpr char kItemOpen[] =
    "\x8a\x4a\x82\xad"
    "(&O)";                                              // 開く(&O)
constexpr char kColSubject[] = "\x8c\x8f\x96\xbc";       // 件名
constexpr char kColFrom[] = "\x8d\xb7\x8f\x6f\x90\x6c";  // 差出人
constexpr char kColDate[] = "\x93\xfa\x95\x74";          // 日付
constexpr char kLabelTo[] = "\x88\xb6\x90\xe6";          // 宛先
constexpr char kMailsSuffix[] = " \x92\xca";             // " 通"
// 読み込んだプラグイン
constexpr char kLabelPlugins[] =
    "\x93\xc7\x82\xdd\x8d\x9e\x82\xf1\x82\xbe\x83\x76\x83\x89\x83\x4f\x83\x43\x83\x93";

std::wstring W(std::string_view cp932) { return WideFrom932(cp932); }

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::wstring FormatDate(uint32_t unix_seconds) {
  ULARGE_INTEGER t;
  t.QuadPart = (unix_seconds + 11644473600ULL) * 10000000ULL;
  FILETIME file_time = {t.LowPart, t.HighPart};
  SYSTEMTIME utc, local;
  FileTimeToSystemTime(&file_time, &utc);
  if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  wchar_t text[32];
  swprintf(text, 32, L"%04u/%02u/%02u %02u:%02u", local.wYear, local.wMonth, local.wDay,
           local.wHour, local.wMinute);
  return text;
}

void AddItem(HMENU menu, UINT id, const char* caption) {
  AppendMenuW(menu, MF_STRING, id, W(caption).c_str());
}

HMENU AddDropdown(HMENU bar, const char* caption) {
  HMENU menu = CreatePopupMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), W(caption).c_str());
  return menu;
}

HMENU BuildMenuBar() {
  HMENU bar = CreateMenu();
  AddItem(AddDropdown(bar, kMenuFile), kCmdExit, kItemExit);
  AddItem(AddDropdown(bar, kMenuEdit), kCmdCopySubject, kItemCopySubject);
  AddItem(AddDropdown(bar, kMenuView), kCmdRefresh, kItemRefresh);
  HMENU mail = AddDropdown(bar, kMenuMail);
  AddItem(mail, kCmdPrevMail, kItemPrevMail);
  AddItem(mail, kCmdNextMail, kItemNextMail);
  AddDropdown(bar, kMenuTools);  // filled when the plug-ins are known
  AddItem(AddDropdown(bar, kMenuHelp), kCmdAbout, kItemAbout);
  return bar;
}

std::wstring MenuTypeName(MenuType type) {
  switch (type) {
    case MenuType::kMain:
      return L"main menu, type 0";
    case MenuType::kMailList:
      return L"mail list menu, type 1";
    case MenuType::kFolderTree:
      return L"folder tree menu, type 2";
  }
  return L"?";
}

// Restores a flag when a scope ends, also by an early return.
class FlagScope {
 public:
  explicit FlagScope(bool* flag) : flag_(flag), old_(*flag) { *flag = true; }
  ~FlagScope() { *flag_ = old_; }

 private:
  bool* flag_;
  bool old_;
};

}  // namespace

bool SameId(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (IsLead(x) && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

HostWindow::HostWindow(std::vector<std::unique_ptr<Plugin>>* plugins) : plugins_(plugins) {}

HostWindow::~HostWindow() {
  if (hwnd_) DestroyWindow(hwnd_);
}

bool HostWindow::Create(std::string* err) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (!GetClassInfoExW(instance, kClassName, &wc)) {
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) {
      *err = "cannot register the main window's class";
      return false;
    }
  }
  HMENU bar = BuildMenuBar();
  if (!CreateWindowExW(0, kClassName, W(kTitle).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20,
                       20, 1100, 760, nullptr, bar, instance, this)) {
    DestroyMenu(bar);
    *err = "cannot create the main window";
    return false;
  }
  // A window created hidden need not have had its WM_SIZE yet (Wine sends none), and the tree
  // scrolls to its selection by the size it has.
  RECT client;
  GetClientRect(hwnd_, &client);
  OnSize(client.right, client.bottom);
  SetWindowHandles(hwnd_, tree_, list_, view_);
  SetHostEvents({[this](const std::string& id) { FolderOpened(id); },
                 [this](const std::string& id) { MailSelected(id); }});
  return true;
}

void HostWindow::AttachPlugins() {
  HMENU tools = GetSubMenu(menu_bar(), 4);
  for (size_t i = 0; i < plugins_->size() && kCmdSetupFirst + i <= kCmdSetupLast; ++i) {
    PluginInfo info;
    (*plugins_)[i]->GetInfo(&info);
    std::wstring name = info.name.empty() ? (*plugins_)[i]->path() : W(info.name);
    AppendMenuW(tools, MF_STRING, kCmdSetupFirst + i, (name + W(kItemSetupSuffix)).c_str());
  }
  if (plugins_->empty()) AppendMenuW(tools, MF_STRING | MF_GRAYED, 0, W(kItemNoPlugin).c_str());
  for (auto& plugin : *plugins_) {
    int result = plugin->OnMenuInit(hwnd_, menu_bar(), static_cast<int>(MenuType::kMain));
    Event(L"BKC_OnMenuInit(" + MenuTypeName(MenuType::kMain) + L") returned " +
          std::to_wstring(result));
  }
  DrawMenuBar(hwnd_);
}

void HostWindow::FillTree() {
  FlagScope syncing(&syncing_);
  TreeView_DeleteAllItems(tree_);
  folders_ = ListFolders();
  tree_items_.clear();
  std::vector<HTREEITEM> parents;  // the last item of each depth
  for (size_t i = 0; i < folders_.size(); ++i) {
    const FolderEntry& folder = folders_[i];
    std::wstring text = W(folder.display_name);
    TVINSERTSTRUCTW insert = {};
    size_t depth = static_cast<size_t>(std::max(folder.depth, 0));
    insert.hParent = depth > 0 && depth <= parents.size() ? parents[depth - 1] : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = text.data();
    insert.item.lParam = static_cast<LPARAM>(i);
    HTREEITEM item = TreeView_InsertItem(tree_, &insert);
    tree_items_.push_back(item);
    parents.resize(depth);
    parents.push_back(item);
  }
  for (HTREEITEM item : tree_items_) TreeView_Expand(tree_, item, TVE_EXPAND);
  shown_folder_.clear();  // the folder's mails may have changed on disk too
  SyncToHost();
}

bool HostWindow::ShowFolder(const std::string& folder_id) {
  if (!OpenFolder(folder_id)) return false;
  SyncToHost();
  return true;
}

bool HostWindow::ShowMail(const std::string& mail_id) {
  bool found = SelectMail(mail_id) && !CurrentMail().empty();
  SyncToHost();
  return found;
}

HMENU HostWindow::BuildContextMenu(MenuType type) {
  HMENU menu = CreatePopupMenu();
  if (type == MenuType::kMailList) {
    AddItem(menu, kCmdPrevMail, kItemPrevMail);
    AddItem(menu, kCmdNextMail, kItemNextMail);
    AddItem(menu, kCmdCopySubject, kItemCopySubject);
  } else {
    AddItem(menu, kCmdOpenFolder, kItemOpen);
    AddItem(menu, kCmdRefresh, kItemRefresh);
  }
  for (auto& plugin : *plugins_) {
    int result = plugin->OnMenuInit(hwnd_, menu, static_cast<int>(type));
    Event(L"BKC_OnMenuInit(" + MenuTypeName(type) + L") returned " + std::to_wstring(result));
  }
  return menu;
}

bool HostWindow::RunCommand(UINT id) {
  if (id >= kFirstCommandId) return InvokeCommand(id);
  if (id >= kCmdSetupFirst && id <= kCmdSetupLast) {
    if (id - kCmdSetupFirst >= plugins_->size()) return false;
    RunSetup(id - kCmdSetupFirst);
    return true;
  }
  switch (id) {
    case kCmdExit:
      Close();
      return true;
    case kCmdCopySubject:
      CopySubject();
      return true;
    case kCmdRefresh:
      FillTree();
      return true;
    case kCmdPrevMail:
      StepMail(-1);
      return true;
    case kCmdNextMail:
      StepMail(+1);
      return true;
    case kCmdOpenFolder:
      ShowFolder(CurrentFolder());
      return true;
    case kCmdAbout:
      ShowAbout();
      return true;
  }
  return false;
}

int HostWindow::RunSetup(size_t index) {
  if (index >= plugins_->size()) return 0;
  int result = (*plugins_)[index]->OnPlugInSetup(hwnd_);
  Event(L"BKC_OnPlugInSetup returned " + std::to_wstring(result));
  return result;
}

void HostWindow::Close() {
  if (!hwnd_) return;
  for (auto& plugin : *plugins_) {
    int result = plugin->OnExit();
    Event(L"BKC_OnExit returned " + std::to_wstring(result));
  }
  DestroyWindow(hwnd_);
}

LRESULT CALLBACK HostWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  HostWindow* self;
  if (message == WM_NCCREATE) {
    self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, message, wparam, lparam);
  // No exception may unwind into the system's dispatcher.
  try {
    return self->HandleMessage(message, wparam, lparam);
  } catch (...) {
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

LRESULT HostWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  HWND hwnd = hwnd_;
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      OnSize(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<const NMHDR*>(lparam));
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wparam), {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return 0;
    // Only menus: a control's notification carries its own handle.
    case WM_COMMAND:
      if (lparam == 0) OnCommand(LOWORD(wparam));
      return 0;
    case WM_TIMER:
      if (wparam == kMinuteTimer) OnTimer();
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void HostWindow::OnCreate() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  auto child = [&](DWORD ex_style, const wchar_t* cls, DWORD style, int id) {
    HWND w = CreateWindowExW(ex_style, cls, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return w;
  };
  tree_ = child(WS_EX_CLIENTEDGE, WC_TREEVIEWW,
                TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                    TVS_NOHSCROLL | WS_TABSTOP,
                kTreeId);
  list_ =
      child(WS_EX_CLIENTEDGE, WC_LISTVIEWW,
            LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, kListId);
  view_ = child(WS_EX_CLIENTEDGE, WC_EDITW,
                ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, kViewId);
  status_ = child(0, STATUSCLASSNAMEW, SBARS_SIZEGRIP, kStatusId);
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
  struct Column {
    const char* caption;
    int width;
  };
  const Column columns[] = {{kColSubject, 420}, {kColFrom, 260}, {kColDate, 130}};
  for (int i = 0; i < 3; ++i) {
    std::wstring caption = W(columns[i].caption);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = caption.data();
    column.cx = columns[i].width;
    ListView_InsertColumn(list_, i, &column);
  }
  minute_timer_ = SetTimer(hwnd_, kMinuteTimer, 60 * 1000, nullptr);
}

void HostWindow::OnSize(int width, int height) {
  SendMessageW(status_, WM_SIZE, 0, 0);
  RECT status;
  GetWindowRect(status_, &status);
  int bottom = height - (status.bottom - status.top);
  int right_x = kTreeWidth + kGap;
  int list_height = std::max(bottom - kViewHeight - kGap, 0);
  MoveWindow(tree_, 0, 0, kTreeWidth, std::max(bottom, 0), TRUE);
  MoveWindow(list_, right_x, 0, std::max(width - right_x, 0), list_height, TRUE);
  MoveWindow(view_, right_x, list_height + kGap, std::max(width - right_x, 0), kViewHeight, TRUE);
}

LRESULT HostWindow::OnNotify(const NMHDR* header) {
  if (header->hwndFrom == tree_ && header->code == TVN_SELCHANGEDW) {
    OnTreeSelChanged(reinterpret_cast<const NMTREEVIEWW*>(header));
  } else if (header->hwndFrom == list_ && header->code == LVN_ITEMCHANGED) {
    OnListItemChanged(reinterpret_cast<const NMLISTVIEW*>(header));
  } else if (header->hwndFrom == list_ && header->code == LVN_GETDISPINFOW) {
    OnListGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header)));
  }
  return 0;
}

void HostWindow::OnContextMenu(HWND from, POINT at) {
  MenuType type;
  if (from == list_) {
    type = MenuType::kMailList;
  } else if (from == tree_) {
    type = MenuType::kFolderTree;
    // A right click opens the folder under the pointer first, as the menu is about that folder.
    TVHITTESTINFO hit = {};
    hit.pt = at;
    ScreenToClient(tree_, &hit.pt);
    HTREEITEM item = TreeView_HitTest(tree_, &hit);
    if (item && (hit.flags & TVHT_ONITEM)) TreeView_SelectItem(tree_, item);
  } else {
    return;
  }
  if (at.x == -1 && at.y == -1) {  // from the keyboard
    RECT r;
    GetWindowRect(from, &r);
    at = {r.left + 8, r.top + 8};
  }
  HMENU menu = BuildContextMenu(type);
  UINT id = TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, hwnd_, nullptr);
  DestroyMenu(menu);
  if (id != 0) RunCommand(id);
}

void HostWindow::OnCommand(UINT id) { RunCommand(id); }

void HostWindow::OnTimer() {
  for (auto& plugin : *plugins_) plugin->OnEveryMinute();
}

void HostWindow::OnDestroy() {
  if (minute_timer_) KillTimer(hwnd_, kMinuteTimer);
  SetHostEvents({});
  SetWindowHandles(nullptr, nullptr, nullptr, nullptr);
  PostQuitMessage(0);
}

void HostWindow::OnTreeSelChanged(const NMTREEVIEWW* info) {
  if (syncing_ || !info->itemNew.hItem) return;
  size_t index = static_cast<size_t>(info->itemNew.lParam);
  if (index < folders_.size()) ShowFolder(folders_[index].id);
}

void HostWindow::OnListItemChanged(const NMLISTVIEW* info) {
  if (syncing_ || !(info->uChanged & LVIF_STATE)) return;
  bool now_selected = (info->uNewState & LVIS_SELECTED) && !(info->uOldState & LVIS_SELECTED);
  if (now_selected && info->iItem >= 0 && static_cast<size_t>(info->iItem) < mails_.size()) {
    ShowMail(mails_[info->iItem].mail_id);
  }
}

void HostWindow::OnListGetDispInfo(NMLVDISPINFOW* info) {
  LVITEMW& item = info->item;
  if (!(item.mask & LVIF_TEXT) || item.iItem < 0 ||
      static_cast<size_t>(item.iItem) >= mails_.size() || item.cchTextMax <= 0) {
    return;
  }
  const MailEntry& mail = mails_[item.iItem];
  switch (item.iSubItem) {
    case 0:
      cell_ = W(mail.subject);
      break;
    case 1:
      cell_ = W(mail.from);
      break;
    default:
      cell_ = FormatDate(mail.date);
      break;
  }
  lstrcpynW(item.pszText, cell_.c_str(), item.cchTextMax);
}

void HostWindow::FolderOpened(const std::string& folder_id) {
  Event(L"folder opened: " + W(folder_id));
  SyncToHost();
}

void HostWindow::MailSelected(const std::string& mail_id) {
  Event(L"mail selected: " + (mail_id.empty() ? std::wstring(L"(none)") : W(mail_id)));
  SyncToHost();
  if (mail_id.empty()) return;
  for (auto& plugin : *plugins_) plugin->OnOpenMail(mail_id.c_str());
}

void HostWindow::SyncToHost() {
  if (!hwnd_) return;
  FlagScope syncing(&syncing_);
  std::string folder = CurrentFolder();
  if (folder.empty() || !SameId(folder, shown_folder_)) {
    shown_folder_ = folder;
    mails_ = folder.empty() ? std::vector<MailEntry>() : ListMails(folder);
    ListView_SetItemCountEx(list_, static_cast<int>(mails_.size()), 0);
    InvalidateRect(list_, nullptr, TRUE);
  }

  HTREEITEM tree_item = nullptr;
  std::wstring folder_name;
  for (size_t i = 0; i < folders_.size(); ++i) {
    if (SameId(folders_[i].id, folder)) {
      tree_item = tree_items_[i];
      folder_name = W(folders_[i].display_name);
    }
  }
  if (TreeView_GetSelection(tree_) != tree_item) {
    TreeView_SelectItem(tree_, tree_item);
    // Selecting may scroll the item to the top (Wine does); the folder is shown below its
    // mailbox instead, as far as the tree's height allows.
    if (tree_item) {
      HTREEITEM root = tree_item;
      while (HTREEITEM parent = TreeView_GetParent(tree_, root)) root = parent;
      TreeView_SelectSetFirstVisible(tree_, root);
      TreeView_EnsureVisible(tree_, tree_item);
    }
  }

  std::string mail_id = CurrentMail();
  int row = -1;
  for (size_t i = 0; i < mails_.size() && !mail_id.empty(); ++i) {
    if (SameId(mails_[i].mail_id, mail_id)) row = static_cast<int>(i);
  }
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  std::wstring view;
  if (row >= 0) {
    ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, row, FALSE);
    const MailEntry& mail = mails_[row];
    view = W(kColFrom) + L": " + W(mail.from) + L"\r\n" + W(kLabelTo) + L": " + W(mail.to) +
           L"\r\n" + W(kColSubject) + L": " + W(mail.subject) + L"\r\n" + W(kColDate) + L": " +
           FormatDate(mail.date) + L"\r\n" + W(mail.mail_id);
  }
  SetWindowTextW(view_, view.c_str());

  std::wstring status = folder.empty() ? std::wstring()
                                       : (folder_name.empty() ? W(folder) : folder_name) + L"  " +
                                             std::to_wstring(mails_.size()) + W(kMailsSuffix) +
                                             L"  (" + W(folder) + L")";
  SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(status.c_str()));
  std::wstring title = W(kTitle);
  if (!folder_name.empty()) title = folder_name + L" - " + title;
  SetWindowTextW(hwnd_, title.c_str());
}

void HostWindow::StepMail(int delta) {
  if (mails_.empty()) return;
  std::string mail_id = CurrentMail();
  int row = -1;
  for (size_t i = 0; i < mails_.size(); ++i) {
    if (SameId(mails_[i].mail_id, mail_id)) row = static_cast<int>(i);
  }
  int next = row < 0 ? 0 : std::clamp(row + delta, 0, static_cast<int>(mails_.size()) - 1);
  ShowMail(mails_[next].mail_id);
}

void HostWindow::CopySubject() {
  std::string mail_id = CurrentMail();
  for (const MailEntry& mail : mails_) {
    if (!SameId(mail.mail_id, mail_id) || !OpenClipboard(hwnd_)) continue;
    std::wstring text = W(mail.subject);
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (memory) {
      std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
      GlobalUnlock(memory);
      if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
    return;
  }
}

void HostWindow::ShowAbout() {
  std::wstring text = W(kTitle) + L"\n\n" + W(kLabelPlugins) + L":\n";
  for (auto& plugin : *plugins_) {
    PluginInfo info;
    plugin->GetInfo(&info);
    text += L"\n" + W(info.name) + L" " + W(info.version) + L" (" + W(info.vendor) + L")\n" +
            W(info.description) + L"\n" + plugin->path() + L"\n";
  }
  MessageBoxW(hwnd_, text.c_str(), W(kTitle).c_str(), MB_OK | MB_ICONINFORMATION);
}

void HostWindow::Event(const std::wstring& text) {
  if (on_event) on_event(text);
}

}  // namespace standin
