#include "ui/result_row_paint.h"

#include <algorithm>

#include "win32/dpi.h"

namespace ui {
namespace {

// Designed distances: the envelope from the row's left edge, the text from the envelope and
// from the edges of its column, as the list view keeps them for its own rows.
constexpr int kIconLeft = 4;
constexpr int kIconGap = 4;
constexpr int kTextPadding = 6;
constexpr wchar_t kEllipsis[] = L"...";
constexpr int kEllipsisLength = 3;

// A run of a cell's text drawn one way: [begin, end) of its characters.
struct Piece {
  size_t begin;
  size_t end;
  bool marked;
};

std::vector<Piece> Pieces(const PaintedCell& cell) {
  std::vector<Piece> pieces;
  size_t done = 0;
  for (auto [begin, end] : cell.marks) {
    end = std::min(end, cell.text.size());
    if (begin < done || begin >= end) continue;
    if (begin > done) pieces.push_back({done, begin, false});
    pieces.push_back({begin, end, true});
    done = end;
  }
  if (done < cell.text.size()) pieces.push_back({done, cell.text.size(), false});
  return pieces;
}

int Width(HDC dc, const wchar_t* text, size_t n) {
  SIZE size = {};
  GetTextExtentPoint32W(dc, text, static_cast<int>(n), &size);
  return size.cx;
}

// The fonts a row is drawn in: the list's, and its bold form for the marks (or the list's).
struct Fonts {
  HFONT plain;
  HFONT marked;
  HFONT Of(bool marked_piece) const { return marked_piece ? marked : plain; }
};

// The text of a cell from area's left edge on its baseline, cut with "..." at area's right edge
// where it does not fit. The marks take the height of the list's font, text_top to text_bottom.
void PaintCellText(HDC dc, const PaintedCell& cell, const Fonts& fonts, const RECT& area,
                   int baseline, int text_top, int text_bottom, COLORREF text_color) {
  const std::vector<Piece> pieces = Pieces(cell);
  const wchar_t* text = cell.text.data();
  std::vector<int> widths;
  int total = 0;
  for (const Piece& piece : pieces) {
    SelectObject(dc, fonts.Of(piece.marked));
    widths.push_back(Width(dc, text + piece.begin, piece.end - piece.begin));
    total += widths.back();
  }
  // Where the text is cut: the piece, and how many of its characters are still drawn.
  size_t cut_piece = pieces.size();
  size_t cut_length = 0;
  const int room = area.right - area.left;
  const bool cut = total > room;
  if (cut) {
    SelectObject(dc, fonts.plain);
    int left = room - Width(dc, kEllipsis, kEllipsisLength);
    for (cut_piece = 0; cut_piece < pieces.size(); ++cut_piece) {
      if (widths[cut_piece] <= left) {
        left -= widths[cut_piece];
        continue;
      }
      const Piece& piece = pieces[cut_piece];
      SelectObject(dc, fonts.Of(piece.marked));
      INT fit = 0;
      SIZE unused = {};
      GetTextExtentExPointW(dc, text + piece.begin, static_cast<int>(piece.end - piece.begin),
                            std::max(left, 0), &fit, nullptr, &unused);
      cut_length = static_cast<size_t>(std::max(fit, 0));
      break;
    }
  }
  int x = area.left;
  for (size_t i = 0; i < pieces.size() && i <= cut_piece; ++i) {
    const Piece& piece = pieces[i];
    const size_t length = i < cut_piece ? piece.end - piece.begin : cut_length;
    if (length == 0) break;
    SelectObject(dc, fonts.Of(piece.marked));
    const int width = i < cut_piece ? widths[i] : Width(dc, text + piece.begin, length);
    RECT box = {x, text_top, std::min<int>(x + width, area.right), text_bottom};
    if (piece.marked) {
      SetBkColor(dc, kMarkBackColor);
      SetTextColor(dc, kMarkTextColor);
      ExtTextOutW(dc, x, baseline, ETO_OPAQUE | ETO_CLIPPED, &box, text + piece.begin,
                  static_cast<UINT>(length), nullptr);
    } else {
      SetTextColor(dc, text_color);
      ExtTextOutW(dc, x, baseline, ETO_CLIPPED, &box, text + piece.begin, static_cast<UINT>(length),
                  nullptr);
    }
    x += width;
  }
  if (cut) {
    SelectObject(dc, fonts.plain);
    SetTextColor(dc, text_color);
    const RECT box = {x, text_top, area.right, text_bottom};
    ExtTextOutW(dc, x, baseline, ETO_CLIPPED, &box, kEllipsis, kEllipsisLength, nullptr);
  }
}

}  // namespace

void PaintResultRow(const PaintedRow& row, HDC dc, const RECT& bounds) {
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
  COLORREF back = row.back_color;
  COLORREF text = row.text_color;
  if (row.selected) {
    back = GetSysColor(row.list_focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    text = GetSysColor(row.list_focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
  }
  SetBkColor(dc, back);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &bounds, L"", 0, nullptr);

  Fonts fonts;
  fonts.plain = row.font ? row.font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts.marked = row.marked_font ? row.marked_font : fonts.plain;
  SelectObject(dc, fonts.plain);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  const int height = bounds.bottom - bounds.top;
  const int text_top = bounds.top + (height - metrics.tmHeight) / 2;
  const int baseline = text_top + metrics.tmAscent;
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);

  const int padding = win32::Scaled(kTextPadding, row.dpi);
  int x = bounds.left;
  for (size_t i = 0; i < row.cells.size(); ++i) {
    const PaintedCell& cell = row.cells[i];
    if (cell.width <= 0) continue;
    int text_left = x + padding;
    if (i == 0 && row.images && row.image >= 0) {
      int cx = 0;
      int cy = 0;
      ImageList_GetIconSize(row.images, &cx, &cy);
      const int icon_left = x + win32::Scaled(kIconLeft, row.dpi);
      ImageList_Draw(row.images, row.image, dc, icon_left, bounds.top + (height - cy) / 2,
                     ILD_TRANSPARENT);
      text_left = icon_left + cx + win32::Scaled(kIconGap, row.dpi);
    }
    const RECT area = {text_left, bounds.top, x + cell.width - padding, bounds.bottom};
    if (area.right > area.left && !cell.text.empty()) {
      PaintCellText(dc, cell, fonts, area, baseline, text_top, text_top + metrics.tmHeight, text);
    }
    x += cell.width;
  }
  if (row.focus_rect) {
    // The focus rectangle is drawn by inverting, in the colours of the row under it.
    SetBkColor(dc, back);
    SetTextColor(dc, text);
    DrawFocusRect(dc, &bounds);
  }
  RestoreDC(dc, saved);
}

}  // namespace ui
