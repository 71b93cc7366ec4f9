#include "ui/view_font.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "text/code_page_win.h"

namespace ui {
namespace {

using zeldrium::TFontDesc;

constexpr char kGothic[] =
    "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ Ｐゴシック

// The font dialog's LOGFONT and the stored font, both ways, at several screen resolutions.
TEST(ViewFontTest, StoredFontAndLogFontConvertBothWays) {
  const struct {
    TFontDesc stored;
    int dpi;
    LONG height;
    LONG weight;
    BYTE italic, underline, strike, pitch;
  } cases[] = {
      {{kGothic, 128, 0, 0, 9, zeldrium::kPitchDefault},
       96,
       -12,
       FW_NORMAL,
       0,
       0,
       0,
       DEFAULT_PITCH},
      {{"Courier", 0, 0x123456, zeldrium::kFontBold | zeldrium::kFontItalic, 10,
        zeldrium::kPitchFixed},
       96,
       -13,
       FW_BOLD,
       1,
       0,
       0,
       FIXED_PITCH},
      {{"Arial", 0, 0xFF, zeldrium::kFontUnderline | zeldrium::kFontStrikeOut, 12,
        zeldrium::kPitchVariable},
       120,
       -20,
       FW_NORMAL,
       0,
       1,
       1,
       VARIABLE_PITCH},
      {{"Tahoma", 1, 0, zeldrium::kFontBold, 24, zeldrium::kPitchDefault},
       144,
       -48,
       FW_BOLD,
       0,
       0,
       0,
       DEFAULT_PITCH},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.Name + " " + std::to_string(c.dpi));
    LOGFONTW lf = ToLogFont(c.stored, c.dpi);
    EXPECT_EQ(lf.lfHeight, c.height);
    EXPECT_EQ(lf.lfWeight, c.weight);
    EXPECT_EQ(lf.lfItalic, c.italic);
    EXPECT_EQ(lf.lfUnderline, c.underline);
    EXPECT_EQ(lf.lfStrikeOut, c.strike);
    EXPECT_EQ(lf.lfPitchAndFamily, c.pitch);
    EXPECT_EQ(lf.lfCharSet, c.stored.Charset);
    EXPECT_EQ(zeldrium::WideFrom932(c.stored.Name), lf.lfFaceName);
    EXPECT_EQ(FromLogFont(lf, c.stored.Color, c.dpi), c.stored) << "and back";
  }
}

TEST(ViewFontTest, DialogResultsReadAsTheyAreMeant) {
  LOGFONTW lf = {};
  lf.lfHeight = -16;
  lf.lfWeight = FW_HEAVY;  // anything from bold up is bold
  lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  std::fill(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, L'x');  // no terminator
  TFontDesc stored = FromLogFont(lf, 0x01ABCDEF, 96);
  EXPECT_EQ(stored.Style, zeldrium::kFontBold);
  EXPECT_EQ(stored.Pitch, zeldrium::kPitchFixed);
  EXPECT_EQ(stored.Size, 12);
  EXPECT_EQ(stored.Color, 0xABCDEFu) << "a plain RGB value";
  EXPECT_EQ(stored.Name, std::string(LF_FACESIZE, 'x')) << "never read beyond the face field";

  // A face name longer than a LOGFONT holds is cut, still terminated.
  TFontDesc longer;
  longer.Name = std::string(40, 'a');
  LOGFONTW cut = ToLogFont(longer, 96);
  EXPECT_EQ(std::wstring(cut.lfFaceName), std::wstring(LF_FACESIZE - 1, L'a'));
}

// The list and the setup dialog's label show a stored colour alike, whichever way the system
// colour was written.
TEST(ViewFontTest, StoredColoursNameAnRgbValueOrASystemColour) {
  EXPECT_EQ(ColorOf(0x00123456), 0x123456u);
  EXPECT_EQ(ColorOf(0x80000000 | COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(ColorOf(0xFF000000 | COLOR_HIGHLIGHT), GetSysColor(COLOR_HIGHLIGHT));
}

}  // namespace
}  // namespace ui
