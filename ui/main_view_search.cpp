// The commands of the search window's search bar, and the quick search the host asks for.
#include <string>
#include <vector>

#include "engine/search_run.h"
#include "query/find_class.h"
#include "text/code_page_win.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "ui/main_view.h"
#include "ui/main_view_ids.h"

namespace {

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

void TMainForm::ComboBox1KeyPress(wchar_t key) {
  if (key == L'\r') FindBtnClick();
}

void TMainForm::FindBtnClick() {
  const std::string text = ToolBar8.SearchText();
  if (text.empty()) return;
  if (ToolBar8.Field() < 0) ToolBar8.SetField(zeldrium::kTargetFrom);
  const int target = ToolBar8.Field();
  AddToHistory(text);
  // The new condition may reuse the one being searched: it waits for the end of that run.
  WhenIdle(
      [this, text, target] {
        params_.FindList.AddQuickSearch(target, text, params_.SubFolder, params_.CaseSensitive,
                                        params_.CommaAnd);
        RefreshTabs();
        TabControl1Change();
      },
      ui::RunScheduler::Wait::kEndTheRun);
}

// The history has no bound; a text already there in any letter case stays where it is.
void TMainForm::AddToHistory(const std::string& text) {
  const std::wstring wide = zeldrium::WideFrom932(text);
  for (const std::string& item : history_) {
    if (SameIgnoringCase(zeldrium::WideFrom932(item), wide)) return;
  }
  history_.insert(history_.begin(), text);
  ToolBar8.InsertHistory(text);
}

void TMainForm::ReFindClick() { RunSearch(); }

void TMainForm::ToolButton1Click() {
  if (runs_.Running() && run_) run_->RequestStop();
}

// The keywords of the saved conditions replace the typed history (also in what is stored).
void TMainForm::ComboBox2Change() {
  const int kind = ToolBar8.Field() == zeldrium::kTargetSubject ? 1 : 0;
  history_ = zeldrium::ReadCommaList(params_.FindList.GetKeywords(kind));
  ToolBar8.SetHistory(history_);
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
  WhenIdle(
      [this, search] {
        params_.FindList.AddQuickSearch(zeldrium::kTargetFrom, search, params_.SubFolder,
                                        params_.CaseSensitive, params_.CommaAnd);
        RefreshTabs();
        TabControl1Change();
        // A window hidden while its search ran shows up once the rows are there.
        AfterRuns([this] {
          ShowInFront();
          SetFocus(MailList.hwnd());
        });
      },
      ui::RunScheduler::Wait::kEndTheRun);
}
