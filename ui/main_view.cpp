#include "ui/main_view.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "text/code_page_win.h"
#include "text/str_csv.h"
#include "ui/main_view_ids.h"
#include "ui/view_font.h"
#include "win32/module_life.h"

using namespace mainview;

namespace {

constexpr char kCaption[] = "\x83\x4e\x83\x43\x83\x62\x83\x4e\x8c\x9f\x8d\xf5";  // クイック検索
constexpr char kFormFont[] = "\x82l\x82r \x82o\x83S\x83V\x83\x62\x83N";  // ＭＳ Ｐゴシック
constexpr int kFormFontPoints = 9;
constexpr wchar_t kClassName[] = L"ZeldriumQuickSearch";

// A font of the settings' form at the window's DPI; one without a size has the form's.
HFONT MakeFont(zeldrium::TFontDesc desc, int dpi) {
  if (desc.Size <= 0) desc.Size = kFormFontPoints;
  const LOGFONTW font = ui::ToLogFont(desc, dpi);
  return CreateFontIndirectW(&font);
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

TMainForm::TMainForm(zeldrium::TInitParam& params, ui::MailHost& host, zeldrium::FileSystem& fs)
    : params_(params), host_(host), fs_(fs), search_(fs, host, *this, platform_) {}

TMainForm::~TMainForm() { Destroy(); }

bool TMainForm::Create() {
  CreateArgs args;
  args.class_name = kClassName;
  args.ex_style = WS_EX_TOOLWINDOW;
  // Sizable with a small caption, but no system menu and so no caption buttons.
  args.style = WS_CAPTION | WS_THICKFRAME | WS_CLIPCHILDREN;
  args.title = zeldrium::WideFrom932(kCaption);
  constexpr zeldrium::TRect bounds = ui::kDesignedBounds;
  args.x = bounds.Left;
  args.y = bounds.Top;
  args.width = bounds.Right - bounds.Left;
  args.height = bounds.Bottom - bounds.Top;
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
    case WM_DRAWITEM: return MailList.DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_CONTEXTMENU: OnContextMenu(reinterpret_cast<HWND>(wparam), GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)); return 0;
    case WM_INITMENUPOPUP: if (reinterpret_cast<HMENU>(wparam) == TabControl1.menu()) PopupMenu1Popup(); return 0;
    case WM_SETCURSOR: if (OnSetCursor()) return TRUE; break;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wparam), reinterpret_cast<const RECT*>(lparam)); return 0;
    case kSearchTextChanged: SearchTextChanged(wparam); return 0;
    case WM_CTLCOLORSTATIC: if (reinterpret_cast<HWND>(lparam) == scope_cue_.hwnd()) return scope_cue_.Colors(reinterpret_cast<HDC>(wparam)); break;
  }
  // clang-format on
  return win32::Window::HandleMessage(message, wparam, lparam);
}

void TMainForm::FormCreate() {
  dpi_ = win32::WindowDpi(hwnd());
  placement_.Attach(hwnd(), dpi_);
  CreateControls();
  TabControl1.Fill(TabCaptions());
  ToolBar8.SetHistory(zeldrium::ReadCommaList(params_.FindHistory));
  ToolBar8.SetScope(params_.Scope);
  ApplyListFont();
  MailList.ApplyStoredWidths(params_.ColWidth);
  placement_.Restore(params_);
  ToolBar8.WriteDatePicker(params_.DateLimit, params_.UseDateLimit);
  SetMultiLine(params_.MultiLineTab);
  RegisterShowHotKey(0, params_.ShowHotKey);
  Layout();
}

void TMainForm::MakeFonts() {
  form_font_.reset(MakeFont({kFormFont, SHIFTJIS_CHARSET, 0, 0, kFormFontPoints}, dpi_));
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
  ToolBar8.on_escape = [this] { SearchTextEscape(); };
  ToolBar8.on_composition_end = [this] { ComboBox1Change(); };
  MailList.Create(hwnd(), kMailList, dpi_);
  // The cue lies over the list, which must not paint over it.
  SetWindowLongPtrW(MailList.hwnd(), GWL_STYLE,
                    GetWindowLongPtrW(MailList.hwnd(), GWL_STYLE) | WS_CLIPSIBLINGS);
  scope_cue_.Create(hwnd(), kScopeCue, form_font_.get());
  MailList.on_select = [this](const std::string& mail_id) { MailListSelectItem(mail_id); };
  MailList.on_double_click = [this] { CloseBtnClick(); };
  // The strip lies below the controls that stand on its page, and (with WS_CLIPSIBLINGS) does
  // not paint over them.
  SetWindowPos(TabControl1.hwnd(), HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  focus_cycle_.Set({ToolBar8.ComboBox2(), ToolBar8.ScopeBox(), ToolBar8.ComboBox1(),
                    ToolBar8.DateTimePicker1(), MailList.hwnd()});
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
  scope_cue_.Place(page.left, list_top, width, dpi_);
}

// Label1 is fitted to the bar whenever the bar changes size (main_view_bar_layout.h).
void TMainForm::ToolBar1Resize() {
  ToolBar8.Place(page_.left, page_.top, std::max<int>(0, page_.right - page_.left));
}

void TMainForm::FormShow() { ToolBar1Resize(); }

void TMainForm::FormClose() {
  params_.ColWidth = MailList.StoredWidths();
  uint32_t day = 0;
  params_.UseDateLimit = ToolBar8.ReadDatePicker(&day);
  params_.DateLimit = static_cast<int32_t>(day);
  placement_.Store(&params_);
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

void TMainForm::StoreHistory() {
  params_.FindHistory = zeldrium::WriteCommaList(ToolBar8.History());
}

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

void TMainForm::ApplyListFont() {
  if (!MailList.hwnd()) return;
  win32::UniqueHfont font(MakeFont(params_.ViewFont, dpi_));
  if (!font) return;
  MailList.SetFont(font.get());
  // The old font may go only once the list no longer uses it.
  list_font_ = std::move(font);
  ListView_SetTextColor(MailList.hwnd(), ui::ColorOf(params_.ViewFont.Color));
  InvalidateRect(MailList.hwnd(), nullptr, TRUE);
}

// Every designed size again for the new DPI, then the window's new place. The column widths keep
// their proportions (the list scales them); the stored ones are designed pixels.
void TMainForm::OnDpiChanged(int dpi, const RECT* suggested) {
  if (dpi <= 0 || dpi == dpi_) return;
  dpi_ = dpi;
  win32::UniqueHfont old_font = std::move(form_font_);
  MakeFonts();
  TabControl1.SetFont(form_font_.get());
  scope_cue_.SetFont(form_font_.get());
  ToolBar8.SetDpi(dpi_, form_font_.get());
  MailList.SetDpi(dpi_);
  ApplyListFont();
  page_ = {};
  placement_.DpiChanged(suggested);
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
    case kComboBox1: if (code == CBN_EDITCHANGE || code == CBN_SELCHANGE) ComboBox1Change(); return;
    case kScopeBox: if (code == CBN_SELCHANGE) ScopeBoxChange(); return;
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
    case kCopyResults: CopyResultsClick(); return;
  }
  // clang-format on
}

LRESULT TMainForm::OnNotify(const NMHDR* header) {
  LRESULT result = 0;
  if (!header) return 0;
  // Esc in the list stops a run, as it does in the search text.
  if (header->hwndFrom == MailList.hwnd() && header->code == LVN_KEYDOWN &&
      reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_ESCAPE) {
    ToolButton1Click();
    return 0;
  }
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
  if (!search_.Running() || search_.RunningPreview()) return false;
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
    ShowWindow(hwnd(), placement_.ShowCommand());
  } else if (GetForegroundWindow() == hwnd()) {
    ShowWindow(hwnd(), SW_HIDE);
  }
  if (!Visible()) return;
  SetForegroundWindow(hwnd());
  ToolBar8.FocusSearchText();
}

void TMainForm::ShowInFront() {
  if (!Visible()) ShowWindow(hwnd(), placement_.ShowCommand());
  SetForegroundWindow(hwnd());
}
