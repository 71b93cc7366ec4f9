#ifndef ZELDRIUM_UI_VIEW_FONT_H_
#define ZELDRIUM_UI_VIEW_FONT_H_

// The result list's font as the settings keep it (ViewFont: a face, a size in points, a colour,
// styles) and as GDI and the font dialog take it. The search window shows it; the setup dialog
// lets the user choose it.

#include <windows.h>

#include <cstdint>

#include "settings/ini_params.h"

namespace ui {

// dpi is the pixels per inch the font is made for: sizes are kept in points, LOGFONT heights are
// pixels.
LOGFONTW ToLogFont(const zeldrium::TFontDesc& font, int dpi);
// color is the colour the font dialog chose (a plain RGB value).
zeldrium::TFontDesc FromLogFont(const LOGFONTW& font, COLORREF color, int dpi);

// A stored colour as GDI takes it: 0x00BBGGRR as it is; with any bit of the high byte set, the
// system colour whose index (COLOR_...) is the low byte (the toolkit's files have 0x80 or 0xFF
// there).
COLORREF ColorOf(uint32_t stored);

}  // namespace ui

#endif  // ZELDRIUM_UI_VIEW_FONT_H_
