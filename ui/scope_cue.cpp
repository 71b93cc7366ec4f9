#include "ui/scope_cue.h"

#include <commctrl.h>

#include <algorithm>

#include "text/code_page_win.h"
#include "win32/dpi.h"
#include "win32/window.h"

namespace ui {
namespace {

// メールボックスが選択されているため、「このフォルダ」では何も検索されません。
// 検索範囲で「このメールボックス」か「すべてのメールボックス」を選んでください。
constexpr char kScopeCueText[] =
    "\x83\x81\x81\x5b\x83\x8b\x83\x7b\x83\x62\x83\x4e\x83\x58\x82\xaa\x91\x49\x91\xf0\x82\xb3"
    "\x82\xea\x82\xc4\x82\xa2\x82\xe9\x82\xbd\x82\xdf\x81\x41\x81\x75\x82\xb1\x82\xcc\x83\x74"
    "\x83\x48\x83\x8b\x83\x5f\x81\x76\x82\xc5\x82\xcd\x89\xbd\x82\xe0\x8c\x9f\x8d\xf5\x82\xb3"
    "\x82\xea\x82\xdc\x82\xb9\x82\xf1\x81\x42\r\n"
    "\x8c\x9f\x8d\xf5\x94\xcd\x88\xcd\x82\xc5\x81\x75\x82\xb1\x82\xcc\x83\x81\x81\x5b\x83\x8b"
    "\x83\x7b\x83\x62\x83\x4e\x83\x58\x81\x76\x82\xa9\x81\x75\x82\xb7\x82\xd7\x82\xc4\x82\xcc"
    "\x83\x81\x81\x5b\x83\x8b\x83\x7b\x83\x62\x83\x4e\x83\x58\x81\x76\x82\xf0\x91\x49\x82\xf1"
    "\x82\xc5\x82\xad\x82\xbe\x82\xb3\x82\xa2\x81\x42";
// Designed pixels of the cue over the list.
constexpr int kCueMargin = 16;
constexpr int kCueTop = 40;
constexpr int kCueHeight = 40;

}  // namespace

void ScopeCue::Create(HWND parent, int id, HFONT font) {
  cue_ = CreateWindowExW(0, WC_STATICW, zeldrium::WideFrom932(kScopeCueText).c_str(),
                         WS_CHILD | SS_CENTER | SS_NOPREFIX, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), win32::ThisModule(),
                         nullptr);
  if (cue_) SendMessageW(cue_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void ScopeCue::SetFont(HFONT font) {
  if (cue_) SendMessageW(cue_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ScopeCue::Place(int left, int list_top, int width, int dpi) {
  if (!cue_) return;
  const int margin = win32::Scaled(kCueMargin, dpi);
  MoveWindow(cue_, left + margin, list_top + win32::Scaled(kCueTop, dpi),
             std::max(0, width - 2 * margin), win32::Scaled(kCueHeight, dpi), TRUE);
}

void ScopeCue::Show(bool shown) {
  if (!cue_) return;
  if (shown) SetWindowPos(cue_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(cue_, shown ? SW_SHOWNA : SW_HIDE);
}

LRESULT ScopeCue::Colors(HDC dc) {
  if (!ground_) ground_.reset(CreateSolidBrush(GetSysColor(COLOR_WINDOW)));
  SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<LRESULT>(ground_.get());
}

}  // namespace ui
