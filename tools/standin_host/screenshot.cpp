#include "tools/standin_host/screenshot.h"

#include <windows.h>

#include <vector>

namespace standin {

bool SaveScreenshot(const std::wstring& path, int* width, int* height, std::wstring* err) {
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (w <= 0 || h <= 0) {
    *err = L"the screen has no size";
    return false;
  }
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = w;
  info.biHeight = h;  // positive: rows bottom up, as every .bmp reader expects
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
  info.biSizeImage = stride * static_cast<DWORD>(h);

  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  bool ok = bitmap != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = BitBlt(memory, 0, 0, w, h, screen, x, y, SRCCOPY | CAPTUREBLT) != 0;
    GdiFlush();
    SelectObject(memory, old);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!ok) {
    if (bitmap) DeleteObject(bitmap);
    *err = L"cannot copy the screen";
    return false;
  }

  BITMAPFILEHEADER file_header = {};
  file_header.bfType = 0x4D42;  // "BM"
  file_header.bfOffBits = sizeof(file_header) + sizeof(info);
  file_header.bfSize = file_header.bfOffBits + info.biSizeImage;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DeleteObject(bitmap);
    *err = L"cannot create " + path + L" (error " + std::to_wstring(GetLastError()) + L")";
    return false;
  }
  DWORD done = 0;
  ok = WriteFile(file, &file_header, sizeof(file_header), &done, nullptr) &&
       WriteFile(file, &info, sizeof(info), &done, nullptr) &&
       WriteFile(file, bits, info.biSizeImage, &done, nullptr) && done == info.biSizeImage;
  ok = CloseHandle(file) && ok;
  DeleteObject(bitmap);
  if (!ok) {
    DeleteFileW(path.c_str());
    *err = L"cannot write " + path;
    return false;
  }
  *width = w;
  *height = h;
  return true;
}

}  // namespace standin
