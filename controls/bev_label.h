#ifndef ZELDRIUM_CONTROLS_BEV_LABEL_H_
#define ZELDRIUM_CONTROLS_BEV_LABEL_H_

// TBevelLabel: a caption inside a panel-like 3-D frame (outer bevel, border band, inner bevel,
// filled inner area). Multi-line captions go through the system's text drawing; single-line ones
// can be turned by 90, 180 or 270 degrees. The setup dialog shows the list font's name in one.
//
// The painting is the free function PaintBevelLabel, so that it can be checked on a memory
// bitmap; the window only keeps the state.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "win32/window.h"

namespace controls {

// A colour as the settings keep it: 0x00BBGGRR, or a system colour index (COLOR_...) with the
// high byte 0x80. The label's Color also takes -1 for the system window colour.
using TColor = int32_t;
constexpr TColor SysColor(int index) { return static_cast<TColor>(0x80000000u | (index & 0xFF)); }
constexpr TColor kColorSystemWindow = -1;

enum class TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
// Counter-clockwise: trReverse 180, trLeft 90, trRight 270 degrees. Single-line mode only.
enum class TTextRotate { trNone, trReverse, trLeft, trRight };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

struct TBevelFont {
  std::string Name =
      "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ Ｐゴシック
  int Height = -12;  // LOGFONT height: negative is the character height in pixels
  TColor Color = SysColor(COLOR_WINDOWTEXT);
  friend bool operator==(const TBevelFont&, const TBevelFont&) = default;
};

// Everything the painting reads: the label's properties. PaintBevelLabel copes with any value;
// TBevelLabel refuses a bevel narrower than 1 pixel and a border band below 0.
struct BevelLabelState {
  std::string Caption;  // code page 932
  TBevelFont Font;
  TColor Color = SysColor(COLOR_BTNFACE);
  TAlignment Alignment = TAlignment::taLeftJustify;
  TTextLayout Layout = TTextLayout::tlTop;
  bool WordWrap = false;

  TBevelCut BevelInner = TBevelCut::bvLowered;
  TBevelCut BevelOuter = TBevelCut::bvNone;
  int BevelWidth = 1;
  int BorderWidth = 0;
  bool Down = false;
  int TextBorder = 0;
  int TextOffset = 0;
  TTextRotate TextRotate = TTextRotate::trNone;
  bool SingleLine = false;
  bool Newlines = false;

  friend bool operator==(const BevelLabelState&, const BevelLabelState&) = default;
};

// Down is a shortcut for the look of a box: true sinks it, false raises it, either way without
// outer bevel. Setting the current value changes nothing, so a new label (Down false) stays
// sunken.
void SetDown(BevelLabelState* state, bool down);

// Paints the whole of client into dc. The DC's own state (font, colours, modes) is left as it
// was found.
void PaintBevelLabel(const BevelLabelState& state, HDC dc, RECT client);

// The caption with every backslash-"n" pair turned into CR LF. A backslash that is the trail
// byte of a double-byte character ("ソ" is 0x83 0x5C) is part of that character, not an escape.
std::string ExpandNewlines(std::string_view caption);

// The control: it keeps its state, repaints when the state changes and double-buffers. Usable
// before Create: the state is then only stored.
class TBevelLabel : public win32::Window {
 public:
  // A visible child of parent; the window class is registered by the first label.
  bool Create(HWND parent, int left, int top, int width, int height);

  const BevelLabelState& State() const { return state_; }
  // False, and nothing changes, for a BevelWidth below 1 or a BorderWidth below 0.
  bool SetState(const BevelLabelState& state);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void OnPaint();
  void OnPrintClient(HDC dc);

  BevelLabelState state_;
};

}  // namespace controls

#endif  // ZELDRIUM_CONTROLS_BEV_LABEL_H_
