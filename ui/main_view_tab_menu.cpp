// The search window's tabs (one per saved condition, in FindList order) and the commands of
// their context menu PopupMenu1.
#include <string>
#include <vector>

#include "query/find_class.h"
#include "ui/find_prop.h"
#include "ui/main_view.h"
#include "ui/main_view_ids.h"

std::vector<std::string> TMainForm::TabCaptions() const {
  std::vector<std::string> captions;
  const zeldrium::TFindClass& list = params_.FindList;
  for (int i = 0; i < list.Count(); ++i) captions.push_back(list.GetRec(i).Name);
  return captions;
}

void TMainForm::RefreshTabs() {
  TabControl1.Fill(TabCaptions());
  TabControl1.Select(0);
  // Without a tab there is nothing for the properties to edit.
  if (CurrentTab() < 0) ToolBar8.EnableButton(mainview::kPropBtn, false);
  // The number of rows of a several-rows strip may have changed.
  LayoutIfPageMoved();
}

int TMainForm::CurrentTab() const {
  const int index = TabControl1.Current();
  return index >= 0 && index < params_.FindList.Count() ? index : -1;
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
  ToolBar8.EnableButton(mainview::kPropBtn, current && !search_.Running());
  if (current) RunSearch();
}

// The user chose a tab. During a run the strip shows the new tab at once, but its search
// waits for the running one to give up; the tab is remembered by its condition, which may move
// meanwhile.
void TMainForm::TabControl1Changed() {
  const int index = CurrentTab();
  const zeldrium::TFindRec* rec = index >= 0 ? &params_.FindList.GetRec(index) : nullptr;
  search_.WhenIdle(
      [this, rec] {
        const int now = IndexOfRec(rec);
        if (rec && now < 0) return;  // deleted meanwhile
        if (now >= 0) TabControl1.Select(now);
        TabControl1Change();
      },
      ui::SearchController::Wait::kEndTheRun);
}

void TMainForm::SetMultiLine(bool multi) {
  TabControl1.SetMultiLine(multi);
  Layout();
}

void TMainForm::PopupMenu1Popup() {
  TabControl1.EnableMoves(CurrentTab(), params_.FindList.Count());
  TabControl1.EnableCopyResults(MailList.RowCount() > 0);
}

void TMainForm::CopyResultsClick() { MailList.CopyAll(); }

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
  TabControl1.Move(i, j, params_.FindList.GetRec(j).Name);
}

// The tab whose condition was current stays current.
void TMainForm::N_SortClick() {
  const int i = CurrentTab();
  const zeldrium::TFindRec* current = i >= 0 ? &params_.FindList.GetRec(i) : nullptr;
  params_.FindList.SortByName();
  TabControl1.Fill(TabCaptions());
  if (current) TabControl1.Select(IndexOfRec(current));
}

void TMainForm::N_MultiClick() {
  params_.MultiLineTab = !params_.MultiLineTab;
  SetMultiLine(params_.MultiLineTab);
}

void TMainForm::Delete1Click() {
  const int i = CurrentTab();
  if (i < 0) return;
  const zeldrium::TFindRec* rec = &params_.FindList.GetRec(i);
  search_.WhenIdle(
      [this, rec] {
        const int index = IndexOfRec(rec);
        if (index < 0) return;
        params_.FindList.DeleteRec(index);
        TabControl1.Delete(index);
        TabControl1.Select(0);
        if (CurrentTab() < 0) ToolBar8.EnableButton(mainview::kPropBtn, false);
        LayoutIfPageMoved();
        RunSearch();
      },
      ui::SearchController::Wait::kEndTheRun);
}

// Clears the conditions but not the rows; waits for a running search without disturbing it.
void TMainForm::N3Click() {
  search_.WhenIdle(
      [this] {
        params_.FindList.ClearAll();
        RefreshTabs();
      },
      ui::SearchController::Wait::kLetItFinish);
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
  search_.WhenIdle(
      [this, rec, edited] {
        const int index = IndexOfRec(rec);
        if (index < 0) return;
        params_.FindList.GetRec(index) = edited;
        TabControl1.SetCaption(index, edited.Name);
        TabControl1.Select(index);
        RunSearch();
      },
      ui::SearchController::Wait::kEndTheRun);
}
