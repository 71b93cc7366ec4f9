#include "ui/main_view_tabs.h"

#include "text/code_page_win.h"
#include "ui/main_view_ids.h"
#include "win32/window.h"

namespace ui {
namespace {

using namespace mainview;

// Code page 932 captions of the menu.
constexpr char kN4Text[] = "\x8d\xc4\x8c\x9f\x8d\xf5";                            // 再検索
constexpr char kN6Text[] = "\x83^\x83u\x88\xda\x93\xae...";                       // タブ移動...
constexpr char kPrevText[] = "\x82\xd0\x82\xc6\x82\xc2\x91O\x82\xd6";             // ひとつ前へ
constexpr char kNextText[] = "\x82\xd0\x82\xc6\x82\xc2\x8c\xe3\x82\xd6";          // ひとつ後へ
constexpr char kTopText[] = "\x90\xe6\x93\xaa\x82\xd6";                           // 先頭へ
constexpr char kLastText[] = "\x8d\xc5\x8c\xe3\x82\xd6";                          // 最後へ
constexpr char kSortText[] = "\x83\x5c\x81[\x83g";                                // ソート
constexpr char kMultiText[] = "\x95\xa1\x90\x94\x8ds\x95\x5c\x8e\xa6";            // 複数行表示
constexpr char kDeleteText[] = "\x83^\x83u\x8d\xed\x8f\x9c";                      // タブ削除
constexpr char kClearText[] = "\x91S\x82\xc4\x8f\xc1\x8b\x8e";                    // 全て消去
constexpr char kCopyText[] = "\x8c\x8b\x89\xca\x82\xf0\x83\x52\x83\x73\x81\x5b";  // 結果をコピー
constexpr char kPropText[] =
    "\x8c\x9f\x8d\xf5\x83v\x83\x8d\x83p\x83\x65\x83\x42";  // 検索プロパティ

void AppendItem(HMENU menu, int id, const char* caption) {
  AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), zeldrium::WideFrom932(caption).c_str());
}
void AppendSeparator(HMENU menu) { AppendMenuW(menu, MF_SEPARATOR, 0, nullptr); }

void InsertTab(HWND tabs, int index, const std::string& caption) {
  std::wstring text = zeldrium::WideFrom932(caption);
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

// Repainting is suspended while the tabs are rebuilt, and the strip painted once afterwards.
class NoRedraw {
 public:
  explicit NoRedraw(HWND window) : window_(window) {
    SendMessageW(window_, WM_SETREDRAW, FALSE, 0);
  }
  ~NoRedraw() {
    SendMessageW(window_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(window_, nullptr, TRUE);
  }
  NoRedraw(const NoRedraw&) = delete;
  NoRedraw& operator=(const NoRedraw&) = delete;

 private:
  HWND window_;
};

}  // namespace

bool MainViewTabs::Create(HWND parent, int id, HFONT font) {
  tabs_ = CreateWindowExW(0, WC_TABCONTROLW, L"",
                          WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BOTTOM | TCS_FOCUSNEVER, 0,
                          0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          win32::ThisModule(), nullptr);
  if (!tabs_) return false;
  SetFont(font);
  CreateMenu();
  return true;
}

void MainViewTabs::CreateMenu() {
  popup_.reset(CreatePopupMenu());
  HMENU menu = popup_.get();
  if (!menu) return;
  move_menu_ = CreatePopupMenu();
  AppendItem(move_menu_, kN_Prev, kPrevText);
  AppendItem(move_menu_, kN_Next, kNextText);
  AppendSeparator(move_menu_);
  AppendItem(move_menu_, kN_Top, kTopText);
  AppendItem(move_menu_, kN_Last, kLastText);
  AppendSeparator(move_menu_);
  AppendItem(move_menu_, kN_Sort, kSortText);

  AppendItem(menu, kN4, kN4Text);
  AppendItem(menu, kCopyResults, kCopyText);
  AppendSeparator(menu);
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(move_menu_),
              zeldrium::WideFrom932(kN6Text).c_str());
  AppendSeparator(menu);
  AppendItem(menu, kN_Multi, kMultiText);
  AppendSeparator(menu);
  AppendItem(menu, kDelete1, kDeleteText);
  AppendItem(menu, kN3, kClearText);
  AppendSeparator(menu);
  AppendItem(menu, kN1, kPropText);
}

void MainViewTabs::SetFont(HFONT font) {
  SendMessageW(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void MainViewTabs::Fill(const std::vector<std::string>& captions) {
  NoRedraw quiet(tabs_);
  SendMessageW(tabs_, TCM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < captions.size(); ++i) InsertTab(tabs_, static_cast<int>(i), captions[i]);
}

int MainViewTabs::Count() const {
  return static_cast<int>(SendMessageW(tabs_, TCM_GETITEMCOUNT, 0, 0));
}

int MainViewTabs::Current() const {
  const int index = static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0));
  return index >= 0 && index < Count() ? index : -1;
}

void MainViewTabs::Select(int index) {
  if (index >= 0 && index < Count()) {
    SendMessageW(tabs_, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

void MainViewTabs::SetCaption(int index, const std::string& caption) {
  std::wstring text = zeldrium::WideFrom932(caption);
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  SendMessageW(tabs_, TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

void MainViewTabs::Move(int from, int to, const std::string& caption) {
  {
    NoRedraw quiet(tabs_);
    SendMessageW(tabs_, TCM_DELETEITEM, static_cast<WPARAM>(from), 0);
    InsertTab(tabs_, to, caption);
  }
  Select(to);
}

void MainViewTabs::Delete(int index) {
  SendMessageW(tabs_, TCM_DELETEITEM, static_cast<WPARAM>(index), 0);
}

void MainViewTabs::SetMultiLine(bool multi) {
  LONG_PTR style = GetWindowLongPtrW(tabs_, GWL_STYLE);
  style = multi ? (style | TCS_MULTILINE) : (style & ~static_cast<LONG_PTR>(TCS_MULTILINE));
  SetWindowLongPtrW(tabs_, GWL_STYLE, style);
  CheckMenuItem(popup_.get(), kN_Multi, MF_BYCOMMAND | (multi ? MF_CHECKED : MF_UNCHECKED));
  InvalidateRect(tabs_, nullptr, TRUE);
}

RECT MainViewTabs::PageRect() const {
  RECT page = {};
  GetClientRect(tabs_, &page);
  TabCtrl_AdjustRect(tabs_, FALSE, &page);
  MapWindowPoints(tabs_, GetParent(tabs_), reinterpret_cast<POINT*>(&page), 2);
  return page;
}

void MainViewTabs::EnableMoves(int current, int count) {
  const UINT back = MF_BYCOMMAND | (current > 0 ? MF_ENABLED : MF_GRAYED);
  const UINT on = MF_BYCOMMAND | (current >= 0 && current < count - 1 ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(popup_.get(), kN_Prev, back);
  EnableMenuItem(popup_.get(), kN_Top, back);
  EnableMenuItem(popup_.get(), kN_Next, on);
  EnableMenuItem(popup_.get(), kN_Last, on);
}

void MainViewTabs::EnableCopyResults(bool enable) {
  EnableMenuItem(popup_.get(), kCopyResults, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

void MainViewTabs::TrackMenu(HWND owner, int x, int y) {
  TrackPopupMenu(popup_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, owner,
                 nullptr);
}

}  // namespace ui
