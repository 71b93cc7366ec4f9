#include "controls/bev_label.h"

#include <algorithm>
#include <utility>

#include "text/code_page_win.h"
#include "text/str_libs.h"
#include "win32/handles.h"

namespace controls {
namespace {

constexpr wchar_t kClassName[] = L"ZeldriumBevelLabel";

// Bounds every width and margin so that no rectangle arithmetic can overflow. Far beyond any
// control's size: a frame that wide has already covered the whole control.
constexpr int kMaxExtent = 1 << 20;

COLORREF ToColorRef(TColor color, int system_for_minus_one) {
  if (color == -1) return GetSysColor(system_for_minus_one);
  uint32_t bits = static_cast<uint32_t>(color);
  if ((bits >> 24) == 0x80) return GetSysColor(static_cast<int>(bits & 0xFF));
  return bits & 0x00FFFFFF;
}

void Fill(HDC dc, int left, int top, int right, int bottom, HBRUSH brush) {
  if (left >= right || top >= bottom) return;
  RECT r = {left, top, right, bottom};
  FillRect(dc, &r, brush);
}

void Shrink(RECT* r, int by) {
  r->left += by;
  r->top += by;
  r->right -= by;
  r->bottom -= by;
}

// A frame `width` pixels wide inside r, drawn ring by ring as the toolkit's 3-D frame does: in
// each ring the top edge and the left edge are top_left, except that the bottom-right colour
// owns the top-right and bottom-left corner pixels.
void Frame3D(HDC dc, RECT r, COLORREF top_left, COLORREF bottom_right, int width) {
  // Rings past the middle of the rectangle would paint nothing.
  int rings = std::min<LONG>(width, (std::min(r.right - r.left, r.bottom - r.top) + 1) / 2);
  if (rings <= 0) return;
  win32::UniqueHbrush tl(CreateSolidBrush(top_left));
  win32::UniqueHbrush br(CreateSolidBrush(bottom_right));
  for (int i = 0; i < rings; ++i) {
    Fill(dc, r.left, r.top, r.right - 1, r.top + 1, tl.get());
    Fill(dc, r.left, r.top + 1, r.left + 1, r.bottom - 1, tl.get());
    Fill(dc, r.right - 1, r.top, r.right, r.bottom, br.get());
    Fill(dc, r.left, r.bottom - 1, r.right - 1, r.bottom, br.get());
    Shrink(&r, 1);
  }
}

void Bevel(HDC dc, RECT r, TBevelCut cut, int width) {
  COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT);
  if (cut == TBevelCut::bvLowered) {
    Frame3D(dc, r, shadow, highlight, width);
  } else {
    Frame3D(dc, r, highlight, shadow, width);
  }
}

win32::UniqueHfont MakeFont(const TBevelFont& font, int escapement) {
  LOGFONTW lf = {};
  lf.lfHeight = font.Height;
  lf.lfEscapement = escapement;
  lf.lfCharSet = DEFAULT_CHARSET;
  std::wstring face = zeldrium::WideFrom932(font.Name);
  face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return win32::UniqueHfont(CreateFontIndirectW(&lf));
}

int Escapement(TTextRotate rotate) {
  switch (rotate) {
    case TTextRotate::trReverse:
      return 1800;
    case TTextRotate::trLeft:
      return 900;
    case TTextRotate::trRight:
      return 2700;
    default:
      return 0;
  }
}

// t is relative to (0, 0); r is where the inner area really is.
void DrawSingleLine(const BevelLabelState& state, HDC dc, const std::wstring& text, RECT r,
                    RECT t) {
  win32::UniqueHfont font = MakeFont(state.Font, Escapement(state.TextRotate));
  // Without the font the DC's own one still shows the caption.
  win32::SelectObjectGuard select(dc, font ? static_cast<HGDIOBJ>(font.get()) : nullptr);
  int length = static_cast<int>(text.size());
  SIZE extent = {};
  GetTextExtentPoint32W(dc, text.c_str(), length, &extent);

  int t_width = t.right - t.left;
  int t_height = t.bottom - t.top;
  switch (state.Layout) {
    case TTextLayout::tlCenter:
      t.top += (t_height - extent.cy) / 2;
      break;
    case TTextLayout::tlBottom:
      t.top = t.bottom - extent.cy;
      break;
    case TTextLayout::tlTop:
      break;
  }
  switch (state.Alignment) {
    case TAlignment::taRightJustify:
      t.left = t.right - extent.cx;
      break;
    case TAlignment::taCenter:
      t.left += (t_width - extent.cx) / 2;
      break;
    case TAlignment::taLeftJustify:
      break;
  }

  // The font's escapement turns the text around its starting point, so the point is the corner
  // of r from which the turned text runs.
  POINT p;
  switch (state.TextRotate) {
    case TTextRotate::trReverse:
      p = {r.right - t.left, r.bottom - t.top};
      break;
    case TTextRotate::trLeft:
      p = {r.left + t.top, r.bottom - t.left};
      break;
    case TTextRotate::trRight:
      p = {r.right - t.top, r.top + t.left};
      break;
    default:
      p = {r.left + t.left, r.top + t.top};
      break;
  }
  ExtTextOutW(dc, p.x, p.y, ETO_CLIPPED, &r, text.c_str(), static_cast<UINT>(length), nullptr);
}

// t keeps the inner area's size but stays at the control's own corner, not moved in by the
// frames: that is where this label has always put multi-line text (one pixel up and left of the
// middle with the usual one-pixel frame), and the text is not clipped, so it may cross a frame.
void DrawMultiLine(const BevelLabelState& state, HDC dc, const std::wstring& text, RECT t) {
  // The caption is code page 932 whatever the system's code page is, so it is converted and
  // drawn with DrawTextW; measuring uses the same call and flags, so both count the same units.
  UINT flags = DT_EXPANDTABS | DT_NOPREFIX;
  if (state.WordWrap) flags |= DT_WORDBREAK;
  switch (state.Alignment) {
    case TAlignment::taRightJustify:
      flags |= DT_RIGHT;
      break;
    case TAlignment::taCenter:
      flags |= DT_CENTER;
      break;
    case TAlignment::taLeftJustify:
      flags |= DT_LEFT;
      break;
  }
  // Multi-line text is drawn in the label's face and height too: the setup dialog shows the
  // chosen font's name in that font.
  win32::UniqueHfont font = MakeFont(state.Font, 0);
  win32::SelectObjectGuard select(dc, font ? static_cast<HGDIOBJ>(font.get()) : nullptr);
  int length = static_cast<int>(text.size());

  // Wrapped text is measured at the width it will be drawn in: in an empty rectangle every word
  // would count as a line of its own, and the block would be placed for lines it does not have.
  RECT calc = {0, 0, state.WordWrap ? std::max(0, static_cast<int>(t.right - t.left)) : 0, 0};
  DrawTextW(dc, text.c_str(), length, &calc, flags | DT_CALCRECT);
  int w = calc.right - calc.left + 1;
  int h = calc.bottom - calc.top + 1;

  RECT old = t;
  switch (state.Layout) {
    case TTextLayout::tlCenter:
      t.top = (old.top + old.bottom - h) / 2;
      t.bottom = (old.top + old.bottom + h) / 2;
      break;
    case TTextLayout::tlBottom:
      t.top = old.bottom - h;
      break;
    case TTextLayout::tlTop:
      break;
  }
  switch (state.Alignment) {
    case TAlignment::taRightJustify:
      t.left = old.right - w;
      break;
    case TAlignment::taCenter:
      t.left = (old.left + old.right - w) / 2;
      t.right = (old.left + old.right + w) / 2;
      break;
    case TAlignment::taLeftJustify:
      break;
  }
  DrawTextW(dc, text.c_str(), length, &t, flags | DT_NOCLIP);
}

}  // namespace

std::string ExpandNewlines(std::string_view caption) {
  std::string out;
  out.reserve(caption.size());
  size_t i = 0;
  while (i < caption.size()) {
    unsigned char c = static_cast<unsigned char>(caption[i]);
    bool has_next = i + 1 < caption.size();
    if (zeldrium::IsLeadByte(c) && has_next) {
      out.append(caption.substr(i, 2));
      i += 2;
    } else if (c == '\\' && has_next && caption[i + 1] == 'n') {
      out += "\r\n";
      i += 2;
    } else {
      out += static_cast<char>(c);
      ++i;
    }
  }
  return out;
}

void SetDown(BevelLabelState* state, bool down) {
  if (state->Down == down) return;
  state->Down = down;
  state->BevelInner = down ? TBevelCut::bvLowered : TBevelCut::bvRaised;
  state->BevelOuter = TBevelCut::bvNone;
}

void PaintBevelLabel(const BevelLabelState& state, HDC dc, RECT client) {
  int saved = SaveDC(dc);
  RECT r = client;
  int bevel_width = std::clamp(state.BevelWidth, 0, kMaxExtent);
  int border_width = std::clamp(state.BorderWidth, 0, kMaxExtent);
  COLORREF color = ToColorRef(state.Color, COLOR_WINDOW);

  if (state.BevelOuter != TBevelCut::bvNone) {
    Bevel(dc, r, state.BevelOuter, bevel_width);
    Shrink(&r, bevel_width);
  }
  // The band is painted ring by ring like a bevel, so a band wider than the room left paints
  // the room and no more.
  Frame3D(dc, r, color, color, border_width);
  Shrink(&r, border_width);
  if (state.BevelInner != TBevelCut::bvNone) {
    Bevel(dc, r, state.BevelInner, bevel_width);
    Shrink(&r, bevel_width);
  }
  {
    win32::UniqueHbrush brush(CreateSolidBrush(color));
    Fill(dc, r.left, r.top, r.right, r.bottom, brush.get());
  }

  bool sideways = state.SingleLine && (state.TextRotate == TTextRotate::trLeft ||
                                       state.TextRotate == TTextRotate::trRight);
  int r_width = r.right - r.left;
  int r_height = r.bottom - r.top;
  RECT t = {0, 0, sideways ? r_height : r_width, sideways ? r_width : r_height};
  Shrink(&t, std::clamp(state.TextBorder, -kMaxExtent, kMaxExtent));
  t.left += std::clamp(state.TextOffset, -kMaxExtent, kMaxExtent);

  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ToColorRef(state.Font.Color, COLOR_WINDOWTEXT));
  SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  std::wstring text =
      zeldrium::WideFrom932(state.Newlines ? ExpandNewlines(state.Caption) : state.Caption);
  if (state.SingleLine) {
    DrawSingleLine(state, dc, text, r, t);
  } else {
    DrawMultiLine(state, dc, text, t);
  }
  RestoreDC(dc, saved);
}

bool TBevelLabel::Create(HWND parent, int left, int top, int width, int height) {
  CreateArgs args;
  args.class_name = kClassName;
  // The layout depends on the whole size, so any resize repaints all of it.
  args.class_style = CS_HREDRAW | CS_VREDRAW;
  args.style = WS_CHILD | WS_VISIBLE;
  args.title = zeldrium::WideFrom932(state_.Caption);
  args.x = left;
  args.y = top;
  args.width = width;
  args.height = height;
  args.parent = parent;
  return win32::Window::Create(args);
}

LRESULT TBevelLabel::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:
      OnPrintClient(reinterpret_cast<HDC>(wparam));
      return 0;
  }
  return win32::Window::HandleMessage(message, wparam, lparam);
}

void TBevelLabel::OnPaint() {
  win32::PaintScope paint(hwnd());
  RECT client;
  GetClientRect(hwnd(), &client);
  int width = client.right - client.left;
  int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return;
  win32::UniqueHdc buffer(CreateCompatibleDC(paint.dc()));
  win32::UniqueHbitmap bitmap(buffer ? CreateCompatibleBitmap(paint.dc(), width, height) : nullptr);
  if (!bitmap) {
    // Short of GDI resources a flickering label beats a blank one.
    PaintBevelLabel(state_, paint.dc(), client);
    return;
  }
  win32::SelectObjectGuard select(buffer.get(), bitmap.get());
  PaintBevelLabel(state_, buffer.get(), client);
  BitBlt(paint.dc(), 0, 0, width, height, buffer.get(), 0, 0, SRCCOPY);
}

void TBevelLabel::OnPrintClient(HDC dc) {
  RECT client;
  GetClientRect(hwnd(), &client);
  PaintBevelLabel(state_, dc, client);
}

bool TBevelLabel::SetState(const BevelLabelState& state) {
  if (state.BevelWidth < 1 || state.BorderWidth < 0) return false;
  if (state == state_) return true;
  const bool new_caption = state.Caption != state_.Caption;
  state_ = state;
  // The window text serves accessibility tools; the painting reads the code page 932 bytes.
  if (hwnd() && new_caption) SetWindowTextW(hwnd(), zeldrium::WideFrom932(state_.Caption).c_str());
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
  return true;
}

}  // namespace controls
