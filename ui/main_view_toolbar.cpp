// ToolBar8 of the search window: the buttons, the field selector, the search text with its
// history, the date limit and the hit count.
#include <algorithm>
#include <string>
#include <vector>

#include "query/find_class.h"
#include "engine/search_run.h"
#include "host/module_life.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "ui/main_view.h"
#include "ui/main_view_ids.h"
#include "ui/text_win.h"

using namespace mainview;

namespace {

// Code page 932 texts of the bar.
constexpr char kClose[] = "\x81~";                                                 // ×
constexpr char kCloseTip[] = "\x95\xc2\x82\xb6\x82\xe9";                           // 閉じる
constexpr char kProp[] = "\x81\x9d";                                               // ◎
constexpr char kPropTip[] = "\x8c\x9f\x8d\xf5\x83v\x83\x8d\x83p\x83\x65\x83\x42";  // 検索プロパティ
constexpr char kTargetTip[] = "\x8c\x9f\x8d\xf5\x91\xce\x8f\xdb";                  // 検索対象
constexpr char kTextTip[] =
    "\x8c\x9f\x8d\xf5\x95\xb6\x8e\x9a\x97\xf1\x82\xf0\x93\xfc\x97\xcd";  // 検索文字列を入力
constexpr char kFind[] = "\x8c\x9f\x8d\xf5";                             // 検索
constexpr char kFindTip[] = "\x8c\x9f\x8d\xf5\x8e\xc0\x8ds";             // 検索実行
constexpr char kReFind[] = "\x8d\xc4\x8c\x9f\x8d\xf5...";                // 再検索...
constexpr char kReFindTip[] =
    "\x8c\xbb\x8d\xdd\x82\xcc\x83^\x83u\x82\xc5\x8c\x9f\x8d\xf5";     // 現在のタブで検索
constexpr char kStop[] = "\x92\x86\x8e~";                             // 中止
constexpr char kStopTip[] = "\x8c\x9f\x8d\xf5\x82\xcc\x92\x86\x8e~";  // 検索の中止
constexpr char kLabel2Text[] =
    "\x88\xc8\x8d~\x82\xcc\x83\x81\x81[\x83\x8b\x82\xcc\x82\xdd... ";  // 以降のメールのみ...
constexpr char kCounterWord[] = " \x8c\x8f";                           // " 件"
const char* const kTargets[] = {"From:", "To:", "Subject:", "From,To:"};

constexpr int kButtonWidth = 49;
constexpr int kButtonHeight = 20;
constexpr wchar_t kFormProp[] = L"ZeldriumSearchForm";

enum class Kind { kButton, kFixedButton, kSeparator, kControl };
struct BarItem {
  Kind kind;
  int id;  // command or control ID; 0 for a plain separator
  const char* caption;
  int width;  // separators and controls
  bool enabled;
};
// Left to right, as designed.
constexpr BarItem kBar[] = {
    {Kind::kButton, kCloseBtn, kClose, 0, true},
    {Kind::kSeparator, 0, nullptr, 8, true},
    {Kind::kButton, kPropBtn, kProp, 0, false},
    {Kind::kSeparator, 0, nullptr, 8, true},
    {Kind::kControl, kComboBox2, nullptr, 85, true},
    {Kind::kControl, kComboBox1, nullptr, 241, true},
    {Kind::kSeparator, 0, nullptr, 8, true},
    {Kind::kFixedButton, kFindBtn, kFind, kButtonWidth, true},
    {Kind::kSeparator, 0, nullptr, 8, true},
    {Kind::kButton, kReFindBtn, kReFind, 0, true},
    {Kind::kSeparator, 0, nullptr, 15, true},
    {Kind::kButton, kStopBtn, kStop, 0, false},
    {Kind::kSeparator, 0, nullptr, 13, true},
    {Kind::kControl, kDateTimePicker1, nullptr, 110, true},
    {Kind::kControl, kLabel2, nullptr, 103, true},
    {Kind::kSeparator, 0, nullptr, 16, true},
    {Kind::kControl, kLabel1, nullptr, 1, true},
};

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                        b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::wstring WindowText(HWND window) {
  const int n = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), n + 1)));
  return text;
}

}  // namespace

std::wstring TMainForm::ToolTipOf(int id) {
  // clang-format off
  switch (id) {
    case kCloseBtn: return ui::WideFrom932(kCloseTip);
    case kPropBtn: return ui::WideFrom932(kPropTip);
    case kFindBtn: return ui::WideFrom932(kFindTip);
    case kReFindBtn: return ui::WideFrom932(kReFindTip);
    case kStopBtn: return ui::WideFrom932(kStopTip);
  }
  // clang-format on
  return {};
}

void TMainForm::CreateToolBar() {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                      TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN;
  toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", style, 0, 0, 0, 0, hwnd(),
                             reinterpret_cast<HMENU>(kToolBar8), ui::ThisModule(), nullptr);
  if (!toolbar_) return;
  const WPARAM font = reinterpret_cast<WPARAM>(form_font_.get());
  SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(toolbar_, WM_SETFONT, font, FALSE);
  SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
  SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(kButtonWidth, kButtonHeight));

  // The tool bar keeps its own copies of the captions.
  std::vector<std::wstring> captions;
  for (const BarItem& item : kBar)
    captions.push_back(item.caption ? ui::WideFrom932(item.caption) : L"");
  std::vector<TBBUTTON> buttons;
  for (size_t i = 0; i < std::size(kBar); ++i) {
    const BarItem& item = kBar[i];
    TBBUTTON b = {};
    b.idCommand = item.id;
    if (item.kind == Kind::kSeparator || item.kind == Kind::kControl) {
      b.fsStyle = BTNS_SEP;
      b.iBitmap = item.width;  // a separator's width
    } else {
      b.iBitmap = I_IMAGENONE;
      b.fsState = item.enabled ? TBSTATE_ENABLED : 0;
      b.fsStyle = BTNS_BUTTON | BTNS_SHOWTEXT | (item.kind == Kind::kButton ? BTNS_AUTOSIZE : 0);
      b.iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
    }
    buttons.push_back(b);
  }
  SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  TBBUTTONINFOW fixed = {};
  fixed.cbSize = sizeof(fixed);
  fixed.dwMask = TBIF_SIZE;
  fixed.cx = kButtonWidth;
  SendMessageW(toolbar_, TB_SETBUTTONINFOW, kFindBtn, reinterpret_cast<LPARAM>(&fixed));
  SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);

  auto make = [&](const wchar_t* cls, DWORD extra, int id, const std::wstring& text) {
    HWND control = CreateWindowExW(
        0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | extra, 0, 0, 10, 10, hwnd(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ui::ThisModule(), nullptr);
    SendMessageW(control, WM_SETFONT, font, FALSE);
    return control;
  };
  combo2_ = make(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kComboBox2, L"");
  for (const char* target : kTargets) {
    SendMessageW(combo2_, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(ui::WideFrom932(target).c_str()));
  }
  combo1_ =
      make(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, kComboBox1, L"");
  COMBOBOXINFO info = {};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(combo1_, &info)) combo1_edit_ = info.hwndItem;
  if (combo1_edit_) {
    SetPropW(combo1_edit_, kFormProp, this);
    combo1_edit_proc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        combo1_edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TMainForm::ComboEditProc)));
  }
  picker_ = make(DATETIMEPICK_CLASSW, WS_TABSTOP | DTS_SHORTDATEFORMAT | DTS_SHOWNONE,
                 kDateTimePicker1, L"");
  label2_ = make(WC_STATICW, SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX, kLabel2,
                 ui::WideFrom932(kLabel2Text));
  label1_ = make(WC_STATICW, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, kLabel1, L"");

  tips_ = reinterpret_cast<HWND>(SendMessageW(toolbar_, TB_GETTOOLTIPS, 0, 0));
  if (tips_) {
    auto add_tip = [&](HWND control, const char* text) {
      if (!control) return;
      std::wstring wide = ui::WideFrom932(text);
      TOOLINFOW tool = {};
      tool.cbSize = sizeof(tool);
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = hwnd();
      tool.uId = reinterpret_cast<UINT_PTR>(control);
      tool.lpszText = wide.data();
      SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    };
    add_tip(combo2_, kTargetTip);
    add_tip(combo1_, kTextTip);
    add_tip(combo1_edit_, kTextTip);
  }

  int height = kButtonHeight;
  const LRESULT size = SendMessageW(toolbar_, TB_GETBUTTONSIZE, 0, 0);
  height = std::max(height, static_cast<int>(HIWORD(size)));
  for (HWND control : {combo2_, combo1_, picker_}) {
    RECT r;
    if (control && GetWindowRect(control, &r)) height = std::max<int>(height, r.bottom - r.top);
  }
  bar_height_ = height + 2;
}

// The controls stand on their place holders in the bar, vertically centred.
void TMainForm::PlaceToolBar(int left, int top, int width) {
  if (!toolbar_) return;
  MoveWindow(toolbar_, left, top, width, bar_height_, TRUE);
  for (const BarItem& item : kBar) {
    if (item.kind != Kind::kControl) continue;
    HWND control = GetDlgItem(hwnd(), item.id);
    const LRESULT index = SendMessageW(toolbar_, TB_COMMANDTOINDEX, item.id, 0);
    RECT r = {};
    if (!control || index < 0 ||
        !SendMessageW(toolbar_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r))) {
      continue;
    }
    int height = bar_height_;
    int y = top;
    if (item.id == kComboBox1 || item.id == kComboBox2) {
      // A combo box's window is its closed part; the height it is given is that of its list.
      RECT closed;
      GetWindowRect(control, &closed);
      y = top + std::max(0, (bar_height_ - static_cast<int>(closed.bottom - closed.top)) / 2);
      height = 240;
    } else if (item.id == kDateTimePicker1) {
      height = bar_height_ - 2;
      y = top + 1;
    }
    MoveWindow(control, left + r.left, y, r.right - r.left, height, TRUE);
  }
  ToolBar1Resize();
}

// Label1 reaches to one button width short of the bar's right end.
void TMainForm::ToolBar1Resize() {
  if (!toolbar_ || !label1_) return;
  RECT bar;
  GetClientRect(toolbar_, &bar);
  RECT label;
  GetWindowRect(label1_, &label);
  MapWindowPoints(nullptr, toolbar_, reinterpret_cast<POINT*>(&label), 2);
  const int width = std::max<int>(0, bar.right - label.left - kButtonWidth);
  SetWindowPos(label1_, nullptr, 0, 0, width, bar_height_,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TMainForm::ButtonEnabled(int id) const {
  return toolbar_ && SendMessageW(toolbar_, TB_ISBUTTONENABLED, id, 0) != 0;
}

void TMainForm::EnableButton(int id, bool enabled) {
  if (toolbar_) SendMessageW(toolbar_, TB_ENABLEBUTTON, id, MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

LRESULT CALLBACK TMainForm::ComboEditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  host::OurFrame frame;
  auto* form = static_cast<TMainForm*>(GetPropW(hwnd, kFormProp));
  if (!form) return DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_CHAR && wparam == VK_RETURN) {
    // Nothing may unwind into the system's dispatcher.
    try {
      form->ComboBox1KeyPress(static_cast<wchar_t>(wparam));
    } catch (...) {
    }
    return 0;
  }
  const WNDPROC original = form->combo1_edit_proc_;
  if (message == WM_NCDESTROY) {
    RemovePropW(hwnd, kFormProp);
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  }
  return CallWindowProcW(original, hwnd, message, wparam, lparam);
}

void TMainForm::ComboBox1KeyPress(wchar_t key) {
  if (key == L'\r') FindBtnClick();
}

std::string TMainForm::SearchText() const { return ui::To932(WindowText(combo1_)); }

void TMainForm::FindBtnClick() {
  const std::string text = SearchText();
  if (text.empty()) return;
  if (SendMessageW(combo2_, CB_GETCURSEL, 0, 0) < 0) SendMessageW(combo2_, CB_SETCURSEL, 0, 0);
  const int target = static_cast<int>(SendMessageW(combo2_, CB_GETCURSEL, 0, 0));
  AddToHistory(text);
  // The new condition may reuse the one being searched: it waits for the end of that run.
  WhenIdle(
      [this, text, target] {
        params_.FindList.AddQuickSearch(target, text, params_.SubFolder, params_.CaseSensitive,
                                        params_.CommaAnd);
        RefreshTabs();
        TabControl1Change();
      },
      true);
}

// The history has no bound; a text already there in any letter case stays where it is.
void TMainForm::AddToHistory(const std::string& text) {
  const std::wstring wide = ui::WideFrom932(text);
  for (const std::string& item : history_) {
    if (SameIgnoringCase(ui::WideFrom932(item), wide)) return;
  }
  history_.insert(history_.begin(), text);
  SendMessageW(combo1_, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void TMainForm::FillComboBox1(const std::vector<std::string>& items) {
  if (!combo1_) return;
  const std::wstring text = WindowText(combo1_);
  SendMessageW(combo1_, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : items) {
    SendMessageW(combo1_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ui::WideFrom932(item).c_str()));
  }
  SetWindowTextW(combo1_, text.c_str());
}

void TMainForm::ReFindClick() { RunSearch(); }

void TMainForm::ToolButton1Click() {
  if (running_ && run_) run_->RequestStop();
}

// The keywords of the saved conditions replace the typed history (also in what is stored).
void TMainForm::ComboBox2Change() {
  const int kind = SendMessageW(combo2_, CB_GETCURSEL, 0, 0) == zeldrium::kTargetSubject ? 1 : 0;
  history_ = zeldrium::ReadCommaList(params_.FindList.GetKeywords(kind));
  FillComboBox1(history_);
}

// The search bar shows the current tab's search: its first row.
void TMainForm::ShowCondition(const zeldrium::TFindRec& rec) {
  const zeldrium::TFindOpt& first = rec.Opts[0];
  const int target =
      first.Target >= 0 && first.Target < static_cast<int>(std::size(kTargets)) ? first.Target : -1;
  SendMessageW(combo2_, CB_SETCURSEL, static_cast<WPARAM>(target), 0);
  SetWindowTextW(combo1_, ui::WideFrom932(first.Keyword).c_str());
}

// The picker holds a day; its value is that day at 00:00.
void TMainForm::WriteDatePicker(int32_t unix_time, bool checked) {
  const zeldrium::DateTimeParts parts =
      zeldrium::DecodeDateTime(zeldrium::UnixToDate(static_cast<uint32_t>(unix_time)));
  SYSTEMTIME day = {};
  day.wYear = static_cast<WORD>(parts.Year);
  day.wMonth = static_cast<WORD>(parts.Month);
  day.wDay = static_cast<WORD>(parts.Day);
  picker_day_ = day;
  SendMessageW(picker_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&day));
  // Some versions of the control refuse GDT_NONE without a date to go with it.
  if (!checked) SendMessageW(picker_, DTM_SETSYSTEMTIME, GDT_NONE, reinterpret_cast<LPARAM>(&day));
}

bool TMainForm::ReadDatePicker(SYSTEMTIME* day) {
  SYSTEMTIME now = {};
  if (SendMessageW(picker_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&now)) == GDT_VALID) {
    picker_day_ = {};
    picker_day_.wYear = now.wYear;
    picker_day_.wMonth = now.wMonth;
    picker_day_.wDay = now.wDay;
    *day = picker_day_;
    return true;
  }
  *day = picker_day_;
  return false;
}

void TMainForm::SetCounter(size_t count) {
  const std::wstring text = std::to_wstring(count) + ui::WideFrom932(kCounterWord);
  SetWindowTextW(label1_, text.c_str());
}
