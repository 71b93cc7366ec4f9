#include "ui/view_font.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "text/code_page_win.h"
#include "win32/dpi.h"

namespace ui {

LOGFONTW ToLogFont(const zeldrium::TFontDesc& font, int dpi) {
  LOGFONTW lf = {};
  lf.lfHeight = win32::FontHeightAt(font.Size, dpi);
  lf.lfWeight = (font.Style & zeldrium::kFontBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (font.Style & zeldrium::kFontItalic) ? TRUE : FALSE;
  lf.lfUnderline = (font.Style & zeldrium::kFontUnderline) ? TRUE : FALSE;
  lf.lfStrikeOut = (font.Style & zeldrium::kFontStrikeOut) ? TRUE : FALSE;
  lf.lfCharSet = static_cast<BYTE>(font.Charset);
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  switch (font.Pitch) {
    case zeldrium::kPitchVariable:
      lf.lfPitchAndFamily = VARIABLE_PITCH;
      break;
    case zeldrium::kPitchFixed:
      lf.lfPitchAndFamily = FIXED_PITCH;
      break;
    default:
      lf.lfPitchAndFamily = DEFAULT_PITCH;
      break;
  }
  std::wstring face = zeldrium::WideFrom932(font.Name);
  face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
  std::copy(face.begin(), face.end(), lf.lfFaceName);
  return lf;
}

zeldrium::TFontDesc FromLogFont(const LOGFONTW& font, COLORREF color, int dpi) {
  zeldrium::TFontDesc out;
  size_t length =
      std::find(font.lfFaceName, font.lfFaceName + LF_FACESIZE, L'\0') - font.lfFaceName;
  out.Name = zeldrium::To932(std::wstring_view(font.lfFaceName, length));
  out.Charset = font.lfCharSet;
  out.Color = color & 0x00FFFFFF;
  out.Style = 0;
  if (font.lfWeight >= FW_BOLD) out.Style |= zeldrium::kFontBold;
  if (font.lfItalic) out.Style |= zeldrium::kFontItalic;
  if (font.lfUnderline) out.Style |= zeldrium::kFontUnderline;
  if (font.lfStrikeOut) out.Style |= zeldrium::kFontStrikeOut;
  out.Size = -MulDiv(font.lfHeight, 72, dpi);
  switch (font.lfPitchAndFamily & 0x03) {
    case VARIABLE_PITCH:
      out.Pitch = zeldrium::kPitchVariable;
      break;
    case FIXED_PITCH:
      out.Pitch = zeldrium::kPitchFixed;
      break;
    default:
      out.Pitch = zeldrium::kPitchDefault;
      break;
  }
  return out;
}

COLORREF ColorOf(uint32_t stored) {
  if (stored & 0xFF000000u) return GetSysColor(static_cast<int>(stored & 0xFF));
  return stored & 0x00FFFFFF;
}

}  // namespace ui
