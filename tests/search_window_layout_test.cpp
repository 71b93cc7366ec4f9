// The search window as it looks: where its tool bar puts things at the designed size, how the
// hit count stays readable when the window is laid over a narrow mail list, and that every
// designed size follows the window's DPI. Run at 96 dpi and again in a prefix at 144 dpi.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/dialog_test_driver.h"
#include "tests/window_driver.h"
#include "win32/dpi.h"

namespace {

using namespace mainview;

// The tool bar's items left to right, their designed widths (0: a button sized to its caption),
// and for those that give way to the count at the designed size, the least they keep there.
struct BarItem {
  int id;  // 0 for a separator
  int designed;
  int least = 0;
};
const BarItem kBarItems[] = {
    {kCloseBtn, 0},
    {0, 8},
    {kPropBtn, 0},
    {0, 8},
    {kComboBox2, 85},
    {kScopeBox, 120, 100},
    {kComboBox1, 241, 160},
    {0, 8},
    {kFindBtn, 49},
    {0, 8},
    {kReFindBtn, 0},
    {0, 15},
    {kStopBtn, 0},
    {0, 13},
    {kDateTimePicker1, 110},
    {kLabel2, 103, 1},
    {0, 16},
};
// The longest count the bar makes room for while a search reads: 検索中… 999,999 件.
constexpr wchar_t kWideProgress[] = L"\x691c\x7d22\x4e2d\x2026 999,999 \x4ef6";

class LayoutTest : public SearchWindowTest {
 protected:
  RECT RectOf(HWND window) const {
    RECT r = {};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, form_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  static int TextWidth(HWND window) { return dialogtest::CaptionWidth(window); }
  static int TextWidth(HWND window, const wchar_t* text) {
    HDC dc = GetDC(window);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cx;
  }
  // How much of a left-aligned label's text the user sees: the part of the label inside the
  // window's client area; a hidden label shows nothing.
  int VisibleWidth(HWND label) const {
    if (!IsWindowVisible(label)) return 0;
    RECT r = RectOf(label), client = {}, seen = {};
    GetClientRect(form_, &client);
    if (!IntersectRect(&seen, &r, &client) || seen.left != r.left) return 0;
    return seen.right - seen.left;
  }
  // Opens the window by the menu command over a host mail list of that width.
  void OpenOverList(int width) {
    if (host_list_) DestroyWindow(host_list_);
    host_list_ = CreateWindowExW(0, L"STATIC", L"list", WS_POPUP | WS_VISIBLE, 20, 30, width, 400,
                                 nullptr, nullptr, nullptr, nullptr);
    standin::SetWindowHandles(nullptr, nullptr, host_list_, nullptr);
    ShowWindowByCommand();
  }
  void TearDown() override {
    if (host_list_) DestroyWindow(host_list_);
    SearchWindowTest::TearDown();
  }
  HWND host_list_ = nullptr;
};

// The 144-dpi run happens in a prefix of its own: make sure it is one.
TEST(DpiRun, TheScreenHasTheDpiOfThisRun) {
  const char* wanted = std::getenv("ZELDRIUM_TEST_DPI");
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(dpi, wanted ? std::atoi(wanted) : 96);
}

// At the designed size the items stand side by side from the bar's left edge, at their designed
// widths at the window's DPI, but for the search text and the scope, which have given the count
// the room for a search's progress; Label1 follows them up to the bar's right end.
TEST_F(LayoutTest, DesignedSizeKeepsTheToolBarAndRoomForTheProgress) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  const int dpi = Dpi();
  RECT client = {};
  GetClientRect(form_, &client);
  // The designed size, as far as the screen lets the window grow.
  RECT window = {};
  GetWindowRect(form_, &window);
  EXPECT_EQ(window.bottom - window.top, win32::Scaled(399, dpi));
  const RECT bar = RectOf(Bar());
  int left = 0;
  for (size_t i = 0; i < std::size(kBarItems); ++i) {
    SCOPED_TRACE(i);
    RECT item = {};
    SendMessageW(Bar(), TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.left, left);
    const BarItem& b = kBarItems[i];
    if (b.least > 0) {
      EXPECT_GE(item.right - item.left, win32::Scaled(b.least, dpi));
      EXPECT_LE(item.right - item.left, win32::Scaled(b.designed, dpi));
    } else if (b.designed > 0) {
      EXPECT_EQ(item.right - item.left, win32::Scaled(b.designed, dpi));
    } else {
      wchar_t caption[32] = {};
      SendMessageW(Bar(), TB_GETBUTTONTEXTW, b.id, reinterpret_cast<LPARAM>(caption));
      HDC dc = GetDC(Bar());
      HGDIOBJ old =
          SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(Bar(), WM_GETFONT, 0, 0)));
      SIZE text = {};
      GetTextExtentPoint32W(dc, caption, lstrlenW(caption), &text);
      SelectObject(dc, old);
      ReleaseDC(Bar(), dc);
      EXPECT_GE(item.right - item.left, text.cx) << "sized to its caption";
    }
    if (b.id >= kComboBox2) {
      const RECT control = RectOf(Item(b.id));
      EXPECT_EQ(control.left, bar.left + item.left);
      EXPECT_EQ(control.right - control.left, item.right - item.left);
    }
    left = item.right;
  }
  const RECT label1 = RectOf(Item(kLabel1));
  EXPECT_EQ(label1.left, bar.left + left);
  EXPECT_GE(label1.right - label1.left, TextWidth(Item(kLabel1), kWideProgress));
  EXPECT_LE(label1.right, bar.right);
  // The combo boxes are as tall as the bar allows, and the bar holds them.
  for (int id : {kComboBox2, kScopeBox, kComboBox1, kDateTimePicker1}) {
    const RECT r = RectOf(Item(id));
    EXPECT_GE(r.top, bar.top) << id;
    EXPECT_LE(r.bottom, bar.bottom) << id;
  }
}

// Laid over the host's mail list, however narrow, the count of the search is there to read, and
// the controls the count would cover have given way: the scope selector among them, whole, never
// left as a stub that shows no choice.
TEST_F(LayoutTest, TheCountIsReadableOverANarrowMailList) {
  ASSERT_NE(StartWindow(), nullptr);
  const int dpi = Dpi();
  for (int width : {932, 740, 640, 560, 480}) {
    SCOPED_TRACE(width);
    OpenOverList(width);
    RECT window = {};
    GetWindowRect(form_, &window);
    ASSERT_EQ(window.right - window.left, width);
    Search(L"example");
    ASSERT_EQ(Counter(), std::wstring(L"3") + kCounterWord);
    const int text = TextWidth(Item(kLabel1));
    EXPECT_GT(text, 0);
    EXPECT_GE(VisibleWidth(Item(kLabel1)), text);
    const RECT count = RectOf(Item(kLabel1));
    // Down to 480 pixels at 96 dpi the count has a place of its own: it covers nothing.
    if (width * 96 >= 480 * dpi) {
      for (int id : {kComboBox2, kScopeBox, kComboBox1, kDateTimePicker1, kLabel2}) {
        RECT r = RectOf(Item(id)), both = {};
        if (IsWindowVisible(Item(id))) {
          EXPECT_FALSE(IntersectRect(&both, &r, &count)) << id;
        }
      }
      RECT bar_item = {};
      SendMessageW(Bar(), TB_GETRECT, kStopBtn, reinterpret_cast<LPARAM>(&bar_item));
      EXPECT_LE(RectOf(Bar()).left + bar_item.right, count.left);
    }
    // The search text gives way first, but keeps a working width down to 640 pixels at 96 dpi,
    // and some room to type in below.
    const RECT search = RectOf(Item(kComboBox1));
    EXPECT_GE(search.right - search.left, win32::Scaled(width * 96 >= 640 * dpi ? 100 : 40, dpi));
    const RECT scope = RectOf(Item(kScopeBox));
    if (width * 96 >= 640 * dpi) {
      EXPECT_TRUE(IsWindowVisible(Item(kScopeBox)));
    }
    if (IsWindowVisible(Item(kScopeBox))) {
      EXPECT_GE(scope.right - scope.left, win32::Scaled(100, dpi));
    }
    SendMessageW(form_, WM_CLOSE, 0, 0);
  }
}

// The list's columns and icons at the window's DPI; stored widths are designed pixels, so an
// untouched list stores the designed widths at any DPI.
TEST_F(LayoutTest, ColumnsAndIconsFollowTheDpiAndStoreDesignedWidths) {
  WriteSettings("COLWIDTH=300,0,-1,120,0\r\n");
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  const int dpi = Dpi();
  const int want[] = {300, 200, 150, 120, 0};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(SendMessageW(List(), LVM_GETCOLUMNWIDTH, i, 0), win32::Scaled(want[i], dpi)) << i;
  }
  HIMAGELIST icons =
      reinterpret_cast<HIMAGELIST>(SendMessageW(List(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
  int cx = 0, cy = 0;
  ASSERT_TRUE(ImageList_GetIconSize(icons, &cx, &cy));
  EXPECT_EQ(cx, win32::Scaled(16, dpi));
  EXPECT_EQ(cy, win32::Scaled(16, dpi));
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Setting("COLWIDTH"), "300,200,150,120,0");
}

// A per-monitor aware host: the window reaches a screen of another DPI. Every size follows, and
// back again everything is where it was. Where the window was put (its designed or stored place,
// the host's mail list) it stays, since those bounds are pixels of the screen it is on already;
// dragged there by the user, it takes the bounds the system suggests.
TEST_F(LayoutTest, DpiChangeRescalesEverythingAndBackRestoresIt) {
  ASSERT_NE(StartWindow(), nullptr);
  ShowWindowByCommand();
  Search(L"example");
  const int dpi = Dpi();
  const int ids[] = {kToolBar8,        kMailList, kComboBox2, kComboBox1,
                     kDateTimePicker1, kLabel2,   kLabel1};
  std::vector<RECT> before;
  for (int id : ids) before.push_back(RectOf(Item(id)));
  RECT window = {};
  GetWindowRect(form_, &window);
  const RECT placed = window;

  auto change = [&](int to, int width, int height) {
    RECT suggested = {window.left, window.top, window.left + width, window.top + height};
    SendMessageW(form_, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
  };
  const int width = window.right - window.left, height = window.bottom - window.top;
  const int higher = dpi * 3 / 2;
  change(higher, width * 3 / 2, height * 3 / 2);
  GetWindowRect(form_, &window);
  EXPECT_TRUE(EqualRect(&window, &placed)) << "where it was put";
  // What never gives way to a narrow window has its designed size at the new DPI.
  const RECT picker = RectOf(Item(kDateTimePicker1));
  EXPECT_EQ(picker.right - picker.left, win32::Scaled(110, higher));
  RECT find = {};
  SendMessageW(Bar(), TB_GETRECT, kFindBtn, reinterpret_cast<LPARAM>(&find));
  EXPECT_EQ(find.right - find.left, win32::Scaled(49, higher));
  EXPECT_EQ(SendMessageW(List(), LVM_GETCOLUMNWIDTH, 0, 0), win32::Scaled(400, higher));
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(kComboBox1), WM_GETFONT, 0, 0)),
             sizeof(font), &font);
  EXPECT_EQ(font.lfHeight, -MulDiv(9, higher, 72));
  EXPECT_GE(VisibleWidth(Item(kLabel1)), TextWidth(Item(kLabel1)));
  EXPECT_EQ(RowCount(), 3) << "the rows stay";

  change(dpi, width, height);
  for (size_t i = 0; i < std::size(ids); ++i) {
    const RECT now = RectOf(Item(ids[i]));
    EXPECT_TRUE(EqualRect(&now, &before[i]))
        << ids[i] << ": " << now.left << "," << now.top << "," << now.right << "," << now.bottom
        << " was " << before[i].left << "," << before[i].top << "," << before[i].right << ","
        << before[i].bottom;
  }

  SetWindowPos(form_, nullptr, window.left + 40, window.top + 30, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(form_, &window);
  change(higher, width * 3 / 2, height * 3 / 2);
  RECT dragged = {};
  GetWindowRect(form_, &dragged);
  // The size suggested, as far as the screen lets a window grow.
  EXPECT_EQ(dragged.right - dragged.left, std::min(width * 3 / 2, GetSystemMetrics(SM_CXMAXTRACK)));
  change(dpi, width, height);
  SendMessageW(form_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Setting("COLWIDTH"), "400,200,150,150,0");
}

}  // namespace
