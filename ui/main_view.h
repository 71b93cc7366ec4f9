#ifndef ZELDRIUM_UI_MAIN_VIEW_H_
#define ZELDRIUM_UI_MAIN_VIEW_H_

// The quick-search window: created hidden when the plug-in starts, shown and hidden any number of
// times, destroyed only when the plug-in unloads. Opened by the host's menu commands
// (ShowQuickSearch) and by a global hot key (ToggleWindow).
//
// The tab strip fills the window; on its page lie the tool bar with the search bar and the
// result list. Each tab is a saved condition of the settings' FindList, in the same order.
//
// Keyboard first: shown by the menu command or the hot key, the window puts the keyboard into
// the search text; after the sender search, into the result list. Tab and Shift+Tab go round
// the field selector, the search text, the date picker and the result list, and a window
// activated again gives the focus back to the control that had it.
//
// Every designed size is a size at 96 dpi, shown at the window's DPI (win32/dpi.h); the window
// follows WM_DPICHANGED when the host is per-monitor aware.
//
// The runs are the search controller's (ui/portable/search_controller.h), one at a time: a new
// search asked for during a run (a keystroke in the search text, Enter, a tab chosen, 再検索,
// タブ削除, 検索プロパティ, a host folder change) makes the running one give up, and whatever would
// change or delete a condition waits for the run's end. The window shows the runs as the
// controller's SearchView. Where the window stands is its placement's (main_view_placement.h).
//
// With 入力中に検索 on, every change the user makes to the search text is searched as a preview,
// which makes no tab and no history entry; Enter then makes the tab as before, without reading
// the store again when the preview already holds its rows. The window searches neither what it
// puts into the box itself nor what the input method is still composing. Esc stops a run; else,
// in the search text, it empties the text, and on an empty text closes the window.
//
// The class spreads over files that carry its name: main_view.cpp (the window as a whole),
// main_view_search.cpp (the search bar's commands and the runs as the window shows them),
// main_view_tab_menu.cpp (the tabs and their menu). Its parts have classes of their own: the tool
// bar (main_view_toolbar.h), the tab strip (main_view_tabs.h), the result list
// (result_list.h) and the cue over it (scope_cue.h).

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "query/find_class.h"
#include "settings/ini_params.h"
#include "store/file_system.h"
#include "ui/main_view_placement.h"
#include "ui/main_view_tabs.h"
#include "ui/main_view_toolbar.h"
#include "ui/portable/mail_host.h"
#include "ui/portable/search_controller.h"
#include "ui/result_list.h"
#include "ui/scope_cue.h"
#include "ui/search_platform.h"
#include "win32/dpi.h"
#include "win32/focus_cycle.h"
#include "win32/handles.h"
#include "win32/window.h"

class TMainForm : public win32::Window, private ui::SearchView {
 public:
  // REQUIRES: params, host and fs outlive the window.
  TMainForm(zeldrium::TInitParam& params, ui::MailHost& host, zeldrium::FileSystem& fs);
  ~TMainForm() override;

  // Creates the window hidden and without owner, applying the settings (FormCreate).
  bool Create();

  bool Visible() const { return hwnd() && placement_.Visible(); }
  // The bounds of the window in its normal state, screen pixels.
  void SetBounds(int left, int top, int width, int height) {
    placement_.SetBounds(left, top, width, height);
  }
  // Lays the window over the host's mail list (its window handle), when it names a window.
  void LayOver(HWND list) { placement_.LayOver(list); }

  // For a non-empty text: set up and run a quick search of From for it. Then show the window in
  // front, whatever the text: with the keyboard in the result list after a search, else in the
  // search text.
  void ShowQuickSearch(std::string_view text);
  // Runs the search of the current tab again; nothing without a current tab. During a run the
  // running search gives way and this one follows it.
  void RunSearch();
  // The host opened another folder while the window is visible: what the list shows is searched
  // again where the scope depends on the host's folder.
  void HostFolderChanged() { search_.HostFolderChanged(); }

  // Registers a stored shortcut value (virtual key | shift 0x2000 | ctrl 0x4000 | alt 0x8000) as
  // the window's global hot key. 0 registers nothing; a combination another program holds is
  // silently absent.
  void RegisterShowHotKey(int id, uint16_t shortcut);
  // Shows a hidden window, brings a covered one to the front, hides one already in front.
  void ToggleWindow();

  // (Re)makes the result list's font from the settings' ViewFont and applies it.
  void ApplyListFont();

  // The host is about to unload the library: the window hides, a running search gives way and
  // no other starts.
  void HostExiting();

  // At process exit the window may no longer be touched: hands the search-string list, kept in
  // memory, to the settings as FormDestroy would.
  void StoreHistoryForExit();

  // The library is unloaded on another thread than the window's, which cannot be destroyed from
  // there: hands the history to the settings, cuts the window and the edit's subclass loose from
  // this code and asks the window to close on its own thread. The object must then be left
  // alone (its controls still use what it owns).
  void Abandon();

  // Set while the window asks the host to display a hit, so the folder change that the host
  // reports meanwhile does not re-run the search.
  bool OpeningHit = false;

  // The entries of the search-string list, in list order (what FINDHISTORY stores).
  const std::vector<std::string>& History() const { return ToolBar8.History(); }
  // The DPI the window lays itself out for.
  int Dpi() const { return dpi_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  // main_view.cpp: the window as a whole.
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();
  void CreateControls();
  void MakeFonts();
  void Layout();
  // Layout, unless the page inside the tab strip is where it was: moving every control costs
  // tens of milliseconds under Wine, on every quick search.
  void LayoutIfPageMoved();
  void ToolBar1Resize();
  void OnCommand(int id, int code, HWND control);
  LRESULT OnNotify(const NMHDR* header);
  void OnContextMenu(HWND source, int x, int y);
  bool OnSetCursor();
  void OnActivate(bool active);
  void OnSetFocus();
  void OnDpiChanged(int dpi, const RECT* suggested);
  void WMHotKey(int id);
  void ShowInFront();
  void StoreHistory();
  void RemoveEditSubclass();
  void CloseBtnClick();
  void MailListSelectItem(const std::string& mail_id);

  // main_view_search.cpp: the commands of the search bar, and the runs as the window shows them.
  void FindBtnClick();
  void ComboBox1KeyPress(wchar_t key);
  void ComboBox1Change();
  void SearchTextChanged(WPARAM serial);
  void SearchTextEscape();
  void ScopeBoxChange();
  void ReFindClick();
  void ToolButton1Click();
  void ComboBox2Change();
  void ShowCondition(const zeldrium::TFindRec& rec);
  const zeldrium::TFindRec* CurrentCondition() override;
  zeldrium::FolderScope Scope() override { return params_.Scope; }
  bool DateLimit(uint32_t* limit) override;
  void RunStarted(const zeldrium::TFindRec& rec, bool preview) override;
  void RunProgress(size_t hits) override;
  void RunEnded(zeldrium::THitList hits, const ui::RunEnd& end) override;
  void ShowError(std::string_view text) override;

  // main_view_tab_menu.cpp: the tabs and their context menu.
  void RefreshTabs();
  void TabControl1Change();
  void TabControl1Changed();
  int CurrentTab() const;
  void SetMultiLine(bool multi);
  void PopupMenu1Popup();
  void MoveTab(int tag);
  void N_SortClick();
  void N_MultiClick();
  void Delete1Click();
  void N3Click();
  void PropClick();
  void CopyResultsClick();
  int IndexOfRec(const zeldrium::TFindRec* rec) const;
  std::vector<std::string> TabCaptions() const;

  zeldrium::TInitParam& params_;
  ui::MailHost& host_;
  zeldrium::FileSystem& fs_;
  ui::MainViewPlacement placement_;
  int dpi_ = win32::kDesignDpi;

  ui::MainViewTabs TabControl1;  // one tab per saved condition, with its menu PopupMenu1
  ui::MainViewToolBar ToolBar8;  // the search bar
  ui::ResultList MailList;
  ui::ScopeCue scope_cue_;  // over the empty list: why the host's folder gave nothing
  win32::FocusCycle focus_cycle_;
  // The control that had the keyboard when the window was last deactivated.
  HWND saved_focus_ = nullptr;
  RECT page_ = {};  // where Layout last put the page
  win32::UniqueHfont form_font_;
  win32::UniqueHfont list_font_;

  ui::HostThreadSearchPlatform platform_;
  ui::SearchController search_;
  HCURSOR saved_cursor_ = nullptr;
  bool busy_cursor_ = false;
  // The search text changed: the posted message that searches it once the control has settled
  // carries this number; 0 when none is waiting, or the one waiting is to be passed over.
  WPARAM text_change_waiting_ = 0;
  WPARAM text_changes_ = 0;
  // The condition of the run under way or last shown: its words found are marked in the rows.
  zeldrium::TFindRec run_condition_;
};

#endif  // ZELDRIUM_UI_MAIN_VIEW_H_
