#ifndef ZELDRIUM_UI_MAIN_VIEW_TABS_H_
#define ZELDRIUM_UI_MAIN_VIEW_TABS_H_

// TabControl1 of the search window, with its context menu PopupMenu1: one tab per saved
// condition, along the bottom edge, in one scrolling row or in several rows. The strip knows
// nothing of the conditions; the window (main_view_tab_menu.cpp) keeps tabs and conditions in
// step and carries out the menu's commands, which reach it as WM_COMMAND with the IDs of
// main_view_ids.h.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <string>
#include <vector>

#include "win32/handles.h"

namespace ui {

class MainViewTabs {
 public:
  // Creates the strip as a child of parent and the menu. False when the strip could not be made.
  bool Create(HWND parent, int id, HFONT font);
  HWND hwnd() const { return tabs_; }
  HMENU menu() const { return popup_.get(); }

  void SetFont(HFONT font);
  // One tab per caption (code page 932), in order, whatever characters a caption holds. Nothing
  // is selected explicitly and nothing is repainted in between.
  void Fill(const std::vector<std::string>& captions);
  int Count() const;
  // The selected tab, or -1.
  int Current() const;
  // Selects a tab without telling anyone; an index that does not exist changes nothing.
  void Select(int index);
  void SetCaption(int index, const std::string& caption);
  // Moves tab from to place to (the tabs in between shift by one place) and keeps it selected.
  void Move(int from, int to, const std::string& caption);
  void Delete(int index);

  // Several rows of tabs, or one that scrolls; the check mark of 複数行表示 follows.
  void SetMultiLine(bool multi);
  // The page inside the strip (its tabs and edges left out), in the parent's client pixels.
  RECT PageRect() const;

  // PopupMenu1Popup's part: the moves that can be made from the current of count tabs.
  void EnableMoves(int current, int count);
  // 結果をコピー has something to copy.
  void EnableCopyResults(bool enable);
  // Opens the menu at a screen point; its command reaches owner.
  void TrackMenu(HWND owner, int x, int y);

 private:
  void CreateMenu();

  HWND tabs_ = nullptr;  // destroyed with the parent
  win32::UniqueHmenu popup_;
  HMENU move_menu_ = nullptr;  // N6, owned by popup_
};

}  // namespace ui

#endif  // ZELDRIUM_UI_MAIN_VIEW_TABS_H_
