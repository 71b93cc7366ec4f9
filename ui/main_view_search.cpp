// The commands of the search window's search bar, the search of the text as it is typed, the
// quick search the host asks for, and the runs as the window shows them (the search
// controller's SearchView).
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
        text_change_waiting_ = 0;  // the text is searched here
        params_.FindList.AddQuickSearch(target, text, params_.SubFolder, params_.CaseSensitive,
                                        params_.CommaAnd);
        const bool rows_there = search_.AdoptPreview(params_.FindList.GetRec(0));
        RefreshTabs();
        if (rows_there) {
          ToolBar8.EnableButton(kPropBtn, CurrentTab() >= 0);
        } else {
          TabControl1Change();
        }
      },
      ui::SearchController::Wait::kEndTheRun);
}

// A change of the search text, typed or picked from its list, is searched once the control has
// settled (a pick reaches the edit field after its notice): by a posted message, one for all the
// changes that come before it.
void TMainForm::ComboBox1Change() {
  if (!params_.SearchWhileTyping || ToolBar8.SettingText() || ToolBar8.Composing()) return;
  if (text_change_waiting_ != 0) return;
  if (++text_changes_ == 0) ++text_changes_;
  text_change_waiting_ = text_changes_;
  if (!PostMessageW(hwnd(), kSearchTextChanged, text_change_waiting_, 0)) text_change_waiting_ = 0;
}

// The newest text is searched as a preview; an emptied text searches nothing and drops the
// preview that was searching the text before.
void TMainForm::SearchTextChanged(WPARAM serial) {
  if (serial != text_change_waiting_) return;  // passed over: a tab's search came after it
  text_change_waiting_ = 0;
  if (!params_.SearchWhileTyping || ToolBar8.Composing()) return;
  const std::string text = ToolBar8.SearchText();
  if (text.empty()) {
    search_.DropPreview();
    return;
  }
  if (ToolBar8.Field() < 0) ToolBar8.SetField(zeldrium::kTargetFrom);
  search_.RunPreview(zeldrium::QuickSearchRec(ToolBar8.Field(), text, params_.SubFolder,
                                              params_.CaseSensitive, params_.CommaAnd));
}

void TMainForm::SearchTextEscape() {
  if (search_.Running()) {
    ToolButton1Click();
  } else if (!ToolBar8.SearchText().empty()) {
    ToolBar8.ClearSearchText();
  } else {
    CloseBtnClick();
  }
}

// Another scope answers the same search differently: what the list shows is searched again.
void TMainForm::ScopeBoxChange() {
  params_.Scope = ToolBar8.Scope();
  search_.SearchAgain();
}

void TMainForm::ReFindClick() { RunSearch(); }

void TMainForm::ToolButton1Click() { search_.Stop(); }

// The keywords of the saved conditions replace the typed history (also in what is stored).
// A preview on the list is searched again in the new field.
void TMainForm::ComboBox2Change() {
  const int kind = ToolBar8.Field() == zeldrium::kTargetSubject ? 1 : 0;
  ToolBar8.SetHistory(zeldrium::ReadCommaList(params_.FindList.GetKeywords(kind)));
  if (search_.ShowsPreview()) ComboBox1Change();
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

// A preview leaves the text, the cursor and the 検索 button to the user, who is typing.
void TMainForm::RunStarted(const zeldrium::TFindRec& rec, bool preview) {
  if (!preview) {
    text_change_waiting_ = 0;  // a typed change not yet searched gives way to this search
    if (!busy_cursor_) saved_cursor_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    busy_cursor_ = true;
  }
  ToolBar8.EnableForRun(true, preview);
  ToolBar8.EnableButton(kPropBtn, false);
  scope_cue_.Show(false);
  MailList.Clear();
  if (!preview) ShowCondition(rec);
  run_condition_ = rec;
}

void TMainForm::RunProgress(size_t hits) { ToolBar8.SetProgress(hits); }

void TMainForm::RunEnded(zeldrium::THitList hits, const ui::RunEnd& end) {
  ToolBar8.EnableForRun(false);
  ToolBar8.EnableButton(kPropBtn, CurrentTab() >= 0);
  if (busy_cursor_) SetCursor(saved_cursor_);
  busy_cursor_ = false;
  if (end.abandoned) {
    MailList.Clear();
    if (!end.another_follows) ToolBar8.ClearCounter();
    return;
  }
  if (end.counted) ToolBar8.SetCounter(hits.size());
  const bool nothing_in_scope = end.mailbox_shown && hits.size() == 0;
  MailList.SetHits(std::move(hits), &run_condition_);
  MailList.SortNewestFirst();
  scope_cue_.Show(nothing_in_scope);
}

void TMainForm::ShowError(std::string_view text) {
  win32::ModalMessageBox(Visible() ? hwnd() : nullptr, zeldrium::WideFrom932(text), L"Zeldrium",
                         MB_OK | MB_ICONERROR);
}
