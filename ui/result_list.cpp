#include "ui/result_list.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

#include "text/code_page_win.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "ui/pictures.h"
#include "ui/result_row_paint.h"
#include "win32/address_space.h"
#include "win32/dpi.h"
#include "win32/window.h"

namespace ui {
namespace {

// "メモリが足りないため、並べ替えられませんでした", code page 932.
constexpr char kCannotSortText[] =
    "\x83\x81\x83\x82\x83\x8a\x82\xaa\x91\xab\x82\xe8\x82\xc8\x82\xa2\x82\xbd\x82\xdf\x81\x41"
    "\x95\xc0\x82\xd7\x91\xd6\x82\xa6\x82\xe7\x82\xea\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82"
    "\xbd";
struct ColumnDef {
  const wchar_t* caption;
  int width;
};
constexpr ColumnDef kColumns[ResultList::kColumnCount] = {
    {L"Subject", 400}, {L"From", 200}, {L"Date", 150}, {L"Folder", 150}, {L"MailID", 0},
};

// The colour a list view reports, or the system's when it has kept its default.
COLORREF ListColor(COLORREF color, int system_color) {
  return color == CLR_DEFAULT || color == CLR_NONE ? GetSysColor(system_color) : color;
}

}  // namespace

const wchar_t* ResultList::ColumnCaption(Column column) { return kColumns[column].caption; }

ResultList::~ResultList() {
  // Usually the parent has destroyed the control already.
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool ResultList::Create(HWND parent, int id, int dpi) {
  if (hwnd_ && IsWindow(hwnd_)) return false;
  dpi_ = dpi;
  win32::ActivationScope themed;
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  // The control shares the image list rather than owning it, so this object can free it.
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA |
                      LVS_OWNERDRAWFIXED | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS;
  hwnd_ = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", style, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), win32::ThisModule(),
                          nullptr);
  if (!hwnd_) return false;
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  for (int i = 0; i < kColumnCount; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.pszText = const_cast<wchar_t*>(kColumns[i].caption);
    column.cx = win32::Scaled(kColumns[i].width, dpi_);
    column.iSubItem = i;
    ListView_InsertColumn(hwnd_, i, &column);
  }
  if (CreateIcons()) ListView_SetImageList(hwnd_, images_.get(), LVSIL_SMALL);
  ListView_SetItemCountEx(hwnd_, RowCount(), 0);
  return true;
}

void ResultList::SetDpi(int dpi) {
  if (dpi <= 0 || dpi == dpi_) return;
  for (int i = 0; i < kColumnCount; ++i) {
    ListView_SetColumnWidth(hwnd_, i, MulDiv(ColumnWidth(i), dpi, dpi_));
  }
  dpi_ = dpi;
  // The control lets go of the old list before this object frees it.
  win32::UniqueHimagelist old = std::move(images_);
  if (CreateIcons()) ListView_SetImageList(hwnd_, images_.get(), LVSIL_SMALL);
}

bool ResultList::CreateIcons() {
  // Picture 0 for every row, 1 (opened) for the selected one.
  images_.reset(CreateEnvelopeImageList(win32::Scaled(kPictureSize, dpi_)));
  return static_cast<bool>(images_);
}

void ResultList::SetFont(HFONT font) {
  win32::UniqueHfont old = std::move(marked_font_);
  font_ = font;
  LOGFONTW bold = {};
  if (font && GetObjectW(font, sizeof(bold), &bold) == sizeof(bold)) {
    bold.lfWeight = FW_BOLD;
    marked_font_.reset(CreateFontIndirectW(&bold));
  }
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

int ResultList::ColumnWidth(int column) const {
  if (column < 0 || column >= kColumnCount) return 0;
  return ListView_GetColumnWidth(hwnd_, column);
}

void ResultList::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= kColumnCount || width < 0) return;
  ListView_SetColumnWidth(hwnd_, column, width);
}

void ResultList::ApplyStoredWidths(const std::string& stored) {
  const zeldrium::TStringCSV fields(stored);
  for (int i = 0; i < fields.Count() && i < kColumnCount; ++i) {
    const int width = fields.GetInt(i);
    if (width > 0) SetColumnWidth(i, win32::Scaled(width, dpi_));
  }
}

std::string ResultList::StoredWidths() const {
  std::vector<std::string> widths;
  for (int i = 0; i < kColumnCount; ++i) {
    widths.push_back(std::to_string(win32::Unscaled(ColumnWidth(i), dpi_)));
  }
  return zeldrium::WriteCommaList(widths);
}

void ResultList::SetHits(zeldrium::THitList hits, const zeldrium::TFindRec* found_by) {
  SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
  SetSelectionQuietly(-1);
  hits_ = std::move(hits);
  found_by_ = found_by ? std::make_unique<zeldrium::TFindMatcher>(*found_by) : nullptr;
  ListView_SetItemCountEx(hwnd_, RowCount(), 0);
  if (!hits_.empty()) ListView_EnsureVisible(hwnd_, 0, FALSE);
  SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ResultList::Clear() { SetHits({}); }

zeldrium::THitRow ResultList::Row(int row) const {
  zeldrium::THitRow made;
  hits_.GetRow(static_cast<size_t>(row), &made);
  return made;
}

std::string_view ResultList::HitText(uint32_t index, int column, std::string* scratch) const {
  const zeldrium::THitView hit = hits_.Hit(index);
  switch (column) {
    case kSubject:
      return hit.subject.empty() ? zeldrium::kNoSubject : hit.subject;
    case kFrom:
      return hit.from;
    case kDate:
      scratch->resize(zeldrium::kUnixTextSize);
      zeldrium::UnixToText(static_cast<uint32_t>(hit.date), scratch->data());
      return *scratch;
    case kFolder:
      return hits_.FolderName(hit.folder);
    case kMailId:
      scratch->assign(hits_.FolderId(hit.folder)).append(1, '?').append(hit.message_key);
      return *scratch;
  }
  return {};
}

std::string ResultList::MailId(int row) const {
  std::string id;
  Text(static_cast<size_t>(row), kMailId, &id);
  return id;
}

bool ResultList::Sort(int column, bool descending) {
  if (column < 0 || column >= kColumnCount) return true;
  // What the sort may take at most, per row: its keys and the new order. It is refused rather
  // than left to take the host's last memory.
  const uint64_t per_row = column == kDate ? 16 : 128;
  if (!win32::LeavesEnoughForHost(per_row * hits_.size())) return false;
  const int selected = Selected();
  const uint32_t selected_hit = selected >= 0 ? hits_.IndexAt(static_cast<size_t>(selected)) : 0;
  std::vector<uint32_t> order;
  try {
    // The date texts have a fixed width and only digits where they differ: their order is
    // that of the dates as numbers, which needs no keys at all.
    if (column == kDate) {
      order = OrderByDate(hits_, descending);
    } else {
      order = OrderByText(
          hits_,
          [this, column](uint32_t hit, std::string* scratch) {
            return HitText(hit, column, scratch);
          },
          descending);
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  hits_.SetOrder(std::move(order));
  // The user keeps the mail chosen, now at its new place; the host shows it already.
  int selected_now = -1;
  for (int row = 0; selected >= 0 && row < RowCount(); ++row) {
    if (hits_.IndexAt(static_cast<size_t>(row)) == selected_hit) {
      selected_now = row;
      break;
    }
  }
  SetSelectionQuietly(selected_now);
  InvalidateRect(hwnd_, nullptr, FALSE);
  return true;
}

void ResultList::ColumnClick(int column) {
  if (column < 0 || column >= kColumnCount) return;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const bool descending = column == sort_column_ ? !sort_descending_ : false;
  const bool sorted = Sort(column, descending);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  if (!sorted) {
    win32::ModalMessageBox(GetParent(hwnd_), zeldrium::WideFrom932(kCannotSortText), L"Zeldrium",
                           MB_OK | MB_ICONWARNING);
    return;
  }
  sort_descending_ = descending;
  sort_column_ = column;
}

void ResultList::SortNewestFirst() {
  sort_descending_ = true;
  // A run hands its hits over newest first already; a list in that order needs no second sort.
  for (size_t i = 1; i < hits_.size(); ++i) {
    if (static_cast<uint32_t>(hits_.At(i - 1).date) < static_cast<uint32_t>(hits_.At(i).date)) {
      Sort(kDate, true);
      return;
    }
  }
}

int ResultList::Selected() const {
  if (!hwnd_) return -1;
  // The row last seen selected, when the control agrees: some list views look for a selected
  // row by asking row after row from the first.
  if (selected_ >= 0 && selected_ < RowCount() &&
      (ListView_GetItemState(hwnd_, selected_, LVIS_SELECTED) & LVIS_SELECTED)) {
    return selected_;
  }
  const int row = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
  return row < RowCount() ? row : -1;
}

void ResultList::Select(int row) {
  if (row < 0 || row >= RowCount()) {
    const int old = Selected();
    if (old >= 0) ListView_SetItemState(hwnd_, old, 0, LVIS_SELECTED);
    return;
  }
  const UINT state = LVIS_SELECTED | LVIS_FOCUSED;
  ListView_SetItemState(hwnd_, row, state, state);
  ListView_SetSelectionMark(hwnd_, row);
  ListView_EnsureVisible(hwnd_, row, FALSE);
}

void ResultList::SetSelectionQuietly(int row) {
  const bool was_quiet = std::exchange(quiet_, true);
  const UINT state = LVIS_SELECTED | LVIS_FOCUSED;
  // Row by row rather than item -1 ("all"), which some list views carry out item by item over
  // the whole list: a pause of its own with 100,000 rows.
  for (int old : {Selected(), ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED)}) {
    if (old >= 0) ListView_SetItemState(hwnd_, old, 0, state);
  }
  if (row >= 0 && row < RowCount()) {
    ListView_SetItemState(hwnd_, row, state, state);
    ListView_SetSelectionMark(hwnd_, row);
    ListView_EnsureVisible(hwnd_, row, FALSE);
  }
  SelectionMovedTo(row);
  quiet_ = was_quiet;
}

bool ResultList::HandleNotify(const NMHDR* header, LRESULT* result) {
  if (!header || !hwnd_ || header->hwndFrom != hwnd_) return false;
  LRESULT answer = 0;
  switch (header->code) {
    case LVN_GETDISPINFOW:
      GetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(header)));
      break;
    case LVN_ODFINDITEMW:
      answer = FindItem(reinterpret_cast<const NMLVFINDITEMW*>(header));
      break;
    case LVN_ITEMCHANGED:
      ItemChanged(reinterpret_cast<const NMLISTVIEW*>(header));
      break;
    case LVN_ODSTATECHANGED:
      SelectionMovedTo(Selected());
      break;
    case LVN_COLUMNCLICK:
      ColumnClick(reinterpret_cast<const NMLISTVIEW*>(header)->iSubItem);
      break;
    case LVN_KEYDOWN:
      KeyDown(reinterpret_cast<const NMLVKEYDOWN*>(header));
      break;
    case NM_DBLCLK:
      if (on_double_click) on_double_click();
      break;
    case NM_RETURN:
      if (Selected() >= 0 && on_double_click) on_double_click();
      break;
    default:
      // NM_RCLICK among others: left unanswered, the control goes on to send WM_CONTEXTMENU.
      return false;
  }
  if (result) *result = answer;
  return true;
}

void ResultList::GetDispInfo(NMLVDISPINFOW* info) const {
  LVITEMW& item = info->item;
  const bool exists = item.iItem >= 0 && item.iItem < RowCount();
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    std::wstring text;
    try {
      std::string scratch;
      if (exists) {
        text =
            zeldrium::WideFrom932(Text(static_cast<size_t>(item.iItem), item.iSubItem, &scratch));
      }
    } catch (const std::bad_alloc&) {
      // Painting is no action to end with a message: the cell stays empty this time and is
      // asked for again at the next paint.
      text.clear();
    }
    const size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax) - 1);
    std::copy_n(text.data(), n, item.pszText);
    item.pszText[n] = L'\0';
  }
  if (item.mask & LVIF_IMAGE) {
    const bool selected =
        exists && (ListView_GetItemState(hwnd_, item.iItem, LVIS_SELECTED) & LVIS_SELECTED);
    item.iImage = selected ? kOpenedIcon : kClosedIcon;
  }
}

// Typing the start of a subject jumps to the next row that begins with it, as in a list that
// holds its items itself.
int ResultList::FindItem(const NMLVFINDITEMW* find) const {
  const LVFINDINFOW& what = find->lvfi;
  if (!(what.flags & (LVFI_STRING | LVFI_PARTIAL)) || !what.psz) return -1;
  const std::wstring_view wanted(what.psz);
  const int count = RowCount();
  if (count == 0) return -1;
  const int start = std::clamp(find->iStart, 0, count);
  const int last = (what.flags & LVFI_WRAP) ? start + count : count;
  for (int i = start; i < last; ++i) {
    const int row = i % count;
    std::string scratch;
    std::string_view bytes = Text(static_cast<size_t>(row), kSubject, &scratch);
    // A character takes one or two bytes: twice as many bytes hold the characters compared.
    if (what.flags & LVFI_PARTIAL) bytes = bytes.substr(0, 2 * wanted.size());
    std::wstring subject = zeldrium::WideFrom932(bytes);
    if (what.flags & LVFI_PARTIAL) subject.resize(std::min(subject.size(), wanted.size()));
    if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, subject.data(),
                       static_cast<int>(subject.size()), wanted.data(),
                       static_cast<int>(wanted.size())) == CSTR_EQUAL) {
      return row;
    }
  }
  return -1;
}

void ResultList::ItemChanged(const NMLISTVIEW* change) {
  if (!(change->uChanged & LVIF_STATE)) return;
  const bool was = change->uOldState & LVIS_SELECTED;
  const bool is = change->uNewState & LVIS_SELECTED;
  if (was == is) return;
  if (is) {
    SelectionMovedTo(change->iItem >= 0 ? change->iItem : Selected());
  } else if (change->iItem < 0 || change->iItem == selected_) {
    SelectionMovedTo(-1);
  }
}

// Only the selected row shows the opened envelope: both the row that had it and the row that
// gets it are repainted.
void ResultList::SelectionMovedTo(int row) {
  if (row >= RowCount()) row = -1;
  const int before = std::exchange(selected_, row);
  if (before == row) return;
  if (before >= 0 && before < RowCount()) ListView_RedrawItems(hwnd_, before, before);
  if (row < 0) return;
  ListView_RedrawItems(hwnd_, row, row);
  if (quiet_ || !on_select) return;
  // Made before the call: the callback may replace the rows (a new search) before it returns.
  const std::string mail_id = MailId(row);
  on_select(mail_id);
}

// Converted piece by piece: the marks, ranges of bytes that begin and end with characters,
// become ranges of the converted text's characters.
void ResultList::MarkCell(uint32_t hit, int column, PaintedCell* cell) {
  std::string scratch;
  const std::string_view text = HitText(hit, column, &scratch);
  marks_.clear();
  const zeldrium::THitView view = hits_.Hit(hit);
  if (found_by_ && (column == kSubject || column == kFrom)) {
    zeldrium::TFolderIdx line;
    line.Subject = view.subject;
    line.From = view.from;
    line.To = view.to;
    // An empty subject, shown as (無題), has no marks.
    found_by_->FindMarks(
        line, column == kSubject ? zeldrium::ShownField::kSubject : zeldrium::ShownField::kFrom,
        &marks_);
  }
  size_t done = 0;
  for (const auto& [begin, end] : marks_) {
    cell->text += zeldrium::WideFrom932(text.substr(done, begin - done));
    const size_t marked = cell->text.size();
    cell->text += zeldrium::WideFrom932(text.substr(begin, end - begin));
    cell->marks.emplace_back(marked, cell->text.size());
    done = end;
  }
  cell->text += zeldrium::WideFrom932(text.substr(done));
}

bool ResultList::DrawItem(const DRAWITEMSTRUCT* item) {
  if (!item || !hwnd_ || item->hwndItem != hwnd_ || item->CtlType != ODT_LISTVIEW) return false;
  const int row = static_cast<int>(item->itemID);
  if (row < 0 || row >= RowCount()) return true;
  const uint32_t hit = hits_.IndexAt(static_cast<size_t>(row));
  PaintedRow painted;
  painted.cells.resize(kColumnCount);
  for (int column = 0; column < kColumnCount; ++column) {
    PaintedCell& cell = painted.cells[static_cast<size_t>(column)];
    cell.width = ColumnWidth(column);
    if (cell.width <= 0) continue;
    if (column == kSubject || column == kFrom) {
      MarkCell(hit, column, &cell);
    } else {
      std::string scratch;
      cell.text = zeldrium::WideFrom932(HitText(hit, column, &scratch));
    }
  }
  painted.font = font_ ? font_ : reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  painted.marked_font = marked_font_.get();
  painted.images = images_.get();
  painted.selected = (item->itemState & ODS_SELECTED) != 0;
  painted.image = painted.selected ? kOpenedIcon : kClosedIcon;
  painted.list_focused = GetFocus() == hwnd_;
  painted.focus_rect = (item->itemState & ODS_FOCUS) != 0;
  painted.text_color = ListColor(ListView_GetTextColor(hwnd_), COLOR_WINDOWTEXT);
  painted.back_color = ListColor(ListView_GetBkColor(hwnd_), COLOR_WINDOW);
  painted.dpi = dpi_;
  PaintResultRow(painted, item->hDC, item->rcItem);
  return true;
}

}  // namespace ui
