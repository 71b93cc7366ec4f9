#ifndef ZELDRIUM_UI_MAIN_VIEW_TOOLBAR_H_
#define ZELDRIUM_UI_MAIN_VIEW_TOOLBAR_H_

// ToolBar8 of the search window: the buttons ×, ◎, 検索, 再検索... and 中止, and the controls that
// stand on it: the field selector ComboBox2, the search text ComboBox1 with its history, the
// date limit DateTimePicker1 with Label2, and the hit count Label1.
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
  // 中止 while a run reads; 検索 and 再検索 otherwise.
  void EnableForRun(bool running);

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

  // The picker holds a day, at 00:00, as Unix seconds of a local day; kept also while its box is
  // cleared, when the control itself forgets it. True when the box is ticked.
  bool ReadDatePicker(uint32_t* unix_day);
  void WriteDatePicker(int32_t unix_time, bool checked);

  // Label1: "N 件".
  void SetCounter(size_t count);

  // The controls the keyboard visits: the field selector, the search text, the date limit.
  HWND ComboBox2() const { return combo2_; }
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

 private:
  void AddButtons();
  void MeasureHeight();
  int CountTextWidth() const;
  void PlaceControls();
  static LRESULT CALLBACK SearchEditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR id, DWORD_PTR self);

  HWND parent_ = nullptr;
  HWND bar_ = nullptr;  // the bar and the controls are destroyed with the parent
  HWND combo2_ = nullptr;
  HWND combo1_ = nullptr;
  HWND combo1_edit_ = nullptr;
  HWND picker_ = nullptr;
  HWND label2_ = nullptr;
  HWND label1_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  int height_ = 0;
  RECT place_ = {};            // where Place last put the bar
  std::vector<bool> enabled_;  // the buttons' states, kept across a rebuild for a new DPI
  SYSTEMTIME picker_day_ = {};
  std::vector<std::string> history_;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_MAIN_VIEW_TOOLBAR_H_
