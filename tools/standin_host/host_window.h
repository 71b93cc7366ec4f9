#ifndef ZELDRIUM_TOOLS_STANDIN_HOST_HOST_WINDOW_H_
#define ZELDRIUM_TOOLS_STANDIN_HOST_HOST_WINDOW_H_

// The stand-in host's main window, laid out as a mail client's: a menu bar of six drop-down menus
// (the plug-ins put their main-menu items into the fifth, ツール), a folder tree, a mail list and
// a mail view. It shows what the host library (host_api.h) holds and follows it when a plug-in
// changes it; the context menus of the tree and the list are built afresh each time they open
// and handed to the plug-ins first, as a mail client does.

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tools/standin_host/host_api.h"

namespace standin {

// The menu types of BKC_OnMenuInit.
enum class MenuType { kMain = 0, kMailList = 1, kFolderTree = 2 };

// The host's own commands; the plug-ins' IDs start at kFirstCommandId, above all of these.
enum HostCommandId : UINT {
  kCmdExit = 100,
  kCmdCopySubject,
  kCmdRefresh,
  kCmdPrevMail,
  kCmdNextMail,
  kCmdOpenFolder,
  kCmdAbout,
  kCmdSetupFirst = 200,  // + the plug-in's index
  kCmdSetupLast = 299,
};

// Whether two folder or mail IDs (code page 932) name the same thing: they name files, so the
// letter case of their ASCII part does not tell them apart; double-byte characters are compared
// whole.
bool SameId(std::string_view a, std::string_view b);

class HostWindow {
 public:
  // REQUIRES: plugins outlives the window; it may still be empty when the window is created.
  explicit HostWindow(std::vector<std::unique_ptr<Plugin>>* plugins);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // Creates the window hidden and tells the host library its handles. False with *err.
  bool Create(std::string* err);

  HWND hwnd() const { return hwnd_; }
  HWND tree() const { return tree_; }
  HWND list() const { return list_; }
  HMENU menu_bar() const { return GetMenu(hwnd_); }

  // Once the plug-ins are loaded and started: their setup items and BKC_OnMenuInit of the main
  // menu, then the folder tree.
  void AttachPlugins();
  // Reads the store again into the tree and keeps the current folder.
  void FillTree();

  // As the user clicking a folder or a mail: false (and nothing changes) when it does not exist.
  bool ShowFolder(const std::string& folder_id);
  bool ShowMail(const std::string& mail_id);

  const std::vector<FolderEntry>& folders() const { return folders_; }
  const std::vector<MailEntry>& mails() const { return mails_; }

  // A context menu as it is about to open: the host's items, then the plug-ins' (BKC_OnMenuInit).
  // The caller destroys it.
  HMENU BuildContextMenu(MenuType type);

  // Carries out a menu command as choosing its item does. False for an ID nobody handles.
  bool RunCommand(UINT id);
  // BKC_OnPlugInSetup of a loaded plug-in, with this window as its parent.
  int RunSetup(size_t index);

  // As a mail client ends: BKC_OnExit of every plug-in, then the window goes. The plug-ins stay
  // loaded: their owner unloads them.
  void Close();

  // Told of every change of folder or mail, made by the user or by a plug-in.
  std::function<void(const std::wstring&)> on_event;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void OnCreate();
  void OnSize(int width, int height);
  LRESULT OnNotify(const NMHDR* header);
  void OnContextMenu(HWND from, POINT at);
  void OnCommand(UINT id);
  void OnTimer();
  void OnDestroy();

  void OnTreeSelChanged(const NMTREEVIEWW* info);
  void OnListItemChanged(const NMLISTVIEW* info);
  void OnListGetDispInfo(NMLVDISPINFOW* info);

  void FolderOpened(const std::string& folder_id);
  void MailSelected(const std::string& mail_id);
  // Brings tree, list, view, status bar and title in line with the host library's state.
  void SyncToHost();
  void StepMail(int delta);
  void CopySubject();
  void ShowAbout();
  void Event(const std::wstring& text);

  std::vector<std::unique_ptr<Plugin>>* plugins_;
  HWND hwnd_ = nullptr, tree_ = nullptr, list_ = nullptr, view_ = nullptr, status_ = nullptr;
  HFONT font_ = nullptr;
  std::vector<FolderEntry> folders_;
  std::vector<HTREEITEM> tree_items_;  // parallel to folders_
  std::string shown_folder_;           // the folder whose mails mails_ holds
  std::vector<MailEntry> mails_;
  std::wstring cell_;     // the text handed out by the last LVN_GETDISPINFO
  bool syncing_ = false;  // set while the controls are set from the host's state
  UINT_PTR minute_timer_ = 0;
};

}  // namespace standin

#endif  // ZELDRIUM_TOOLS_STANDIN_HOST_HOST_WINDOW_H_
