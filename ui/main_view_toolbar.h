#ifndef ZELDRIUM_UI_MAIN_VIEW_TOOLBAR_H_
#define ZELDRIUM_UI_MAIN_VIEW_TOOLBAR_H_

// ToolBar8 of the search window: the buttons ×, ◎, 検索, 再検索... and 中止, and the controls that
// stand on it: the field selector ComboBox2, the scope selector, the search text ComboBox1 with
// its history, the date limit DateTimePicker1 with Label2, and the hit count Label1.
//
// The search text tells the window what the user does to it (the callbacks below); a change the
// bar makes itself (SetSearchText, SetHistory) is told apart by SettingText, and the input
// method's composition by Composing: the window searches neither.
//
// The controls are children of the window itself, laid over place holders of the bar, so their
// notifications and the bar's button commands reach the window (WM_COMMAND with the IDs of
// main_view_ids.h); this wrapper answers the bar's tool tips and sizes everything for the
// window's DPI. How the width is shared when the window is narrow: ui/portable/
// main_view_bar_layout.h.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/mailboxes.h"

namespace ui {

class MainViewToolBar {
 public:
  // Creates the bar and its controls as children of parent, sized for dpi, in font.
  // REQUIRES: font outlives the bar, or is replaced (SetDpi) before it goes.
  bool Create(HWND parent, HFONT font, int dpi);
  HWND hwnd() const { return bar_; }
  // The window's DPI changed: every designed size is made again for it, in the new font. The
  // caller places the bar again afterwards.
  void SetDpi(int dpi, HFONT font);

  int Height() const { return height_; }
  // Places the bar at the top of the page, and its controls on their place holders.
  void Place(int left, int top, int width);

  bool ButtonEnabled(int id) const;
  void EnableButton(int id, bool enabled);
  // 中止 while a run reads; 検索 and 再検索 otherwise. During a preview 検索 stays: it makes a tab
  // of the text being searched.
  void EnableForRun(bool running, bool preview = false);

  // ComboBox1: the text in its edit field (code page 932) and its list, the search-string
  // history (what FINDHISTORY stores), in list order.
  std::string SearchText() const;
  void SetSearchText(const std::string& text);
  // Replaces the list; the text in the edit field stays.
  void SetHistory(std::vector<std::string> items);
  // Puts text first, unless the list holds it already in any letter case: it then stays where it
  // is. The history has no bound.
  void AddToHistory(const std::string& text);
  const std::vector<std::string>& History() const { return history_; }
  // ComboBox2: the selected field, -1 for none.
  int Field() const;
  void SetField(int field);
  // The scope selector.
  zeldrium::FolderScope Scope() const;
  void SetScope(zeldrium::FolderScope scope);
  // Empties the search text as the user's deleting it would (undone by Ctrl+Z).
  void ClearSearchText();
  // True while the bar puts a text into the search box itself.
  bool SettingText() const { return setting_text_; }
  // True while the input method composes a text in the search box: what is there is not yet
  // what the user means.
  bool Composing() const { return composing_; }

  // The picker holds a day, at 00:00, as Unix seconds of a local day; kept also while its box is
  // cleared, when the control itself forgets it. True when the box is ticked.
  bool ReadDatePicker(uint32_t* unix_day);
  void WriteDatePicker(int32_t unix_time, bool checked);

  // Label1: "N 件".
  void SetCounter(size_t count);
  // Label1 while a search reads: "検索中… N 件", N with thousands separators.
  void SetProgress(size_t hits);
  void ClearCounter();

  // The controls the keyboard visits: the field selector, the scope, the search text, the date
  // limit.
  HWND ComboBox2() const { return combo2_; }
  HWND ScopeBox() const { return scope_; }
  HWND ComboBox1() const { return combo1_; }
  HWND DateTimePicker1() const { return picker_; }
  // The keyboard's place for typing a search: the edit field, its text selected.
  void FocusSearchText();
  // The edit field of ComboBox1, which the bar subclasses.
  HWND SearchEdit() const { return combo1_edit_; }
  // Before the edit goes: a subclass left in place would point into code that may be unloaded.
  void RemoveSearchEditSubclass();

  // For every WM_NOTIFY the window receives: true when it was the bar's tool tip asking.
  bool HandleNotify(const NMHDR* header, LRESULT* result);

  // A character typed into the search text box (ComboBox1KeyPress); the box does not see
  // Enter itself.
  std::function<void(wchar_t)> on_search_key;
  // Esc in the search text box, unless it closes the box's open list.
  std::function<void()> on_escape;
  // The input method ended a composition in the search text box: its text, committed or not,
  // is what the box holds now.
  std::function<void()> on_composition_end;

 private:
  void AddButtons();
  void MeasureHeight();
  int CountTextWidth() const;
  void SetCountText(const std::wstring& text);
  void FitScopeList();
  bool ListDropped() const { return SendMessageW(combo1_, CB_GETDROPPEDSTATE, 0, 0) != 0; }
  void PlaceControls();
  static LRESULT CALLBACK SearchEditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR self);

  HWND parent_ = nullptr;
  HWND bar_ = nullptr;  // the bar and the controls are destroyed with the parent
  HWND combo2_ = nullptr;
  HWND scope_ = nullptr;
  HWND combo1_ = nullptr;
  HWND combo1_edit_ = nullptr;
  HWND picker_ = nullptr;
  HWND label2_ = nullptr;
  HWND label1_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  int height_ = 0;
  RECT place_ = {};           // where Place last put the bar
  int count_room_ = 0;        // the width Place last gave the count
  bool count_grown_ = false;  // for a text longer than the room it has at all times
  bool setting_text_ = false;
  bool composing_ = false;
  std::vector<bool> enabled_;  // the buttons' states, kept across a rebuild for a new DPI
  SYSTEMTIME picker_day_ = {};
  std::vector<std::string> history_;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_MAIN_VIEW_TOOLBAR_H_
