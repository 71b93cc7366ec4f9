// The tab strip of the search window (one tab per saved condition, in FindList order) and its
// context menu PopupMenu1.
#include <string>

#include "search/find_class.h"
#include "ui/find_prop.h"
#include "ui/main_view.h"
#include "ui/main_view_ids.h"
#include "ui/text_win.h"

using namespace mainview;

namespace {

// Code page 932 captions of the menu.
constexpr char kN4Text[] = "\x8d\xc4\x8c\x9f\x8d\xf5";                    // 再検索
constexpr char kN6Text[] = "\x83^\x83u\x88\xda\x93\xae...";               // タブ移動...
constexpr char kPrevText[] = "\x82\xd0\x82\xc6\x82\xc2\x91O\x82\xd6";     // ひとつ前へ
constexpr char kNextText[] = "\x82\xd0\x82\xc6\x82\xc2\x8c\xe3\x82\xd6";  // ひとつ後へ
constexpr char kTopText[] = "\x90\xe6\x93\xaa\x82\xd6";                   // 先頭へ
constexpr char kLastText[] = "\x8d\xc5\x8c\xe3\x82\xd6";                  // 最後へ
constexpr char kSortText[] = "\x83\x5c\x81[\x83g";                        // ソート
constexpr char kMultiText[] = "\x95\xa1\x90\x94\x8ds\x95\x5c\x8e\xa6";    // 複数行表示
constexpr char kDeleteText[] = "\x83^\x83u\x8d\xed\x8f\x9c";              // タブ削除
constexpr char kClearText[] = "\x91S\x82\xc4\x8f\xc1\x8b\x8e";            // 全て消去
constexpr char kPropText[] =
    "\x8c\x9f\x8d\xf5\x83v\x83\x8d\x83p\x83\x65\x83\x42";  // 検索プロパティ

void AppendItem(HMENU menu, int id, const char* caption) {
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), ui::WideFrom932(caption).c_str());
}
void AppendSeparator(HMENU menu) { AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }

void InsertTab(HWND tabs, int index, const std::string& caption) {
  std::wstring text = ui::WideFrom932(caption);
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void TMainForm::CreatePopupMenu1() {
  popup_.reset(CreatePopupMenu());
  HMENU menu = popup_.get();
  if (!menu) return;
  tab_move_menu_ = CreatePopupMenu();
  AppendItem(tab_move_menu_, kN_Prev, kPrevText);
  AppendItem(tab_move_menu_, kN_Next, kNextText);
  AppendSeparator(tab_move_menu_);
  AppendItem(tab_move_menu_, kN_Top, kTopText);
  AppendItem(tab_move_menu_, kN_Last, kLastText);
  AppendSeparator(tab_move_menu_);
  AppendItem(tab_move_menu_, kN_Sort, kSortText);

  AppendItem(menu, kN4, kN4Text);
  AppendSeparator(menu);
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(tab_move_menu_),
              ui::WideFrom932(kN6Text).c_str());
  AppendSeparator(menu);
  AppendItem(menu, kN_Multi, kMultiText);
  AppendSeparator(menu);
  AppendItem(menu, kDelete1, kDeleteText);
  AppendItem(menu, kN3, kClearText);
  AppendSeparator(menu);
  AppendItem(menu, kN1, kPropText);
}

// One tab per condition, captioned with its name whatever characters it holds.
void TMainForm::FillTabs() {
  SendMessageW(tabs_, TCM_DELETEALLITEMS, 0, 0);
  const zeldrium::TFindClass& list = params_.FindList;
  for (int i = 0; i < list.Count(); ++i) InsertTab(tabs_, i, list.GetRec(i).Name);
}

void TMainForm::RefreshTabs() {
  SendMessageW(tabs_, WM_SETREDRAW, FALSE, 0);
  FillTabs();
  SendMessageW(tabs_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tabs_, nullptr, TRUE);
  SelectTab(0);
  // Without a tab there is nothing for the properties to edit.
  if (CurrentTab() < 0) EnableButton(kPropBtn, false);
  // The number of rows of a several-rows strip may have changed.
  LayoutIfPageMoved();
}

int TMainForm::CurrentTab() const {
  const int index = static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0));
  return index >= 0 && index < params_.FindList.Count() ? index : -1;
}

void TMainForm::SelectTab(int index) {
  if (index >= 0 && index < static_cast<int>(SendMessageW(tabs_, TCM_GETITEMCOUNT, 0, 0))) {
    SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

int TMainForm::IndexOfRec(const zeldrium::TFindRec* rec) const {
  const zeldrium::TFindClass& list = params_.FindList;
  for (int i = 0; i < list.Count(); ++i) {
    if (&list.GetRec(i) == rec) return i;
  }
  return -1;
}

void TMainForm::TabControl1Change() {
  const bool current = CurrentTab() >= 0;
  EnableButton(kPropBtn, current && !runs_.Running());
  if (current) RunSearch();
}

// The user chose a tab. During a run the strip shows the new tab at once, but its search
// waits for the running one to give up; the tab is remembered by its condition, which may move
// meanwhile.
void TMainForm::TabControl1Changed() {
  const int index = CurrentTab();
  const zeldrium::TFindRec* rec = index >= 0 ? &params_.FindList.GetRec(index) : nullptr;
  WhenIdle(
      [this, rec] {
        const int now = IndexOfRec(rec);
        if (rec && now < 0) return;  // deleted meanwhile
        if (now >= 0) SelectTab(now);
        TabControl1Change();
      },
      ui::RunScheduler::Wait::kEndTheRun);
}

void TMainForm::SetMultiLine(bool multi) {
  LONG_PTR style = GetWindowLongPtrW(tabs_, GWL_STYLE);
  style = multi ? (style | TCS_MULTILINE) : (style & ~static_cast<LONG_PTR>(TCS_MULTILINE));
  SetWindowLongPtrW(tabs_, GWL_STYLE, style);
  CheckMenuItem(popup_.get(), kN_Multi, MF_BYCOMMAND | (multi ? MF_CHECKED : MF_UNCHECKED));
  Layout();
  InvalidateRect(tabs_, nullptr, TRUE);
}

void TMainForm::PopupMenu1Popup() {
  const int i = CurrentTab();
  const int n = params_.FindList.Count();
  const UINT back = MF_BYCOMMAND | (i > 0 ? MF_ENABLED : MF_GRAYED);
  const UINT on = MF_BYCOMMAND | (i >= 0 && i < n - 1 ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(popup_.get(), kN_Prev, back);
  EnableMenuItem(popup_.get(), kN_Top, back);
  EnableMenuItem(popup_.get(), kN_Next, on);
  EnableMenuItem(popup_.get(), kN_Last, on);
}

// Moving changes no condition, so it is done at once, also during a run. The moved tab stays
// current.
void TMainForm::MoveTab(int tag) {
  const int i = CurrentTab();
  const int n = params_.FindList.Count();
  if (i < 0) return;
  int j;
  // clang-format off
  switch (tag) {
    case 0: j = i - 1; break;
    case 1: j = i + 1; break;
    case 2: j = 0; break;
    case 3: j = n - 1; break;
    default: return;
  }
  // clang-format on
  if (j < 0 || j >= n || j == i) return;
  params_.FindList.MoveRec(i, j);
  SendMessageW(tabs_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(tabs_, TCM_DELETEITEM, static_cast<WPARAM>(i), 0);
  InsertTab(tabs_, j, params_.FindList.GetRec(j).Name);
  SendMessageW(tabs_, WM_SETREDRAW, TRUE, 0);
  SelectTab(j);
  InvalidateRect(tabs_, nullptr, TRUE);
}

// The tab whose condition was current stays current.
void TMainForm::N_SortClick() {
  const int i = CurrentTab();
  const zeldrium::TFindRec* current = i >= 0 ? &params_.FindList.GetRec(i) : nullptr;
  params_.FindList.SortByName();
  SendMessageW(tabs_, WM_SETREDRAW, FALSE, 0);
  FillTabs();
  SendMessageW(tabs_, WM_SETREDRAW, TRUE, 0);
  if (current) SelectTab(IndexOfRec(current));
  InvalidateRect(tabs_, nullptr, TRUE);
}

void TMainForm::N_MultiClick() {
  params_.MultiLineTab = !params_.MultiLineTab;
  SetMultiLine(params_.MultiLineTab);
}

void TMainForm::Delete1Click() {
  const int i = CurrentTab();
  if (i < 0) return;
  const zeldrium::TFindRec* rec = &params_.FindList.GetRec(i);
  WhenIdle(
      [this, rec] {
        const int index = IndexOfRec(rec);
        if (index < 0) return;
        params_.FindList.DeleteRec(index);
        SendMessageW(tabs_, TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
        SelectTab(0);
        if (CurrentTab() < 0) EnableButton(kPropBtn, false);
        LayoutIfPageMoved();
        RunSearch();
      },
      ui::RunScheduler::Wait::kEndTheRun);
}

// Clears the conditions but not the rows; waits for a running search without disturbing it.
void TMainForm::N3Click() {
  WhenIdle(
      [this] {
        params_.FindList.ClearAll();
        RefreshTabs();
      },
      ui::RunScheduler::Wait::kLetItFinish);
}

// The dialog may be opened in the middle of a run (from the menu); the edited condition is
// stored only once that run has given up.
void TMainForm::PropClick() {
  const int i = CurrentTab();
  if (i < 0) return;
  const zeldrium::TFindRec* rec = &params_.FindList.GetRec(i);
  zeldrium::TFindRec edited = *rec;
  POINT corner = {0, 0};
  ClientToScreen(MailList.hwnd(), &corner);
  if (!EditFindRec(hwnd(), corner, &edited, host_, fs_)) return;
  WhenIdle(
      [this, rec, edited] {
        const int index = IndexOfRec(rec);
        if (index < 0) return;
        params_.FindList.GetRec(index) = edited;
        std::wstring caption = ui::WideFrom932(edited.Name);
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        SendMessageW(tabs_, TCM_SETITEMW, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item));
        SelectTab(index);
        RunSearch();
      },
      ui::RunScheduler::Wait::kEndTheRun);
}
