#ifndef ZELDRIUM_UI_MAIN_VIEW_H_
#define ZELDRIUM_UI_MAIN_VIEW_H_

// The quick-search window: created hidden when the plug-in starts, shown and hidden any number of
// times, destroyed only when the plug-in unloads. Opened by the host's menu commands
// (ShowQuickSearch) and by a global hot key (ToggleWindow).
//
// The tab strip fills the window; on its page lie the tool bar with the search bar and the
// result list. Each tab is a saved condition of the settings' FindList, in the same order.
//
// One run at a time. A search run lets the thread's message loop run between index lines, so
// the user, the host and the hot key reach the window in the middle of it. Nothing starts a run
// inside a run: a request for a new search (Enter, a tab chosen, 再検索, タブ削除, 検索プロパティ,
// a host folder change) makes the running search give up at its next look at the message queue
// and is carried out once it has unwound; the latest request decides which tab is searched.
// Whatever would change or delete a condition (a new quick search, an edited or deleted tab,
// 全て消去) waits for the end of the run, so the condition and the result list never change
// under a running search. Implemented in main_view_run.cpp.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "query/find_class.h"
#include "settings/ini_params.h"
#include "ui/handles.h"
#include "ui/result_list.h"
#include "ui/window.h"

namespace zeldrium {
class TSearchRun;
class FileSystem;
}  // namespace zeldrium

class TMainForm : public ui::Window {
 public:
  // REQUIRES: params outlives the window.
  explicit TMainForm(zeldrium::TInitParam& params);
  ~TMainForm() override;

  // Creates the window hidden and without owner, applying the settings (FormCreate).
  bool Create();

  bool Visible() const;
  // The bounds of the window in its normal state, screen pixels.
  void SetBounds(int left, int top, int width, int height);

  // For a non-empty text: set up and run a quick search of From for it. Then show the window in
  // front, whatever the text.
  void ShowQuickSearch(std::string_view text);
  // Runs the search of the current tab again; nothing without a current tab. During a run the
  // running search gives way and this one follows it.
  void RunSearch();
  // True from the start of a run until it has unwound.
  bool Searching() const { return running_; }

  // Registers a stored shortcut value (virtual key | shift 0x2000 | ctrl 0x4000 | alt 0x8000) as
  // the window's global hot key. 0 registers nothing; a combination another program holds is
  // silently absent.
  void RegisterShowHotKey(int id, uint16_t shortcut);
  // Shows a hidden window, brings a covered one to the front, hides one already in front.
  void ToggleWindow();

  // (Re)makes the result list's font from the settings' ViewFont and applies it.
  void ApplyListFont();

  // The host is about to unload the library: the window hides, a running search gives way and
  // no other starts (see main_view_run.cpp).
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
  const std::vector<std::string>& History() const { return history_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  class RunHooks;
  friend class RunHooks;
  friend class FormPlacement;

  // main_view.cpp: the window as a whole.
  void FormCreate();
  void FormShow();
  void FormClose();
  void FormDestroy();
  void CreateControls();
  void Layout();
  // Layout, unless the page inside the tab strip is where it was: moving every control costs
  // tens of milliseconds under Wine, on every quick search.
  void LayoutIfPageMoved();
  RECT PageRect() const;
  void OnCommand(int id, int code, HWND control);
  LRESULT OnNotify(const NMHDR* header);
  void OnContextMenu(HWND source, int x, int y);
  bool OnSetCursor();
  void WMHotKey(int id);
  void ShowInFront();
  void StoreHistory();
  void RemoveEditSubclass();
  void CloseBtnClick();
  void MailListSelectItem(const std::string& mail_id);

  // main_view_toolbar.cpp: ToolBar8 and the search bar.
  void CreateToolBar();
  void PlaceToolBar(int left, int top, int width);
  void ToolBar1Resize();
  bool ButtonEnabled(int id) const;
  void EnableButton(int id, bool enabled);
  void FindBtnClick();
  void ComboBox1KeyPress(wchar_t key);
  void ReFindClick();
  void ToolButton1Click();
  void ComboBox2Change();
  void AddToHistory(const std::string& text);
  void FillComboBox1(const std::vector<std::string>& items);
  std::string SearchText() const;
  void ShowCondition(const zeldrium::TFindRec& rec);
  bool ReadDatePicker(SYSTEMTIME* day);
  void WriteDatePicker(int32_t unix_time, bool checked);
  void SetCounter(size_t count);
  static std::wstring ToolTipOf(int id);
  static LRESULT CALLBACK ComboEditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  // tab_menu.cpp: the tab strip and its context menu.
  void CreatePopupMenu1();
  void FillTabs();
  void RefreshTabs();
  void TabControl1Change();
  void TabControl1Changed();
  int CurrentTab() const;
  void SelectTab(int index);
  void SetMultiLine(bool multi);
  void PopupMenu1Popup();
  void MoveTab(int tag);
  void N_SortClick();
  void N_MultiClick();
  void Delete1Click();
  void N3Click();
  void PropClick();
  int IndexOfRec(const zeldrium::TFindRec* rec) const;

  // main_view_run.cpp: the run and the requests that arrive during one.
  void WhenIdle(std::function<void()> action, bool supersedes_run);
  void AfterRuns(std::function<void()> action);
  void StartRuns();
  void RunOnce();
  void RunStarted(const zeldrium::TFindRec& rec);
  void RunEnded();
  void PumpMessages();
  void ReportRunError(const std::string& text);

  zeldrium::TInitParam& params_;
  std::vector<std::string> history_;
  // The state to show the window in; kept apart because a hidden window has none of its own.
  zeldrium::TWindowState state_ = zeldrium::TWindowState::kNormal;

  // Controls. Children are destroyed with the window; the handles are only looked at.
  HWND tabs_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND combo2_ = nullptr;  // ComboBox2, the field selector
  HWND combo1_ = nullptr;  // ComboBox1, the search text
  HWND combo1_edit_ = nullptr;
  HWND picker_ = nullptr;
  HWND label2_ = nullptr;
  HWND label1_ = nullptr;
  HWND tips_ = nullptr;  // the tool bar's tool tips (owned by the tool bar)
  int bar_height_ = 0;
  RECT page_ = {};  // where Layout last put the page
  ui::ResultList MailList;
  ui::UniqueHfont form_font_;
  ui::UniqueHfont list_font_;
  ui::UniqueHmenu popup_;          // PopupMenu1
  HMENU tab_move_menu_ = nullptr;  // N6, owned by popup_
  WNDPROC combo1_edit_proc_ = nullptr;
  // The picker's day, kept also while its box is cleared (the control then forgets it).
  SYSTEMTIME picker_day_ = {};

  // The run. See the top of this file.
  std::unique_ptr<zeldrium::FileSystem> fs_;
  std::unique_ptr<RunHooks> hooks_;
  std::unique_ptr<zeldrium::TSearchRun> run_;
  bool running_ = false;     // a run is on the stack
  bool in_runs_ = false;     // StartRuns is on the stack
  bool run_wanted_ = false;  // a run of the current tab is to follow
  bool superseded_ = false;  // the running search is to give up
  bool quit_seen_ = false;   // WM_QUIT met while pumping: no further run
  bool host_exiting_ = false;
  std::vector<std::function<void()>> after_run_;
  HCURSOR saved_cursor_ = nullptr;
};

// The single search window while the plug-in runs; null before start and after unload.
extern TMainForm* MainForm;

#endif  // ZELDRIUM_UI_MAIN_VIEW_H_
