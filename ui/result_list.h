#ifndef ZELDRIUM_UI_RESULT_LIST_H_
#define ZELDRIUM_UI_RESULT_LIST_H_

// The result list of the search window (MailList): a virtual report-style list view whose rows
// are the hits of a run as the run kept them (THitList), so that a million hits cost little more
// than their texts. A row's display texts are made, and converted from code page 932, only when
// the control asks for them, so a run of any size shows at once. It owns its two envelope icons
// (ImageList1, ui/pictures.h) and the header-click sort state.
//
// The list draws its rows itself (result_row_paint.h), to mark the words found in the Subject
// and From of each: the condition a run searched comes with its hits, and the marks are found
// as a row is painted, by the matcher's own rules (TFindMatcher::FindMarks), never kept per hit.
//
// Ctrl+C (or Ctrl+Insert) copies the selected row to the clipboard, CopyAll every row, as
// text: a line of the column captions, then a line per row (CR LF), the fields Subject, From,
// Date and Folder separated by tabs; a control or tab byte inside a field becomes a blank.
//
// The class spreads over result_list.cpp and result_list_copy.cpp (the clipboard).
//
// The window that holds the list forwards every WM_NOTIFY to HandleNotify and every
// WM_DRAWITEM to DrawItem. The list has no context menu of its own: a right-click reaches the
// parent as WM_CONTEXTMENU, with the list's handle as its first parameter.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/hit_list.h"
#include "query/find_class.h"
#include "ui/row_order.h"
#include "win32/handles.h"

namespace ui {

struct PaintedCell;

class ResultList {
 public:
  enum Column { kSubject = 0, kFrom, kDate, kFolder, kMailId, kColumnCount };
  // The caption of a column's header.
  static const wchar_t* ColumnCaption(Column column);
  enum Icon { kClosedIcon = 0, kOpenedIcon = 1 };

  ResultList() = default;
  ~ResultList();
  ResultList(const ResultList&) = delete;
  ResultList& operator=(const ResultList&) = delete;

  // Creates the list as a child of parent, empty, with the designed column widths and icons
  // sized for dpi. The caller places it (MoveWindow). False when the control could not be made.
  bool Create(HWND parent, int id, int dpi = 96);
  // The window's DPI changed: the columns keep their proportions, the icons are made anew.
  void SetDpi(int dpi);
  HWND hwnd() const { return hwnd_; }

  // REQUIRES: font outlives the list, or is replaced before it goes; the list does not own it.
  // The words found are marked in its bold form, which the list makes and owns.
  void SetFont(HFONT font);

  // Columns that do not exist read as 0 and ignore a new width; so do negative widths (which
  // the control would take as auto-size requests).
  int ColumnWidth(int column) const;
  void SetColumnWidth(int column, int width);
  // The widths as the settings keep them (COLWIDTH): a comma list of designed pixels, as every
  // size of the window, so a file written at one DPI shows the same columns at another. Applying,
  // a width of 0 or less, or a field beyond the last column, changes nothing.
  void ApplyStoredWidths(const std::string& stored);
  std::string StoredWidths() const;

  // Replaces all rows in one update (nothing is painted in between) by the hits, in their
  // order; the selection is dropped without a call of on_select. The words that found_by's rows
  // found are marked in them; nothing is marked without it.
  void SetHits(zeldrium::THitList hits, const zeldrium::TFindRec* found_by = nullptr);
  void Clear();
  int RowCount() const { return static_cast<int>(hits_.size()); }
  // The row's texts as shown, made now. REQUIRES: 0 <= row < RowCount().
  zeldrium::THitRow Row(int row) const;

  // Sorts the rows by the texts of one column (the locale's order ignoring case; equal texts
  // keep their order). The selected mail stays selected and is scrolled into view. The sort
  // state is not touched. Nothing happens for a column that does not exist. False, with the
  // order as it was, when there was no memory for the sort or it would leave the host too
  // little (address_space.h).
  bool Sort(int column, bool descending);
  // A click on a column header (MailListColumnClick): the same column again reverses the
  // order, another column sorts ascending, and the column is remembered. A sort that finds no
  // memory says so and changes nothing.
  void ColumnClick(int column);
  // The sort that ends a search run: newest first; the remembered column stays.
  void SortNewestFirst();
  int SortColumn() const { return sort_column_; }
  bool SortDescending() const { return sort_descending_; }

  // The selected row, or -1.
  int Selected() const;
  // Selects a row (focused and scrolled into view) as a user's click would, on_select included;
  // -1, or a row that does not exist, clears the selection.
  void Select(int row);

  // Puts the selected row (nothing without one), or every row in list order (nothing without
  // rows), on the clipboard. A text too large for the memory the host must keep, or a clipboard
  // that another program holds, is told to the user and changes nothing.
  void CopySelected();
  void CopyAll();

  // For every WM_NOTIFY the parent receives. True when it came from this list and *result holds
  // the answer; false leaves the message to the parent.
  bool HandleNotify(const NMHDR* header, LRESULT* result);
  // For every WM_DRAWITEM the parent receives: true when it was a row of this list, now painted.
  bool DrawItem(const DRAWITEMSTRUCT* item);

  // A row became selected, by mouse, keyboard or Select: its mail ID.
  std::function<void(const std::string& mail_id)> on_select;
  // A double-click anywhere in the list, on a row or on empty space, and Enter on a selected
  // row.
  std::function<void()> on_double_click;

 private:
  bool CreateIcons();
  void KeyDown(const NMLVKEYDOWN* key);
  // Rows first to first + count - 1, with the captions' line first.
  void CopyRows(int first, int count);
  // The text of a Subject or From cell as painted, with the words found marked.
  void MarkCell(uint32_t hit, int column, PaintedCell* cell);
  void GetDispInfo(NMLVDISPINFOW* info) const;
  int FindItem(const NMLVFINDITEMW* find) const;
  void ItemChanged(const NMLISTVIEW* change);
  void SelectionMovedTo(int row);
  // Moves the selection without telling anyone: the mail shown stays the same.
  void SetSelectionQuietly(int row);
  // The text of a cell, code page 932; made in *scratch where it is not kept as shown.
  std::string_view Text(size_t row, int column, std::string* scratch) const {
    return HitText(hits_.IndexAt(row), column, scratch);
  }
  // The same by the hit's number in the list.
  std::string_view HitText(uint32_t hit, int column, std::string* scratch) const;
  std::string MailId(int row) const;

  win32::UniqueHimagelist images_;  // shared with the control, which is gone before this is
  HFONT font_ = nullptr;            // the list's, not owned
  win32::UniqueHfont marked_font_;
  // The run's condition, which found the hits: what it found is marked.
  std::unique_ptr<zeldrium::TFindMatcher> found_by_;
  zeldrium::TextRanges marks_;  // scratch of the painting
  HWND hwnd_ = nullptr;         // destroyed with the parent, or by the destructor
  int dpi_ = 96;
  zeldrium::THitList hits_;
  int selected_ = -1;  // the row that shows the opened envelope, to repaint when it loses it
  bool quiet_ = false;
  int sort_column_ = 0;
  bool sort_descending_ = false;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_RESULT_LIST_H_
