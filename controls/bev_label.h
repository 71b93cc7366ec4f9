#ifndef ZELDRIUM_CONTROLS_BEV_LABEL_H_
#define ZELDRIUM_CONTROLS_BEV_LABEL_H_

// TBevelLabel: a caption inside a panel-like 3-D frame (outer bevel, border band, inner bevel,
// filled inner area). Multi-line captions go through the system's text drawing; single-line ones
// can be turned by 90, 180 or 270 degrees. The setup dialog shows the list font's name in one.
//
// The painting is the free function PaintBevelLabel, so that it can be checked on a memory
// bitmap; the window only keeps the state, repaints when it changes and double-buffers.

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

// Everything the painting reads. Widths out of range (a bevel below 1, a border below 0) are
// refused by TBevelLabel's setters; PaintBevelLabel copes with any value.
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
};

// Paints the whole of client into dc. The DC's own state (font, colours, modes) is left as it
// was found.
void PaintBevelLabel(const BevelLabelState& state, HDC dc, RECT client);

// The caption with every backslash-"n" pair turned into CR LF. A backslash that is the trail
// byte of a double-byte character ("ソ" is 0x83 0x5C) is part of that character, not an escape.
std::string ExpandNewlines(std::string_view caption);

// The control. Usable before Create (and without it, for painting its state elsewhere): the
// setters then only store.
class TBevelLabel : public win32::Window {
 public:
  TBevelLabel() = default;
  ~TBevelLabel() override = default;

  // A visible child of parent; the window class is registered by the first label.
  bool Create(HWND parent, int left, int top, int width, int height);

  const BevelLabelState& State() const { return state_; }

  TBevelCut BevelInner() const { return state_.BevelInner; }
  TBevelCut BevelOuter() const { return state_.BevelOuter; }
  int BevelWidth() const { return state_.BevelWidth; }
  int BorderWidth() const { return state_.BorderWidth; }
  bool Down() const { return state_.Down; }
  int TextBorder() const { return state_.TextBorder; }
  int TextOffset() const { return state_.TextOffset; }
  TTextRotate TextRotate() const { return state_.TextRotate; }
  bool SingleLine() const { return state_.SingleLine; }
  bool Newlines() const { return state_.Newlines; }
  const std::string& Caption() const { return state_.Caption; }
  const TBevelFont& Font() const { return state_.Font; }
  TColor Color() const { return state_.Color; }
  TAlignment Alignment() const { return state_.Alignment; }
  TTextLayout Layout() const { return state_.Layout; }
  bool WordWrap() const { return state_.WordWrap; }

  // The frame setters repaint even when the value is the same.
  void SetBevelInner(TBevelCut cut);
  void SetBevelOuter(TBevelCut cut);
  // False, and nothing changes, for a width below 1.
  bool SetBevelWidth(int width);
  // False, and nothing changes, for a width below 0.
  bool SetBorderWidth(int width);
  // true: a sunken box, false: a raised one; either way without outer bevel. Setting the
  // current value changes nothing, so a new label (Down false) stays sunken.
  void SetDown(bool down);

  // These repaint only on a change.
  void SetTextBorder(int pixels);
  void SetTextOffset(int pixels);
  void SetTextRotate(TTextRotate rotate);
  void SetSingleLine(bool single_line);
  void SetNewlines(bool newlines);
  void SetCaption(std::string_view caption);  // code page 932
  void SetFont(const TBevelFont& font);
  void SetColor(TColor color);
  void SetAlignment(TAlignment alignment);
  void SetLayout(TTextLayout layout);
  void SetWordWrap(bool word_wrap);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void OnPaint();
  void OnPrintClient(HDC dc);
  void Repaint();
  template <typename T>
  void ChangeAndRepaint(T& field, const T& value);

  BevelLabelState state_;
};

}  // namespace controls

#endif  // ZELDRIUM_CONTROLS_BEV_LABEL_H_
