#ifndef ZELDRIUM_UI_TEXT_WIN_H_
#define ZELDRIUM_UI_TEXT_WIN_H_

// The window layer's names for the core's UTF-16 conversions (text/code_page_win.h).

#include "text/code_page_win.h"

namespace ui {

using zeldrium::To932;
using zeldrium::Utf8FromWide;
using zeldrium::WideFrom932;
using zeldrium::WideFromUtf8;

}  // namespace ui

#endif  // ZELDRIUM_UI_TEXT_WIN_H_
