#ifndef ZELDRIUM_UI_SCOPE_CUE_H_
#define ZELDRIUM_UI_SCOPE_CUE_H_

// The cue over the search window's empty result list that says why nothing was searched: with
// the scope このフォルダ the host showed a mailbox, not a folder. A static control, a child of the
// window (which passes it WM_CTLCOLORSTATIC), hidden until a run ends that way.

#include <windows.h>

#include "win32/handles.h"

namespace ui {

class ScopeCue {
 public:
  // Creates the cue, hidden, as the control id of parent, in font.
  void Create(HWND parent, int id, HFONT font);
  HWND hwnd() const { return cue_; }
  void SetFont(HFONT font);
  // Lays the cue across the top of the list, whose area starts at (left, list_top) and is width
  // wide, at dpi.
  void Place(int left, int list_top, int width, int dpi);
  // Shown above the list, or hidden.
  void Show(bool shown);
  // The answer to the cue's WM_CTLCOLORSTATIC: written on the list's ground, in a hint's colour.
  LRESULT Colors(HDC dc);

 private:
  HWND cue_ = nullptr;
  win32::UniqueHbrush ground_;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_SCOPE_CUE_H_
