#include "controls/bev_label.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "tests/test_canvas.h"
#include "win32/handles.h"

namespace controls {
namespace {

constexpr COLORREF kUnpainted = RGB(255, 0, 255);
constexpr COLORREF kFill = RGB(200, 220, 240);
constexpr COLORREF kBand = RGB(10, 120, 30);
constexpr COLORREF kInk = RGB(0, 0, 0);

COLORREF Shadow() { return GetSysColor(COLOR_BTNSHADOW); }
COLORREF Highlight() { return GetSysColor(COLOR_BTNHIGHLIGHT); }

// The label painted into a bitmap of its own, over a colour it never paints.
class Canvas : public testutil::TestCanvas {
 public:
  using TestCanvas::TestCanvas;

  Canvas& Paint(const BevelLabelState& state) {
    RECT all = {0, 0, width(), height()};
    win32::UniqueHbrush unpainted(CreateSolidBrush(kUnpainted));
    FillRect(dc(), &all, unpainted.get());
    PaintBevelLabel(state, dc(), all);
    GdiFlush();
    return *this;
  }

  // Bands of rows holding ink, separated by blank rows: the lines of text.
  int InkLines(const RECT& area, COLORREF background) const {
    int lines = 0;
    bool in_line = false;
    for (LONG y = area.top; y < area.bottom; ++y) {
      RECT ink = Ink({area.left, y, area.right, y + 1}, background);
      if (ink.left < ink.right && !in_line) ++lines;
      in_line = ink.left < ink.right;
    }
    return lines;
  }
};

RECT Inside(const Canvas& c, int by) { return {by, by, c.width() - by, c.height() - by}; }
bool Empty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

BevelLabelState Plain(std::string caption) {
  BevelLabelState s;
  s.Caption = std::move(caption);
  s.Color = static_cast<TColor>(kFill);
  s.Font.Color = static_cast<TColor>(kInk);
  s.Font.Height = -20;
  return s;
}

// The setup dialog's font box: every default, text centred both ways, 196 x 31.
TEST(BevelLabelPaintTest, ListFontLookIsSunkenFilledAndCentred) {
  BevelLabelState s;
  s.Caption = "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ Ｐゴシック
  s.Alignment = TAlignment::taCenter;
  s.Layout = TTextLayout::tlCenter;
  Canvas c(196, 31);
  c.Paint(s);
  const int w = c.width(), h = c.height();
  int wrong_edge_pixels = 0;
  for (int x = 0; x < w; ++x) {
    wrong_edge_pixels += c.At(x, 0) != (x < w - 1 ? Shadow() : Highlight());
    wrong_edge_pixels += c.At(x, h - 1) != Highlight();
  }
  for (int y = 0; y < h; ++y) {
    wrong_edge_pixels += c.At(0, y) != (y < h - 1 ? Shadow() : Highlight());
    wrong_edge_pixels += c.At(w - 1, y) != Highlight();
  }
  EXPECT_EQ(wrong_edge_pixels, 0) << "shadow top and left, highlight bottom and right";

  COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_FALSE(c.Has(kUnpainted));
  EXPECT_EQ(c.At(2, 2), face);
  EXPECT_EQ(c.At(w - 3, h - 3), face);
  RECT ink = c.Ink(Inside(c, 1), face);
  ASSERT_FALSE(Empty(ink));
  EXPECT_GT(ink.right - ink.left, 40) << "the whole name is drawn";
  EXPECT_NEAR((ink.left + ink.right) / 2.0, w / 2.0, 3);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, h / 2.0, 3);
}

// Frames from the outside in: outer bevel raised, a 3-pixel band, inner bevel lowered.
TEST(BevelLabelPaintTest, BorderBandLiesBetweenTheBevelsInColor) {
  BevelLabelState s = Plain("");
  s.BevelOuter = TBevelCut::bvRaised;
  s.BorderWidth = 3;
  s.Color = static_cast<TColor>(kBand);
  Canvas c(40, 30);
  c.Paint(s);
  const int y = 15, w = c.width();
  std::vector<COLORREF> from_left = {Highlight(), kBand, kBand, kBand, Shadow(), kBand};
  std::vector<COLORREF> from_right = {Shadow(), kBand, kBand, kBand, Highlight(), kBand};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(c.At(i, y), from_left[i]) << "x=" << i;
    EXPECT_EQ(c.At(w - 1 - i, y), from_right[i]) << "x=" << w - 1 - i;
  }
  EXPECT_FALSE(c.Has(kUnpainted));
}

TEST(BevelLabelPaintTest, ColorMinusOneFillsWithTheWindowColour) {
  BevelLabelState s = Plain("");
  s.Color = kColorSystemWindow;
  s.BorderWidth = 2;
  Canvas c(30, 20);
  c.Paint(s);
  EXPECT_EQ(c.At(15, 10), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(c.At(1, 10), GetSysColor(COLOR_WINDOW)) << "the band too";
  EXPECT_FALSE(c.Has(kUnpainted));
}

// Widths far beyond the control neither hang nor leave anything unpainted.
TEST(BevelLabelPaintTest, HugeWidthsStillPaintTheWholeControl) {
  BevelLabelState s = Plain("text");
  s.BevelOuter = TBevelCut::bvRaised;
  s.BevelWidth = 1 << 30;
  s.BorderWidth = 1 << 30;
  s.TextBorder = -(1 << 30);
  Canvas c(30, 20);
  c.Paint(s);
  EXPECT_FALSE(c.Has(kUnpainted));
}

TEST(BevelLabelPaintTest, TextIsDrawnInTheFontColour) {
  BevelLabelState s = Plain("MMMM");
  s.Font.Color = static_cast<TColor>(RGB(200, 0, 0));
  Canvas c(100, 40);
  c.Paint(s);
  EXPECT_TRUE(c.Has(RGB(200, 0, 0)));
  EXPECT_FALSE(c.Has(kInk));
}

TEST(BevelLabelPaintTest, TextRotateIsIgnoredInMultiLineMode) {
  Canvas c(120, 60);
  BevelLabelState s = Plain("Rotate me");
  std::vector<uint32_t> upright = c.Paint(s).Pixels();
  for (TTextRotate r : {TTextRotate::trReverse, TTextRotate::trLeft, TTextRotate::trRight}) {
    s.TextRotate = r;
    EXPECT_EQ(c.Paint(s).Pixels(), upright) << "rotation " << static_cast<int>(r);
  }
}

TEST(BevelLabelPaintTest, NewlinesBreakMultiLineCaptions) {
  struct Case {
    const char* caption;
    bool newlines;
    int lines;
  } cases[] = {
      {"AB\\nCD", true, 2},   {"AB\\nCD", false, 1},  {"AB\\nCD\\nEF", true, 3},
      {"AB\\\\nCD", true, 2}, {"\x83\x5cn", true, 1},  // ソn: the trail byte of ソ is a backslash
  };
  Canvas c(120, 100);
  for (const Case& t : cases) {
    BevelLabelState s = Plain(t.caption);
    s.Newlines = t.newlines;
    c.Paint(s);
    EXPECT_EQ(c.InkLines(Inside(c, 1), kFill), t.lines) << t.caption << " " << t.newlines;
  }
}

TEST(BevelLabelPaintTest, AnEscapedTrailByteKeepsItsCharacter) {
  Canvas c(120, 40);
  BevelLabelState s = Plain("\x83\x5cn");  // ソn
  std::vector<uint32_t> literal = c.Paint(s).Pixels();
  s.Newlines = true;
  EXPECT_EQ(c.Paint(s).Pixels(), literal);
}

TEST(BevelLabelPaintTest, WordWrapBreaksOnlyWhereTheLineIsFull) {
  Canvas c(300, 100);
  BevelLabelState s = Plain("one two three");
  s.WordWrap = true;
  s.Layout = TTextLayout::tlCenter;
  for (TAlignment a : {TAlignment::taLeftJustify, TAlignment::taCenter}) {
    s.Alignment = a;
    c.Paint(s);
    EXPECT_EQ(c.InkLines(Inside(c, 1), kFill), 1);
    RECT ink = c.Ink(Inside(c, 1), kFill);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 50, 4) << "centred as the one line it is";
  }
  Canvas narrow(60, 100);
  narrow.Paint(s);
  EXPECT_GE(narrow.InkLines(Inside(narrow, 1), kFill), 2);
}

// Which part of [0, size) a span of ink covers: the first half (-1), the second (1), the middle
// (0), or none of these (2).
int Side(LONG low, LONG high, LONG size) {
  if (high <= size / 2) return -1;
  if (low >= size / 2) return 1;
  return std::abs(low + high - size) <= 8 ? 0 : 2;
}

// Where the ink of a short single-line caption lands, for each direction.
TEST(BevelLabelPaintTest, SingleLineRotationPlacesTheText) {
  using enum TTextRotate;
  using enum TAlignment;
  using enum TTextLayout;
  struct Case {
    TTextRotate rotate;
    TAlignment align;
    TTextLayout layout;
    int x, y;      // Side of the ink, across and down
    bool upright;  // runs left to right or right to left rather than up or down
  } cases[] = {
      {trNone, taLeftJustify, tlTop, -1, -1, true},
      {trReverse, taLeftJustify, tlTop, 1, 1, true},
      {trLeft, taLeftJustify, tlTop, -1, 1, false},
      {trRight, taLeftJustify, tlTop, 1, -1, false},
      {trNone, taRightJustify, tlBottom, 1, 1, true},
      {trLeft, taRightJustify, tlTop, -1, -1, false},
      {trNone, taCenter, tlCenter, 0, 0, true},
      {trReverse, taCenter, tlCenter, 0, 0, true},
      {trLeft, taCenter, tlCenter, 0, 0, false},
      {trRight, taCenter, tlCenter, 0, 0, false},
  };
  // Not square, so that turned text is laid out in the turned rectangle.
  Canvas c(240, 160);
  for (const Case& t : cases) {
    BevelLabelState s = Plain("ABCDEF");
    s.SingleLine = true;
    s.TextRotate = t.rotate;
    s.Alignment = t.align;
    s.Layout = t.layout;
    c.Paint(s);
    SCOPED_TRACE(testing::Message()
                 << "rotation " << static_cast<int>(t.rotate) << " align "
                 << static_cast<int>(t.align) << " layout " << static_cast<int>(t.layout));
    RECT ink = c.Ink(Inside(c, 1), kFill);
    ASSERT_FALSE(Empty(ink));
    EXPECT_EQ(ink.right - ink.left > ink.bottom - ink.top, t.upright);
    EXPECT_EQ(Side(ink.left, ink.right, c.width()), t.x);
    EXPECT_EQ(Side(ink.top, ink.bottom, c.height()), t.y);
  }
}

// Down is a shortcut for the look of a box: what it leaves in the corners.
TEST(BevelLabelTest, DownSinksOrRaisesTheBoxWithoutOuterBevel) {
  using S = BevelLabelState;
  struct Case {
    const char* name;
    void (*steps)(S&);
    bool sunken;
  } cases[] = {
      {"new label", [](S&) {}, true},
      {"down on a new label", [](S& s) { SetDown(&s, true); }, true},
      {"down, then up", [](S& s) { SetDown(&s, true), SetDown(&s, false); }, false},
      {"outer raised, then down",
       [](S& s) {
         s.BevelOuter = TBevelCut::bvRaised;
         SetDown(&s, true);
       },
       true},
      {"raised inner, up again changes nothing",
       [](S& s) {
         s.BevelInner = TBevelCut::bvRaised;
         SetDown(&s, false);
       },
       false},
  };
  Canvas c(40, 30);
  for (const Case& t : cases) {
    BevelLabelState s;
    s.Color = static_cast<TColor>(kFill);
    s.BevelWidth = 2;
    t.steps(s);
    c.Paint(s);
    EXPECT_EQ(c.At(0, 0), t.sunken ? Shadow() : Highlight()) << t.name;
    EXPECT_EQ(c.At(39, 29), t.sunken ? Highlight() : Shadow()) << t.name;
    EXPECT_EQ(c.At(2, 2), kFill) << t.name << ": one bevel only";
  }
}

TEST(BevelLabelTest, OutOfRangeWidthsAreRefusedAndKeepTheOldValue) {
  TBevelLabel label;
  BevelLabelState s;
  s.BevelWidth = 0;
  EXPECT_FALSE(label.SetState(s));
  s.BevelWidth = 1;
  s.BorderWidth = -1;
  EXPECT_FALSE(label.SetState(s));
  EXPECT_EQ(label.State().BevelWidth, 1);
  EXPECT_EQ(label.State().BorderWidth, 0);
  s.BorderWidth = 0;
  EXPECT_TRUE(label.SetState(s));
  s.BevelWidth = 3;
  EXPECT_TRUE(label.SetState(s));
  EXPECT_EQ(label.State().BevelWidth, 3);
}

// A label on screen: what it shows and when it repaints.
class BevelLabelWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    parent_.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(parent_);
    ASSERT_TRUE(label_.Create(parent_.get(), 5, 5, 150, 40));
    Change([](BevelLabelState& s) { s.Caption = "Caption"; });
    UpdateWindow(parent_.get());
  }
  bool Invalidated() { return GetUpdateRect(label_.hwnd(), nullptr, FALSE) != FALSE; }
  void Change(void (*change)(BevelLabelState&)) {
    BevelLabelState s = label_.State();
    change(s);
    label_.SetState(s);
  }

  win32::UniqueHwnd parent_;
  TBevelLabel label_;
};

TEST_F(BevelLabelWindowTest, ShowsWhatItsStatePaints) {
  Change([](BevelLabelState& s) {
    s.Alignment = TAlignment::taCenter;
    s.Color = static_cast<TColor>(kFill);
  });
  Canvas shown(150, 40), expected(150, 40);
  SendMessageW(label_.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shown.dc()), PRF_CLIENT);
  expected.Paint(label_.State());
  EXPECT_EQ(shown.Pixels(), expected.Pixels());
  EXPECT_TRUE(expected.Has(kFill));
}

// Each change is made twice: the first repaints, the same state again does not. The caption
// also becomes the window's text, for accessibility tools.
TEST_F(BevelLabelWindowTest, ChangesRepaintAndUnchangedValuesDoNot) {
  using S = BevelLabelState;
  struct Case {
    const char* name;
    void (*set)(S&);
  } cases[] = {
      {"caption", [](S& s) { s.Caption = "Other"; }},
      {"text border", [](S& s) { s.TextBorder = 2; }},
      {"text offset", [](S& s) { s.TextOffset = 4; }},
      {"rotation", [](S& s) { s.TextRotate = TTextRotate::trLeft; }},
      {"single line", [](S& s) { s.SingleLine = true; }},
      {"newlines", [](S& s) { s.Newlines = true; }},
      {"down", [](S& s) { SetDown(&s, true); }},
      {"colour", [](S& s) { s.Color = kColorSystemWindow; }},
      {"alignment", [](S& s) { s.Alignment = TAlignment::taCenter; }},
      {"layout", [](S& s) { s.Layout = TTextLayout::tlBottom; }},
      {"word wrap", [](S& s) { s.WordWrap = true; }},
      {"font",
       [](S& s) {
         s.Font = {"Arial", -20, 0};
       }},
      {"inner bevel", [](S& s) { s.BevelInner = TBevelCut::bvRaised; }},
      {"outer bevel", [](S& s) { s.BevelOuter = TBevelCut::bvSpace; }},
      {"bevel width", [](S& s) { s.BevelWidth = 2; }},
      {"border width", [](S& s) { s.BorderWidth = 3; }},
  };
  for (const Case& t : cases) {
    ValidateRect(label_.hwnd(), nullptr);
    Change(t.set);
    EXPECT_TRUE(Invalidated()) << t.name;
    ValidateRect(label_.hwnd(), nullptr);
    Change(t.set);
    EXPECT_FALSE(Invalidated()) << t.name << ", same value again";
  }
  wchar_t text[32] = {};
  GetWindowTextW(label_.hwnd(), text, 32);
  EXPECT_STREQ(text, L"Other");
  ValidateRect(label_.hwnd(), nullptr);
  Change([](S& s) { s.BevelWidth = 0; });
  EXPECT_FALSE(Invalidated()) << "a refused width";
}

TEST(ExpandNewlinesTest, TurnsBackslashNIntoCrLfOutsideDoubleByteCharacters) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"a\\nb", "a\r\nb"},
      {"\\n\\n", "\r\n\r\n"},
      {"a\\", "a\\"},
      {"\\x", "\\x"},
      {"\x83\x5cn", "\x83\x5cn"},       // ソn, trail byte is a backslash
      {"\x83\x5c\\n", "\x83\x5c\r\n"},  // ソ then a real escape
      {"a\x83", "a\x83"},               // a lead byte cut off at the end
  };
  for (const Case& t : cases) EXPECT_EQ(ExpandNewlines(t.in), t.out) << t.in;
}

}  // namespace
}  // namespace controls
