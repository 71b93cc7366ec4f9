#ifndef ZELDRIUM_TESTS_TEST_CANVAS_H_
#define ZELDRIUM_TESTS_TEST_CANVAS_H_

// For tests of what is drawn: a 32-bit top-down bitmap selected into a memory DC, read back
// pixel by pixel.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "win32/handles.h"

namespace testutil {

class TestCanvas {
 public:
  TestCanvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_.reset(CreateCompatibleDC(nullptr));
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap_) return;
    bits_ = static_cast<const uint32_t*>(bits);
    old_ = SelectObject(dc_.get(), bitmap_.get());
  }
  ~TestCanvas() {
    if (old_) SelectObject(dc_.get(), old_);
  }
  TestCanvas(const TestCanvas&) = delete;
  TestCanvas& operator=(const TestCanvas&) = delete;

  // window's client area as WM_PRINTCLIENT draws it.
  explicit TestCanvas(HWND window) : TestCanvas(ClientOf(window).right, ClientOf(window).bottom) {
    if (empty()) return;
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc()),
                 PRF_CLIENT | PRF_ERASEBKGND);
    GdiFlush();
  }

  // Copies what window shows, its frame and children included, from its top-left corner on.
  bool CopyWindow(HWND window) {
    if (empty()) return false;
    HDC from = GetWindowDC(window);
    const bool ok = BitBlt(dc(), 0, 0, width_, height_, from, 0, 0, SRCCOPY) != 0;
    ReleaseDC(window, from);
    GdiFlush();
    return ok;
  }

  bool empty() const { return bits_ == nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  HDC dc() const { return dc_.get(); }

  COLORREF At(int x, int y) const {
    const uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  // Every pixel as 0x00RRGGBB, row by row.
  std::vector<uint32_t> Pixels() const {
    if (empty()) return {};
    return {bits_, bits_ + width_ * height_};
  }
  bool Has(COLORREF c) const {
    const uint32_t p = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    const std::vector<uint32_t> pixels = Pixels();
    return std::find(pixels.begin(), pixels.end(), p) != pixels.end();
  }
  // The picture as a 24-bit BMP file (a screenshot a reader can open); false when it could not
  // be written.
  bool SaveBmp(const std::wstring& path) const {
    if (empty()) return false;
    const DWORD stride = (static_cast<DWORD>(width_) * 3 + 3) & ~DWORD{3};
    std::vector<BYTE> rows(stride * static_cast<DWORD>(height_), 0);
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const uint32_t p = bits_[y * width_ + x];
        BYTE* at = &rows[y * stride + x * 3];
        at[0] = p & 0xFF;
        at[1] = (p >> 8) & 0xFF;
        at[2] = (p >> 16) & 0xFF;
      }
    }
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width_;
    info.biHeight = -height_;  // top-down rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(out, &file, sizeof(file), &written, nullptr) &&
        WriteFile(out, &info, sizeof(info), &written, nullptr) &&
        WriteFile(out, rows.data(), static_cast<DWORD>(rows.size()), &written, nullptr) &&
        written == rows.size();
    CloseHandle(out);
    return ok;
  }
  // The box around every pixel inside area that is not background; empty when none.
  RECT Ink(const RECT& area, COLORREF background) const {
    RECT box = {area.right, area.bottom, area.left, area.top};
    for (LONG y = area.top; y < area.bottom; ++y) {
      for (LONG x = area.left; x < area.right; ++x) {
        if (At(x, y) == background) continue;
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
               std::max(box.bottom, y + 1)};
      }
    }
    return box;
  }

 private:
  static RECT ClientOf(HWND window) {
    RECT r = {};
    GetClientRect(window, &r);
    return r;
  }

  int width_, height_;
  win32::UniqueHdc dc_;
  win32::UniqueHbitmap bitmap_;
  const uint32_t* bits_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

}  // namespace testutil

#endif  // ZELDRIUM_TESTS_TEST_CANVAS_H_
