#include "ui/main_view_toolbar.h"

#include <algorithm>
#include <exception>
#include <iterator>

#include "text/code_page_win.h"
#include "text/str_libs.h"
#include "text/text_compare.h"
#include "ui/main_view_ids.h"
#include "ui/portable/count_text.h"
#include "ui/portable/main_view_bar_layout.h"
#include "win32/dpi.h"
#include "win32/fault_report.h"
#include "win32/handles.h"
#include "win32/module_life.h"
#include "win32/window.h"

namespace ui {
namespace {

using namespace mainview;

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
constexpr char kScopeTip[] = "\x8c\x9f\x8d\xf5\x94\xcd\x88\xcd";       // 検索範囲
const char* const kTargets[] = {"From:", "To:", "Subject:", "From,To:"};
// In the order of zeldrium::FolderScope.
const char* const kScopes[] = {
    "\x82\xb1\x82\xcc\x83\x74\x83\x48\x83\x8b\x83\x5f",  // このフォルダ
    "\x82\xb1\x82\xcc\x83\x81\x81\x5b\x83\x8b\x83\x7b\x83\x62\x83\x4e\x83\x58",  // このメールボックス
    "\x82\xb7\x82\xd7\x82\xc4\x82\xcc\x83\x81\x81\x5b\x83\x8b\x83\x7b\x83\x62\x83\x4e"
    "\x83\x58",  // すべてのメールボックス
};

// Designed pixels.
constexpr int kButtonWidth = 49;
constexpr int kButtonHeight = 20;
constexpr int kComboListHeight = 240;  // a combo box's closed part and its opened list

enum class Kind { kButton, kFixedButton, kSeparator, kControl };
struct BarItem {
  Kind kind;
  int id;  // the command or control ID; separators have IDs of their own to be resized by
  const char* caption;
  int width;  // designed, for all but the buttons sized to their captions
  bool enabled;
};
// Left to right, as designed; Label1 last.
constexpr BarItem kBar[] = {
    {Kind::kButton, kCloseBtn, kClose, 0, true},
    {Kind::kSeparator, 1041, nullptr, 8, true},
    {Kind::kButton, kPropBtn, kProp, 0, false},
    {Kind::kSeparator, 1042, nullptr, 8, true},
    {Kind::kControl, kComboBox2, nullptr, 85, true},
    {Kind::kControl, kScopeBox, nullptr, 120, true},
    {Kind::kControl, kComboBox1, nullptr, 241, true},
    {Kind::kSeparator, 1043, nullptr, 8, true},
    {Kind::kFixedButton, kFindBtn, kFind, kButtonWidth, true},
    {Kind::kSeparator, 1044, nullptr, 8, true},
    {Kind::kButton, kReFindBtn, kReFind, 0, true},
    {Kind::kSeparator, 1045, nullptr, 15, true},
    {Kind::kButton, kStopBtn, kStop, 0, false},
    {Kind::kSeparator, 1046, nullptr, 13, true},
    {Kind::kControl, kDateTimePicker1, nullptr, 110, true},
    {Kind::kControl, kLabel2, nullptr, 103, true},
    {Kind::kSeparator, 1047, nullptr, 16, true},
    {Kind::kControl, kLabel1, nullptr, 1, true},
};
constexpr int kItemsBeforeCount = static_cast<int>(std::size(kBar)) - 1;
constexpr int kComboBox2Item = 4;
constexpr int kScopeItem = 5;
constexpr int kComboBox1Item = 6;
constexpr int kLabel2Item = 15;

// Who gives way, in order, when the count would not fit (see main_view_bar_layout.h), with the
// least designed width each keeps: a search box of 160 pixels shows a long name, one of 100
// still a dozen characters; a scope selector of 100 shows most of its longest choice, and less
// would show none of them; the picker's box says whether the limit is on without Label2, and a
// separator of 2 still parts its neighbours.
constexpr BarGiveUp kGiveUps[] = {
    {BarGiveUp::kReserve, 0},
    {kComboBox1Item, 160},
    {kScopeItem, 100},
    {kLabel2Item, 0},
    {kComboBox1Item, 100},
    {1, 2},
    {3, 2},
    {7, 2},
    {9, 2},
    {11, 2},
    {13, 2},
    {16, 2},
    {kComboBox2Item, 64},
    {kScopeItem, 0, true},
    {kComboBox1Item, 40},
};
// The give-ups that may make room for the count of a search that is still reading, so that the
// bar stands still while the user types (main_view_bar_layout.h).
constexpr size_t kSoftGiveUps = 4;

std::wstring ToolTipOf(int id) {
  // clang-format off
  switch (id) {
    case kCloseBtn: return zeldrium::WideFrom932(kCloseTip);
    case kPropBtn: return zeldrium::WideFrom932(kPropTip);
    case kFindBtn: return zeldrium::WideFrom932(kFindTip);
    case kReFindBtn: return zeldrium::WideFrom932(kReFindTip);
    case kStopBtn: return zeldrium::WideFrom932(kStopTip);
  }
  // clang-format on
  return {};
}

std::wstring WindowText(HWND window) {
  const int n = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), n + 1)));
  return text;
}

int TextWidth(HWND window, HFONT font, const std::wstring& text) {
  if (text.empty()) return 0;
  win32::ClientDc dc(window);
  win32::SelectObjectGuard with_font(dc.dc(), font);
  SIZE size = {};
  GetTextExtentPoint32W(dc.dc(), text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

}  // namespace

bool MainViewToolBar::Create(HWND parent, HFONT font, int dpi) {
  parent_ = parent;
  font_ = font;
  dpi_ = dpi;
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                      TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN;
  bar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"", style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolBar8)),
                         win32::ThisModule(), nullptr);
  if (!bar_) return false;
  SendMessageW(bar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(bar_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (const BarItem& item : kBar) enabled_.push_back(item.enabled);
  AddButtons();

  auto make = [&](const wchar_t* cls, DWORD extra, int id, const std::wstring& text) {
    HWND control = CreateWindowExW(
        0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | extra, 0, 0, 10, 10, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), win32::ThisModule(), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
  };
  combo2_ = make(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kComboBox2, L"");
  for (const char* target : kTargets) {
    SendMessageW(combo2_, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(zeldrium::WideFrom932(target).c_str()));
  }
  scope_ = make(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kScopeBox, L"");
  for (const char* scope : kScopes) {
    SendMessageW(scope_, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(zeldrium::WideFrom932(scope).c_str()));
  }
  SendMessageW(scope_, CB_SETCURSEL, 0, 0);
  combo1_ =
      make(WC_COMBOBOXW, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, kComboBox1, L"");
  COMBOBOXINFO info = {};
  info.cbSize = sizeof(info);
  if (GetComboBoxInfo(combo1_, &info)) combo1_edit_ = info.hwndItem;
  if (combo1_edit_) {
    SetWindowSubclass(combo1_edit_, &MainViewToolBar::SearchEditProc, 0,
                      reinterpret_cast<DWORD_PTR>(this));
  }
  picker_ = make(DATETIMEPICK_CLASSW, WS_TABSTOP | DTS_SHORTDATEFORMAT | DTS_SHOWNONE,
                 kDateTimePicker1, L"");
  label2_ = make(WC_STATICW, SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX, kLabel2,
                 zeldrium::WideFrom932(kLabel2Text));
  label1_ = make(WC_STATICW, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, kLabel1, L"");
  // The controls stand above the bar; Label1 above everything, as it may have to lie over
  // other items in a narrow window.
  for (HWND control : {combo2_, scope_, combo1_, picker_, label2_, label1_}) {
    SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  if (HWND tips = reinterpret_cast<HWND>(SendMessageW(bar_, TB_GETTOOLTIPS, 0, 0))) {
    auto add_tip = [&](HWND control, const char* text) {
      if (!control) return;
      std::wstring wide = zeldrium::WideFrom932(text);
      TOOLINFOW tool = {};
      tool.cbSize = sizeof(tool);
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = parent;
      tool.uId = reinterpret_cast<UINT_PTR>(control);
      tool.lpszText = wide.data();
      SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    };
    add_tip(combo2_, kTargetTip);
    add_tip(scope_, kScopeTip);
    add_tip(combo1_, kTextTip);
    add_tip(combo1_edit_, kTextTip);
  }
  FitScopeList();
  MeasureHeight();
  return true;
}

// The list of the scope selector shows its longest choice whole, however narrow the closed box.
void MainViewToolBar::FitScopeList() {
  int widest = 0;
  for (const char* scope : kScopes) {
    widest = std::max(widest, TextWidth(scope_, font_, zeldrium::WideFrom932(scope)));
  }
  SendMessageW(
      scope_, CB_SETDROPPEDWIDTH,
      static_cast<WPARAM>(widest + GetSystemMetrics(SM_CXVSCROLL) + win32::Scaled(8, dpi_)), 0);
}

// The buttons and place holders at the designed sizes for the DPI.
void MainViewToolBar::AddButtons() {
  while (SendMessageW(bar_, TB_DELETEBUTTON, 0, 0)) {
  }
  SendMessageW(bar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
  SendMessageW(bar_, TB_SETBUTTONSIZE, 0,
               MAKELPARAM(win32::Scaled(kButtonWidth, dpi_), win32::Scaled(kButtonHeight, dpi_)));
  // The bar keeps its own copies of the captions.
  std::vector<std::wstring> captions;
  for (const BarItem& item : kBar)
    captions.push_back(item.caption ? zeldrium::WideFrom932(item.caption) : L"");
  std::vector<TBBUTTON> buttons;
  for (size_t i = 0; i < std::size(kBar); ++i) {
    const BarItem& item = kBar[i];
    TBBUTTON b = {};
    b.idCommand = item.id;
    if (item.kind == Kind::kSeparator || item.kind == Kind::kControl) {
      b.fsStyle = BTNS_SEP;
      b.iBitmap = win32::Scaled(item.width, dpi_);  // a separator's width
    } else {
      b.iBitmap = I_IMAGENONE;
      b.fsState = enabled_[i] ? TBSTATE_ENABLED : 0;
      b.fsStyle = BTNS_BUTTON | BTNS_SHOWTEXT | (item.kind == Kind::kButton ? BTNS_AUTOSIZE : 0);
      b.iString = reinterpret_cast<INT_PTR>(captions[i].c_str());
    }
    buttons.push_back(b);
  }
  SendMessageW(bar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
  TBBUTTONINFOW fixed = {};
  fixed.cbSize = sizeof(fixed);
  fixed.dwMask = TBIF_SIZE;
  fixed.cx = static_cast<WORD>(win32::Scaled(kButtonWidth, dpi_));
  SendMessageW(bar_, TB_SETBUTTONINFOW, kFindBtn, reinterpret_cast<LPARAM>(&fixed));
  SendMessageW(bar_, TB_AUTOSIZE, 0, 0);
}

void MainViewToolBar::MeasureHeight() {
  int height = win32::Scaled(kButtonHeight, dpi_);
  const LRESULT size = SendMessageW(bar_, TB_GETBUTTONSIZE, 0, 0);
  height = std::max(height, static_cast<int>(HIWORD(size)));
  // The combo boxes' closed parts follow their font; the picker is given the bar's height.
  for (HWND control : {combo2_, scope_, combo1_}) {
    RECT r;
    if (control && GetWindowRect(control, &r)) height = std::max<int>(height, r.bottom - r.top);
  }
  height_ = height + win32::Scaled(2, dpi_);
}

void MainViewToolBar::SetDpi(int dpi, HFONT font) {
  dpi_ = dpi;
  font_ = font;
  for (HWND window : {bar_, combo2_, scope_, combo1_, picker_, label2_, label1_}) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  AddButtons();
  FitScopeList();
  MeasureHeight();
}

void MainViewToolBar::Place(int left, int top, int width) {
  place_ = {left, top, left + width, top + height_};
  MoveWindow(bar_, left, top, width, height_, TRUE);
  PlaceControls();
}

// The items' widths for the bar's width; then each control on its place holder, vertically
// centred, and the count where the layout puts it.
void MainViewToolBar::PlaceControls() {
  if (!bar_) return;
  const int width = place_.right - place_.left;
  std::vector<int> designed;
  for (int i = 0; i < kItemsBeforeCount; ++i) {
    const BarItem& item = kBar[i];
    if (item.kind == Kind::kButton) {
      RECT r = {};
      SendMessageW(bar_, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
      designed.push_back(r.right - r.left);
    } else {
      designed.push_back(win32::Scaled(item.width, dpi_));
    }
  }
  std::vector<BarGiveUp> give_ups;
  for (BarGiveUp g : kGiveUps) give_ups.push_back({g.item, win32::Scaled(g.least, dpi_), g.whole});
  const int text = CountTextWidth();
  const int room = TextWidth(label1_, font_, zeldrium::WideFrom932(WideProgressText()));
  const BarFit fit = FitBarWithRoom(designed, win32::Scaled(kButtonWidth, dpi_), width, text, room,
                                    give_ups, kSoftGiveUps);
  count_room_ = fit.count_width;
  count_grown_ = text > room;

  for (int i = 0; i < kItemsBeforeCount; ++i) {
    const BarItem& item = kBar[i];
    if (item.kind == Kind::kButton || item.kind == Kind::kFixedButton) continue;
    const int w = fit.widths[static_cast<size_t>(i)];
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_SIZE | TBIF_IMAGE | TBIF_STATE;
    info.iImage = w;
    info.cx = static_cast<WORD>(w);
    // A place holder of no width would be given the bar's default width: it is hidden instead.
    info.fsState = w > 0 ? 0 : TBSTATE_HIDDEN;
    SendMessageW(bar_, TB_SETBUTTONINFOW, item.id, reinterpret_cast<LPARAM>(&info));
  }

  const int top = place_.top;
  for (int i = 0; i < kItemsBeforeCount; ++i) {
    const BarItem& item = kBar[i];
    if (item.kind != Kind::kControl) continue;
    HWND control = GetDlgItem(parent_, item.id);
    RECT r = {};
    const bool shown =
        fit.widths[static_cast<size_t>(i)] > 0 &&
        SendMessageW(bar_, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    ShowWindow(control, shown ? SW_SHOWNA : SW_HIDE);
    if (!shown) continue;
    int height = height_;
    int y = top;
    if (item.id == kComboBox1 || item.id == kComboBox2 || item.id == kScopeBox) {
      // A combo box's window is its closed part; the height it is given is that of its list.
      RECT closed;
      GetWindowRect(control, &closed);
      y = top + std::max(0, (height_ - static_cast<int>(closed.bottom - closed.top)) / 2);
      height = win32::Scaled(kComboListHeight, dpi_);
    } else if (item.id == kDateTimePicker1) {
      height = height_ - win32::Scaled(2, dpi_);
      y = top + win32::Scaled(1, dpi_);
    }
    MoveWindow(control, place_.left + r.left, y, r.right - r.left, height, TRUE);
  }
  MoveWindow(label1_, place_.left + fit.count_left, top, fit.count_width, height_, TRUE);
}

int MainViewToolBar::CountTextWidth() const {
  return TextWidth(label1_, font_, WindowText(label1_));
}

bool MainViewToolBar::ButtonEnabled(int id) const {
  return bar_ && SendMessageW(bar_, TB_ISBUTTONENABLED, id, 0) != 0;
}

void MainViewToolBar::EnableButton(int id, bool enabled) {
  for (size_t i = 0; i < std::size(kBar); ++i) {
    if (kBar[i].id == id) enabled_[i] = enabled;
  }
  if (bar_) SendMessageW(bar_, TB_ENABLEBUTTON, id, MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

void MainViewToolBar::EnableForRun(bool running, bool preview) {
  EnableButton(kStopBtn, running);
  EnableButton(kFindBtn, !running || preview);
  EnableButton(kReFindBtn, !running);
}

std::string MainViewToolBar::SearchText() const { return zeldrium::To932(WindowText(combo1_)); }

void MainViewToolBar::SetSearchText(const std::string& text) {
  setting_text_ = true;
  SetWindowTextW(combo1_, zeldrium::WideFrom932(text).c_str());
  setting_text_ = false;
}

void MainViewToolBar::ClearSearchText() {
  HWND edit = combo1_edit_ ? combo1_edit_ : combo1_;
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
}

void MainViewToolBar::SetHistory(std::vector<std::string> items) {
  history_ = std::move(items);
  if (!combo1_) return;
  const std::wstring text = WindowText(combo1_);
  setting_text_ = true;
  SendMessageW(combo1_, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : history_) {
    SendMessageW(combo1_, CB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(zeldrium::WideFrom932(item).c_str()));
  }
  SetWindowTextW(combo1_, text.c_str());
  setting_text_ = false;
}

void MainViewToolBar::AddToHistory(const std::string& text) {
  for (const std::string& item : history_) {
    if (zeldrium::CompareTextIgnoreCase(item, text) == 0) return;
  }
  history_.insert(history_.begin(), text);
  SendMessageW(combo1_, CB_INSERTSTRING, 0,
               reinterpret_cast<LPARAM>(zeldrium::WideFrom932(text).c_str()));
}

int MainViewToolBar::Field() const {
  return static_cast<int>(SendMessageW(combo2_, CB_GETCURSEL, 0, 0));
}

void MainViewToolBar::SetField(int field) {
  if (field < -1 || field >= static_cast<int>(std::size(kTargets))) field = -1;
  SendMessageW(combo2_, CB_SETCURSEL, static_cast<WPARAM>(field), 0);
}

zeldrium::FolderScope MainViewToolBar::Scope() const {
  const LRESULT index = SendMessageW(scope_, CB_GETCURSEL, 0, 0);
  return index >= 0 && index < static_cast<LRESULT>(std::size(kScopes))
             ? static_cast<zeldrium::FolderScope>(index)
             : zeldrium::FolderScope::kCurrentFolder;
}

void MainViewToolBar::SetScope(zeldrium::FolderScope scope) {
  SendMessageW(scope_, CB_SETCURSEL, static_cast<WPARAM>(scope), 0);
}

void MainViewToolBar::WriteDatePicker(int32_t unix_time, bool checked) {
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

bool MainViewToolBar::ReadDatePicker(uint32_t* unix_day) {
  SYSTEMTIME now = {};
  const bool checked =
      SendMessageW(picker_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&now)) == GDT_VALID;
  if (checked) {
    picker_day_ = {};
    picker_day_.wYear = now.wYear;
    picker_day_.wMonth = now.wMonth;
    picker_day_.wDay = now.wDay;
  }
  zeldrium::TDateTime date = 0;
  zeldrium::EncodeDateTime({picker_day_.wYear, picker_day_.wMonth, picker_day_.wDay}, &date);
  *unix_day = zeldrium::DateToUnix(date);
  return checked;
}

void MainViewToolBar::SetCounter(size_t count) {
  SetCountText(zeldrium::WideFrom932(CountText(count)));
  // A bar that grew the count's room for a long progress gives it back.
  if (count_grown_) PlaceControls();
}

void MainViewToolBar::SetProgress(size_t hits) {
  SetCountText(zeldrium::WideFrom932(ProgressText(hits)));
}

void MainViewToolBar::ClearCounter() { SetCountText(L""); }

// Placing the controls costs milliseconds under Wine, and the count changes with every search
// while the user types: the bar moves only for a count longer than its room.
void MainViewToolBar::SetCountText(const std::wstring& text) {
  SetWindowTextW(label1_, text.c_str());
  if (TextWidth(label1_, font_, text) > count_room_) PlaceControls();
}

void MainViewToolBar::FocusSearchText() {
  SetFocus(combo1_edit_ ? combo1_edit_ : combo1_);
  SendMessageW(combo1_, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

bool MainViewToolBar::HandleNotify(const NMHDR* header, LRESULT* result) {
  if (header->code != TTN_GETDISPINFOW) return false;
  auto* info = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
  info->szText[0] = L'\0';
  // The text must outlive this call; one tip shows at a time.
  static std::wstring tip;
  tip = ToolTipOf(static_cast<int>(header->idFrom));
  info->lpszText = tip.data();
  *result = 0;
  return true;
}

void MainViewToolBar::RemoveSearchEditSubclass() {
  if (combo1_edit_) RemoveWindowSubclass(combo1_edit_, &MainViewToolBar::SearchEditProc, 0);
}

LRESULT CALLBACK MainViewToolBar::SearchEditProc(HWND hwnd, UINT message, WPARAM wparam,
                                                 LPARAM lparam, UINT_PTR id, DWORD_PTR self) {
  win32::OurFrame frame;
  auto* bar = reinterpret_cast<MainViewToolBar*>(self);
  // Nothing may unwind into the system's dispatcher.
  auto tell = [hwnd](const auto& callback, auto... args) {
    if (!callback) return;
    try {
      callback(args...);
    } catch (...) {
      win32::ReportFault(hwnd, std::current_exception());
    }
  };
  switch (message) {
    case WM_CHAR:
      if (wparam == VK_ESCAPE && !bar->ListDropped()) return 0;  // handled as the key went down
      if (wparam != VK_RETURN) break;
      tell(bar->on_search_key, static_cast<wchar_t>(wparam));
      return 0;
    case WM_KEYDOWN:
      if (wparam != VK_ESCAPE || bar->ListDropped()) break;
      tell(bar->on_escape);
      return 0;
    case WM_IME_STARTCOMPOSITION:
      bar->composing_ = true;
      break;
    case WM_IME_ENDCOMPOSITION: {
      const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      bar->composing_ = false;
      tell(bar->on_composition_end);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, &MainViewToolBar::SearchEditProc, id);
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace ui
