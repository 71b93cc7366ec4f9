#include "ui/main_view.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "engine/search_run.h"
#include "text/code_page_win.h"
#include "text/str_csv.h"
#include "text/str_libs.h"
#include "ui/main_view_ids.h"

using namespace mainview;

namespace {

constexpr char kCaption[] = "\x83\x4e\x83\x43\x83\x62\x83\x4e\x8c\x9f\x8d\xf5";  // クイック検索
constexpr char kFormFont[] = "\x82l\x82r \x82o\x83S\x83V\x83\x62\x83N";  // ＭＳ Ｐゴシック
constexpr int kFormFontPoints = 9;
constexpr wchar_t kClassName[] = L"ZeldriumQuickSearch";
constexpr RECT kDesignedBounds = {302, 281, 302 + 932, 281 + 399};

// A font of the settings' form at the window's DPI: points become pixels there.
HFONT MakeFont(const zeldrium::TFontDesc& desc, int dpi) {
  LOGFONTW font = {};
  const int points = desc.Size > 0 ? desc.Size : kFormFontPoints;
  font.lfHeight = win32::FontHeightAt(points, dpi);
  font.lfWeight = (desc.Style & zeldrium::kFontBold) ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (desc.Style & zeldrium::kFontItalic) ? TRUE : FALSE;
  font.lfUnderline = (desc.Style & zeldrium::kFontUnderline) ? TRUE : FALSE;
  font.lfStrikeOut = (desc.Style & zeldrium::kFontStrikeOut) ? TRUE : FALSE;
  font.lfCharSet = static_cast<BYTE>(desc.Charset & 0xFF);
  font.lfPitchAndFamily = desc.Pitch == zeldrium::kPitchVariable ? VARIABLE_PITCH
                          : desc.Pitch == zeldrium::kPitchFixed  ? FIXED_PITCH
                                                                 : DEFAULT_PITCH;
  const std::wstring face = zeldrium::WideFrom932(desc.Name);
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
  args.title = zeldrium::WideFrom932(kCaption);
  args.x = kDesignedBounds.left;
  args.y = kDesignedBounds.top;
  args.width = kDesignedBounds.right - kDesignedBounds.left;
  args.height = kDesignedBounds.bottom - kDesignedBounds.top;
  return win32::Window::Create(args);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  // clang-format off
  switch (message) {
    case WM_CREATE: FormCreate(); return 0;
    case WM_SIZE: Layout(); return 0;
    case WM_SHOWWINDOW: if (wparam) FormShow(); break;
    case WM_ACTIVATE: OnActivate(LOWORD(wparam) != WA_INACTIVE && !HIWORD(wparam)); return 0;
    case WM_SETFOCUS: OnSetFocus(); return 0;
    case WM_CLOSE: FormClose(); return 0;
    case WM_DESTROY: FormDestroy(); return 0;
    case WM_HOTKEY: WMHotKey(static_cast<int>(wparam)); return 0;
    case WM_COMMAND: OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam)); return 0;
    case WM_NOTIFY: return OnNotify(reinterpret_cast<const NMHDR*>(lparam));
    case WM_CONTEXTMENU: OnContextMenu(reinterpret_cast<HWND>(wparam), GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)); return 0;
    case WM_INITMENUPOPUP: if (reinterpret_cast<HMENU>(wparam) == TabControl1.menu()) PopupMenu1Popup(); return 0;
    case WM_SETCURSOR: if (OnSetCursor()) return TRUE; break;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wparam), reinterpret_cast<const RECT*>(lparam)); return 0;
  }
  // clang-format on
  return win32::Window::HandleMessage(message, wparam, lparam);
}

void TMainForm::FormCreate() {
  dpi_ = win32::WindowDpi(hwnd());
  if (dpi_ != win32::kDesignDpi) {
    SetWindowPos(hwnd(), nullptr, 0, 0,
                 win32::Scaled(kDesignedBounds.right - kDesignedBounds.left, dpi_),
                 win32::Scaled(kDesignedBounds.bottom - kDesignedBounds.top, dpi_),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  CreateControls();
  TabControl1.Fill(TabCaptions());
  history_ = zeldrium::ReadCommaList(params_.FindHistory);
  ToolBar8.SetHistory(history_);
  ApplyListFont();
  ApplyColumnWidths(params_.ColWidth);
  FormPlacement placement(*this);
  params_.RestoreWindow(placement);
  ToolBar8.WriteDatePicker(params_.DateLimit, params_.UseDateLimit);
  SetMultiLine(params_.MultiLineTab);
  RegisterShowHotKey(0, params_.ShowHotKey);
  Layout();
}

void TMainForm::MakeFonts() {
  zeldrium::TFontDesc form_font;
  form_font.Name = kFormFont;
  form_font.Charset = SHIFTJIS_CHARSET;
  form_font.Size = kFormFontPoints;
  form_font_.reset(MakeFont(form_font, dpi_));
}

void TMainForm::CreateControls() {
  win32::ActivationScope themed;
  INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_TAB_CLASSES | ICC_BAR_CLASSES |
                                                       ICC_DATE_CLASSES | ICC_LISTVIEW_CLASSES |
                                                       ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  MakeFonts();
  TabControl1.Create(hwnd(), kTabControl1, form_font_.get());
  ToolBar8.Create(hwnd(), form_font_.get(), dpi_);
  ToolBar8.on_search_key = [this](wchar_t key) { ComboBox1KeyPress(key); };
  MailList.Create(hwnd(), kMailList, dpi_);
  MailList.on_select = [this](const std::string& mail_id) { MailListSelectItem(mail_id); };
  MailList.on_double_click = [this] { CloseBtnClick(); };
  // The strip lies below the controls that stand on its page, and (with WS_CLIPSIBLINGS) does
  // not paint over them.
  SetWindowPos(TabControl1.hwnd(), HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  focus_cycle_.Set(
      {ToolBar8.ComboBox2(), ToolBar8.ComboBox1(), ToolBar8.DateTimePicker1(), MailList.hwnd()});
}

// The tab strip fills the window; the tool bar and the list fill its page.
void TMainForm::LayoutIfPageMoved() {
  if (!TabControl1.hwnd()) return;
  const RECT page = TabControl1.PageRect();
  if (!EqualRect(&page, &page_)) Layout();
}

void TMainForm::Layout() {
  if (!TabControl1.hwnd()) return;
  RECT client;
  GetClientRect(hwnd(), &client);
  MoveWindow(TabControl1.hwnd(), 0, 0, client.right, client.bottom, TRUE);
  const RECT page = TabControl1.PageRect();
  page_ = page;
  ToolBar1Resize();
  const int width = std::max<int>(0, page.right - page.left);
  const int list_top = page.top + ToolBar8.Height();
  MoveWindow(MailList.hwnd(), page.left, list_top, width, std::max<int>(0, page.bottom - list_top),
             TRUE);
}

// Label1 is fitted to the bar whenever the bar changes size (main_view_bar_layout.h).
void TMainForm::ToolBar1Resize() {
  ToolBar8.Place(page_.left, page_.top, std::max<int>(0, page_.right - page_.left));
}

void TMainForm::FormShow() { ToolBar1Resize(); }

void TMainForm::FormClose() {
  params_.ColWidth = StoredColumnWidths();
  SYSTEMTIME day;
  params_.UseDateLimit = ToolBar8.ReadDatePicker(&day);
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
void TMainForm::RemoveEditSubclass() { ToolBar8.RemoveSearchEditSubclass(); }

// Stored widths are designed pixels, as every size of the window: at 96 dpi the screen's
// pixels, and a file written at one DPI shows the same columns at another. A width of 0 or
// less, or a field beyond the last column, changes nothing.
void TMainForm::ApplyColumnWidths(const std::string& stored) {
  const zeldrium::TStringCSV fields(stored);
  for (int i = 0; i < fields.Count() && i < ui::ResultList::kColumnCount; ++i) {
    const int width = fields.GetInt(i);
    if (width > 0) MailList.SetColumnWidth(i, win32::Scaled(width, dpi_));
  }
}

std::string TMainForm::StoredColumnWidths() const {
  std::vector<std::string> widths;
  for (int i = 0; i < ui::ResultList::kColumnCount; ++i) {
    widths.push_back(std::to_string(win32::Unscaled(MailList.ColumnWidth(i), dpi_)));
  }
  return zeldrium::WriteCommaList(widths);
}

void TMainForm::StoreHistory() { params_.FindHistory = zeldrium::WriteCommaList(history_); }

void TMainForm::StoreHistoryForExit() { StoreHistory(); }

// Called from another thread than the window's: the subclasses cannot be taken off their chains
// from here, so every window of ours that has one gets its class's own procedure back.
void TMainForm::Abandon() {
  StoreHistory();
  focus_cycle_.CutLoose();
  win32::CutLoose(ToolBar8.SearchEdit());
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
  win32::UniqueHfont font(MakeFont(params_.ViewFont, dpi_));
  if (!font) return;
  MailList.SetFont(font.get());
  // The old font may go only once the list no longer uses it.
  list_font_ = std::move(font);
  const COLORREF color = TextColor(params_.ViewFont.Color);
  ListView_SetTextColor(MailList.hwnd(), color);
  InvalidateRect(MailList.hwnd(), nullptr, TRUE);
}

// Every designed size again for the new DPI, then the place the system suggests. The column
// widths keep their proportions (the list scales them); the stored ones are designed pixels.
void TMainForm::OnDpiChanged(int dpi, const RECT* suggested) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  win32::UniqueHfont old_font = std::move(form_font_);
  MakeFonts();
  TabControl1.SetFont(form_font_.get());
  ToolBar8.SetDpi(dpi_, form_font_.get());
  MailList.SetDpi(dpi_);
  ApplyListFont();
  page_ = {};
  if (suggested) {
    SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top,
                 suggested->right - suggested->left, suggested->bottom - suggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Layout();
}

void TMainForm::OnCommand(int id, int code, HWND control) {
  // The tool bar sends nothing for a disabled button.
  if (control && control == ToolBar8.hwnd() && !ToolBar8.ButtonEnabled(id)) return;
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
  if (ToolBar8.HandleNotify(header, &result)) return result;
  if (header->hwndFrom == TabControl1.hwnd() && header->code == TCN_SELCHANGE) {
    TabControl1Changed();
    return 0;
  }
  return 0;
}

// The menu of the tab strip, and of every control inside the window that has none of its own:
// the tool bar, the field selector, the date picker, the labels, the result list and its header.
// The search text keeps its edit menu. From the keyboard (-1, -1) it opens at the control's
// top-left corner.
void TMainForm::OnContextMenu(HWND source, int x, int y) {
  HWND search = ToolBar8.ComboBox1();
  if (!source || source == search || IsChild(search, source)) return;
  if (source != hwnd() && !IsChild(hwnd(), source)) return;
  if (x == -1 && y == -1) {
    RECT r;
    GetWindowRect(source, &r);
    x = r.left;
    y = r.top;
  }
  TabControl1.TrackMenu(hwnd(), x, y);
}

// The hourglass stays while a run pumps messages, wherever the mouse goes in the window.
bool TMainForm::OnSetCursor() {
  if (!runs_.Running()) return false;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

// Leaving, the window remembers which of its controls had the keyboard; activated again, it
// gives it back (to the search text when that control is gone or cannot take it).
void TMainForm::OnActivate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd(), focus)) saved_focus_ = focus;
    return;
  }
  OnSetFocus();
}

void TMainForm::OnSetFocus() {
  HWND to = saved_focus_;
  if (to && IsWindow(to) && IsChild(hwnd(), to) && IsWindowVisible(to) && IsWindowEnabled(to)) {
    SetFocus(to);
  } else {
    ToolBar8.FocusSearchText();
  }
}

void TMainForm::CloseBtnClick() { SendMessageW(hwnd(), WM_CLOSE, 0, 0); }

void TMainForm::MailListSelectItem(const std::string& mail_id) {
  OpeningHitScope opening(&OpeningHit);
  host_.SetCurrentMail(mail_id);
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

// Shown or brought to the front, the window is there to search: the keyboard goes to the search
// text.
void TMainForm::ToggleWindow() {
  if (!Visible()) {
    ShowWindow(hwnd(), FormPlacement::ShowCommand(state_));
  } else if (GetForegroundWindow() == hwnd()) {
    ShowWindow(hwnd(), SW_HIDE);
  }
  if (!Visible()) return;
  SetForegroundWindow(hwnd());
  ToolBar8.FocusSearchText();
}

void TMainForm::ShowInFront() {
  if (!Visible()) ShowWindow(hwnd(), FormPlacement::ShowCommand(state_));
  SetForegroundWindow(hwnd());
}
