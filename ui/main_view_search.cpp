// The commands of the search window's search bar, the quick search the host asks for, and the
// runs as the window shows them (the search controller's SearchView).
#include <string>
#include <utility>
#include <vector>

#include "query/find_class.h"
#include "text/code_page_win.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "ui/main_view.h"
#include "ui/main_view_ids.h"
#include "win32/window.h"

using namespace mainview;

void TMainForm::ComboBox1KeyPress(wchar_t key) {
  if (key == L'\r') FindBtnClick();
}

void TMainForm::FindBtnClick() {
  const std::string text = ToolBar8.SearchText();
  if (text.empty()) return;
  if (ToolBar8.Field() < 0) ToolBar8.SetField(zeldrium::kTargetFrom);
  const int target = ToolBar8.Field();
  ToolBar8.AddToHistory(text);
  // The new condition may reuse the one being searched: it waits for the end of that run.
  search_.WhenIdle(
      [this, text, target] {
        params_.FindList.AddQuickSearch(target, text, params_.SubFolder, params_.CaseSensitive,
                                        params_.CommaAnd);
        RefreshTabs();
        TabControl1Change();
      },
      ui::SearchController::Wait::kEndTheRun);
}

void TMainForm::ReFindClick() { RunSearch(); }

void TMainForm::ToolButton1Click() { search_.Stop(); }

// The keywords of the saved conditions replace the typed history (also in what is stored).
void TMainForm::ComboBox2Change() {
  const int kind = ToolBar8.Field() == zeldrium::kTargetSubject ? 1 : 0;
  ToolBar8.SetHistory(zeldrium::ReadCommaList(params_.FindList.GetKeywords(kind)));
}

// The search bar shows the current tab's search: its first row.
void TMainForm::ShowCondition(const zeldrium::TFindRec& rec) {
  const zeldrium::TFindOpt& first = rec.Opts[0];
  ToolBar8.SetField(first.Target);
  ToolBar8.SetSearchText(first.Keyword);
}

// The sender search puts the keyboard into the list, to pick a hit with the arrow keys; the menu
// command into the search text, to type.
void TMainForm::ShowQuickSearch(std::string_view text) {
  if (text.empty()) {
    ShowInFront();
    ToolBar8.FocusSearchText();
    return;
  }
  std::string search = zeldrium::TextBetween(text, "<", ">");
  if (search.empty()) search = std::string(text);
  search_.WhenIdle(
      [this, search] {
        params_.FindList.AddQuickSearch(zeldrium::kTargetFrom, search, params_.SubFolder,
                                        params_.CaseSensitive, params_.CommaAnd);
        RefreshTabs();
        TabControl1Change();
        // A window hidden while its search ran shows up once the rows are there.
        search_.AfterRuns([this] {
          ShowInFront();
          SetFocus(MailList.hwnd());
        });
      },
      ui::SearchController::Wait::kEndTheRun);
}

void TMainForm::RunSearch() { search_.RunCurrent(); }

void TMainForm::HostExiting() {
  search_.HostExiting();
  if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

const zeldrium::TFindRec* TMainForm::CurrentCondition() {
  const int tab = CurrentTab();
  return tab >= 0 ? &params_.FindList.GetRec(tab) : nullptr;
}

bool TMainForm::DateLimit(uint32_t* limit) { return ToolBar8.ReadDatePicker(limit); }

void TMainForm::RunStarted(const zeldrium::TFindRec& rec) {
  saved_cursor_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  ToolBar8.EnableForRun(true);
  ToolBar8.EnableButton(kPropBtn, false);
  MailList.Clear();
  ShowCondition(rec);
  run_condition_ = rec;
}

void TMainForm::RunEnded(zeldrium::THitList hits, bool counted) {
  ToolBar8.EnableForRun(false);
  ToolBar8.EnableButton(kPropBtn, CurrentTab() >= 0);
  if (counted) ToolBar8.SetCounter(hits.size());
  MailList.SetHits(std::move(hits), &run_condition_);
  MailList.SortNewestFirst();
  SetCursor(saved_cursor_);
}

void TMainForm::ShowError(const std::string& text) {
  win32::ModalMessageBox(Visible() ? hwnd() : nullptr, zeldrium::WideFrom932(text), L"Zeldrium",
                         MB_OK | MB_ICONERROR);
}
