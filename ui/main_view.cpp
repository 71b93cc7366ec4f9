#include "ui/main_view.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "host/b2api.h"
#include "store/file_system.h"
#include "engine/search_run.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "ui/main_view_ids.h"
#include "ui/text_win.h"

TMainForm* MainForm = nullptr;

using namespace mainview;

namespace {

constexpr char kCaption[] = "\x83\x4e\x83\x43\x83\x62\x83\x4e\x8c\x9f\x8d\xf5";  // クイック検索
constexpr char kFormFont[] = "\x82l\x82r \x82o\x83S\x83V\x83\x62\x83N";  // ＭＳ Ｐゴシック
constexpr wchar_t kClassName[] = L"ZeldriumQuickSearch";
constexpr RECT kDesignedBounds = {302, 281, 302 + 932, 281 + 399};

// A font of the settings' form: points become pixels at the screen's resolution.
HFONT MakeFont(const zeldrium::TFontDesc& desc) {
  LOGFONTW font = {};
  int dpi = 96;
  {
    ui::ClientDc screen(nullptr);
    if (screen.dc()) dpi = GetDeviceCaps(screen.dc(), LOGPIXELSY);
  }
  const int points = desc.Size > 0 ? desc.Size : 9;
  font.lfHeight = -MulDiv(points, dpi, 72);
  font.lfWeight = (desc.Style & zeldrium::kFontBold) ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (desc.Style & zeldrium::kFontItalic) ? TRUE : FALSE;
  font.lfUnderline = (desc.Style & zeldrium::kFontUnderline) ? TRUE : FALSE;
  font.lfStrikeOut = (desc.Style & zeldrium::kFontStrikeOut) ? TRUE : FALSE;
  font.lfCharSet = static_cast<BYTE>(desc.Charset & 0xFF);
  font.lfPitchAndFamily = desc.Pitch == zeldrium::kPitchVariable ? VARIABLE_PITCH
                          : desc.Pitch == zeldrium::kPitchFixed  ? FIXED_PITCH
                                                                 : DEFAULT_PITCH;
  const std::wstring face = ui::WideFrom932(desc.Name);
  const size_t n = std::min(face.size(), static_cast<size_t>(LF_FACESIZE - 1));
  std::copy_n(face.data(), n, font.lfFaceName);
  return CreateFontIndirectW(&font);
}

// Stored colours with the high byte set name a system colour by its index in the low byte.
COLORREF TextColor(uint32_t color) {
  if (color & 0xFF000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color & 0xFFFFFF);
}

// OpeningHit for the time the host takes to display a hit, also when that throws.
class OpeningHitScope {
 public:
  explicit OpeningHitScope(bool* flag) : flag_(flag), was_(*flag) { *flag_ = true; }
  ~OpeningHitScope() { *flag_ = was_; }
  OpeningHitScope(const OpeningHitScope&) = delete;
  OpeningHitScope& operator=(const OpeningHitScope&) = delete;

 private:
  bool* flag_;
  bool was_;
};

}  // namespace

// The window as the settings see its placement. A hidden window has no state of its own, so the
// state to show it in is kept by the form.
class FormPlacement : public zeldrium::PlacedWindow {
 public:
  explicit FormPlacement(TMainForm& form) : form_(form) {}

  zeldrium::TWindowState GetState() const override {
    if (!form_.Visible()) return form_.state_;
    if (IsIconic(form_.hwnd())) return zeldrium::TWindowState::kMinimized;
    if (IsZoomed(form_.hwnd())) return zeldrium::TWindowState::kMaximized;
    return zeldrium::TWindowState::kNormal;
  }

  void SetState(zeldrium::TWindowState state) override {
    form_.state_ = state;
    if (form_.Visible()) ShowWindow(form_.hwnd(), ShowCommand(state));
  }

  zeldrium::TRect GetBounds() const override {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(form_.hwnd(), &placement);
    // A tool window's normal position is in screen coordinates.
    const RECT& r = placement.rcNormalPosition;
    return {static_cast<int32_t>(r.left), static_cast<int32_t>(r.top),
            static_cast<int32_t>(r.right), static_cast<int32_t>(r.bottom)};
  }

  void SetBounds(const zeldrium::TRect& bounds) override {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof(placement);
    GetWindowPlacement(form_.hwnd(), &placement);
    placement.rcNormalPosition = {bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
    if (!form_.Visible()) placement.showCmd = SW_HIDE;
    SetWindowPlacement(form_.hwnd(), &placement);
  }

  zeldrium::TScreenSize ScreenSize() const override {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }

  static int ShowCommand(zeldrium::TWindowState state) {
    switch (state) {
      case zeldrium::TWindowState::kMinimized:
        return SW_SHOWMINIMIZED;
      case zeldrium::TWindowState::kMaximized:
        return SW_SHOWMAXIMIZED;
      default:
        return SW_SHOWNORMAL;
    }
  }

 private:
  TMainForm& form_;
};

bool TMainForm::Create() {
  CreateArgs args;
  args.class_name = kClassName;
  args.ex_style = WS_EX_TOOLWINDOW;
  // Sizable with a small caption, but no system menu and so no caption buttons.
  args.style = WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN;
  args.title = ui::WideFrom932(kCaption);
  args.x = kDesignedBounds.left;
  args.y = kDesignedBounds.top;
  args.width = kDesignedBounds.right - kDesignedBounds.left;
  args.height = kDesignedBounds.bottom - kDesignedBounds.top;
  return ui::Window::Create(args);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  // clang-format off
  switch (message) {
    case WM_CREATE: FormCreate(); return 0;
    case WM_SIZE: Layout(); return 0;
    case WM_SHOWWINDOW: if (wparam) FormShow(); break;
    case WM_CLOSE: FormClose(); return 0;
    case WM_DESTROY: FormDestroy(); return 0;
    case WM_HOTKEY: WMHotKey(static_cast<int>(wparam)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam)); return 0;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<const NMHDR*>(lparam));
    case WM_CONTEXTMENU: OnContextMenu(reinterpret_cast<HWND>(wparam), GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)); return 0;
    case WM_INITMENUPOPUP: if (reinterpret_cast<HMENU>(wparam) == popup_.get()) PopupMenu1Popup(); return 0;
    case WM_SETCURSOR: if (OnSetCursor()) return TRUE; break;
  }
  // clang-format on
  return ui::Window::HandleMessage(message, wparam, lparam);
}

void TMainForm::FormCreate() {
  CreateControls();
  FillTabs();
  history_ = zeldrium::ReadCommaList(params_.FindHistory);
  FillComboBox1(history_);
  ApplyListFont();
  const zeldrium::TStringCSV fields(params_.ColWidth);
  for (int i = 0; i < fields.Count() && i < ui::ResultList::kColumnCount; ++i) {
    const int width = fields.GetInt(i);
    if (width > 0) MailList.SetColumnWidth(i, width);
  }
  FormPlacement placement(*this);
  params_.RestoreWindow(placement);
  WriteDatePicker(params_.DateLimit, params_.UseDateLimit);
  SetMultiLine(params_.MultiLineTab);
  RegisterShowHotKey(0, params_.ShowHotKey);
  Layout();
}

void TMainForm::CreateControls() {
  ui::ActivationScope themed;
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_DATE_CLASSES | ICC_LISTVIEW_CLASSES |
                                                       ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  zeldrium::TFontDesc form_font;
  form_font.Name = kFormFont;
  form_font.Charset = SHIFTJIS_CHARSET;
  form_font.Size = 9;
  form_font_.reset(MakeFont(form_font));

  tabs_ = CreateWindowExW(
      0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BOTTOM | TCS_FOCUSNEVER,
      0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(kTabControl1), ui::ThisModule(), nullptr);
  SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(form_font_.get()), FALSE);
  CreateToolBar();
  MailList.Create(hwnd(), kMailList);
  MailList.on_select = [this](const std::string& mail_id) { MailListSelectItem(mail_id); };
  MailList.on_double_click = [this] { CloseBtnClick(); };
  CreatePopupMenu1();
  // The strip lies below the controls that stand on its page, and (with WS_CLIPSIBLINGS) does
  // not paint over them.
  SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Likewise the controls that stand on the tool bar lie above it.
  for (HWND control : {combo2_, combo1_, picker_, label2_, label1_}) {
    SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }

  fs_ = zeldrium::NewNativeFileSystem();
}

// The tab strip fills the window; the tool bar and the list fill its page.
RECT TMainForm::PageRect() const {
  RECT page;
  GetClientRect(hwnd(), &page);
  TabCtrl_AdjustRect(tabs_, FALSE, &page);
  return page;
}

void TMainForm::LayoutIfPageMoved() {
  if (!tabs_) return;
  const RECT page = PageRect();
  if (!EqualRect(&page, &page_)) Layout();
}

void TMainForm::Layout() {
  if (!tabs_) return;
  RECT client;
  GetClientRect(hwnd(), &client);
  MoveWindow(tabs_, 0, 0, client.right, client.bottom, TRUE);
  const RECT page = PageRect();
  page_ = page;
  const int width = std::max<int>(0, page.right - page.left);
  PlaceToolBar(page.left, page.top, width);
  const int list_top = page.top + bar_height_;
  MoveWindow(MailList.hwnd(), page.left, list_top, width, std::max<int>(0, page.bottom - list_top),
             TRUE);
}

void TMainForm::FormShow() { ToolBar1Resize(); }

void TMainForm::FormClose() {
  std::vector<std::string> widths;
  for (int i = 0; i < ui::ResultList::kColumnCount; ++i) {
    widths.push_back(std::to_string(MailList.ColumnWidth(i)));
  }
  params_.ColWidth = zeldrium::WriteCommaList(widths);
  SYSTEMTIME day;
  params_.UseDateLimit = ReadDatePicker(&day);
  zeldrium::TDateTime date = 0;
  zeldrium::EncodeDateTime({day.wYear, day.wMonth, day.wDay}, &date);
  params_.DateLimit = static_cast<int32_t>(zeldrium::DateToUnix(date));
  FormPlacement placement(*this);
  params_.StoreWindow(placement);
  params_.Save();
  ShowWindow(hwnd(), SW_HIDE);
}

void TMainForm::FormDestroy() {
  StoreHistory();
  UnregisterHotKey(hwnd(), 0);
  RemoveEditSubclass();
}

// Before the edit goes: a subclass left in place would point into code that may be unloaded.
void TMainForm::RemoveEditSubclass() {
  if (!combo1_edit_ || !combo1_edit_proc_) return;
  SetWindowLongPtrW(combo1_edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(combo1_edit_proc_));
  combo1_edit_proc_ = nullptr;
}

void TMainForm::StoreHistory() { params_.FindHistory = zeldrium::WriteCommaList(history_); }

void TMainForm::StoreHistoryForExit() { StoreHistory(); }

void TMainForm::Abandon() {
  StoreHistory();
  RemoveEditSubclass();
  if (!hwnd()) return;
  SetWindowLongPtrW(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
  PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

bool TMainForm::Visible() const { return hwnd() && IsWindowVisible(hwnd()); }

void TMainForm::SetBounds(int left, int top, int width, int height) {
  FormPlacement(*this).SetBounds({left, top, left + width, top + height});
  if (Visible() && state_ == zeldrium::TWindowState::kNormal) {
    SetWindowPos(hwnd(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TMainForm::ApplyListFont() {
  if (!MailList.hwnd()) return;
  ui::UniqueHfont font(MakeFont(params_.ViewFont));
  if (!font) return;
  MailList.SetFont(font.get());
  // The old font may go only once the list no longer uses it.
  list_font_ = std::move(font);
  const COLORREF color = TextColor(params_.ViewFont.Color);
  ListView_SetTextColor(MailList.hwnd(), color);
  InvalidateRect(MailList.hwnd(), nullptr, TRUE);
}

void TMainForm::OnCommand(int id, int code, HWND control) {
  // The tool bar sends nothing for a disabled button.
  if (control && control == toolbar_ && !ButtonEnabled(id)) return;
  // clang-format off
  switch (id) {
    case kCloseBtn: CloseBtnClick(); return;
    case kPropBtn: PropClick(); return;
    case kFindBtn: FindBtnClick(); return;
    case kReFindBtn: ReFindClick(); return;
    case kStopBtn: ToolButton1Click(); return;
    case kComboBox2: if (code == CBN_SELCHANGE) ComboBox2Change(); return;
    case kN4: ReFindClick(); return;
    case kN_Prev: MoveTab(0); return;
    case kN_Next: MoveTab(1); return;
    case kN_Top: MoveTab(2); return;
    case kN_Last: MoveTab(3); return;
    case kN_Sort: N_SortClick(); return;
    case kN_Multi: N_MultiClick(); return;
    case kDelete1: Delete1Click(); return;
    case kN3: N3Click(); return;
    case kN1: PropClick(); return;
  }
  // clang-format on
}

LRESULT TMainForm::OnNotify(const NMHDR* header) {
  LRESULT result = 0;
  if (!header) return 0;
  if (MailList.HandleNotify(header, &result)) return result;
  if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) {
    TabControl1Changed();
    return 0;
  }
  if (header->code == TTN_GETDISPINFOW) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(header));
    info->lpszText = nullptr;
    info->szText[0] = L'\0';
    // The text must outlive this call; one tip shows at a time.
    static std::wstring tip;
    tip = ToolTipOf(static_cast<int>(header->idFrom));
    info->lpszText = tip.data();
    return 0;
  }
  return 0;
}

// The menu of the tab strip, and of the tool bar and the result list, which have none of
// their own. From the keyboard (-1, -1) it opens at the control's top-left corner.
void TMainForm::OnContextMenu(HWND source, int x, int y) {
  if (source != tabs_ && source != toolbar_ && source != MailList.hwnd() && source != hwnd()) {
    return;
  }
  if (x == -1 && y == -1) {
    RECT r;
    GetWindowRect(source, &r);
    x = r.left;
    y = r.top;
  }
  TrackPopupMenu(popup_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, hwnd(),
                 nullptr);
}

// The hourglass stays while a run pumps messages, wherever the mouse goes in the window.
bool TMainForm::OnSetCursor() {
  if (!running_) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

void TMainForm::CloseBtnClick() { SendMessageW(hwnd(), WM_CLOSE, 0, 0); }

void TMainForm::MailListSelectItem(const std::string& mail_id) {
  if (!BeckyAPI || !BeckyAPI->BKA_SetCurrentMail) return;
  OpeningHitScope opening(&OpeningHit);
  BeckyAPI->BKA_SetCurrentMail(mail_id.c_str());
}

void TMainForm::ShowQuickSearch(std::string_view text) {
  if (text.empty()) {
    ShowInFront();
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
        AfterRuns([this] { ShowInFront(); });
      },
      true);
}

void TMainForm::RegisterShowHotKey(int id, uint16_t shortcut) {
  if (shortcut == 0) return;
  UINT key = shortcut & 0x1FFF;
  UINT modifiers = 0;
  if (shortcut & zeldrium::kHotKeyShift) modifiers |= MOD_SHIFT;
  if (shortcut & zeldrium::kHotKeyCtrl) modifiers |= MOD_CONTROL;
  if (shortcut & zeldrium::kHotKeyAlt) modifiers |= MOD_ALT;
  RegisterHotKey(hwnd(), id, modifiers, key);
}

void TMainForm::WMHotKey(int id) {
  if (id == 0) ToggleWindow();
}

void TMainForm::ToggleWindow() {
  if (!Visible()) {
    ShowWindow(hwnd(), FormPlacement::ShowCommand(state_));
  } else if (GetForegroundWindow() == hwnd()) {
    ShowWindow(hwnd(), SW_HIDE);
  }
  if (Visible()) SetForegroundWindow(hwnd());
}

void TMainForm::ShowInFront() {
  if (!Visible()) ShowWindow(hwnd(), FormPlacement::ShowCommand(state_));
  SetForegroundWindow(hwnd());
}
