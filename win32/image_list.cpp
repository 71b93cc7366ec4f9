#include "win32/image_list.h"

#include "win32/handles.h"

namespace win32 {
namespace {

// A bitmap of its own rather than one compatible with the screen: the screen's DC belongs to the
// desktop, and what is drawn must not depend on it.
HBITMAP MakeBitmap(HDC dc, int size) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

}  // namespace

HIMAGELIST MakeMaskedImageList(int size, int count, COLORREF mask,
                               const std::function<void(HDC, int)>& draw) {
  UniqueHimagelist list(ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, count, 0));
  if (!list) return nullptr;
  UniqueHdc dc(CreateCompatibleDC(nullptr));
  for (int i = 0; i < count; ++i) {
    UniqueHbitmap bitmap(MakeBitmap(dc.get(), size));
    if (!dc || !bitmap) return nullptr;
    {
      SelectObjectGuard into(dc.get(), bitmap.get());
      const RECT box = {0, 0, size, size};
      UniqueHbrush background(CreateSolidBrush(mask));
      FillRect(dc.get(), &box, background.get());
      const int saved = SaveDC(dc.get());
      if (size != kPictureDesignSize) {
        SetMapMode(dc.get(), MM_ANISOTROPIC);
        SetWindowExtEx(dc.get(), kPictureDesignSize, kPictureDesignSize, nullptr);
        SetViewportExtEx(dc.get(), size, size, nullptr);
      }
      draw(dc.get(), i);
      RestoreDC(dc.get(), saved);
    }
    // The list copies the bitmap; ours is freed when it leaves the scope.
    if (ImageList_AddMasked(list.get(), bitmap.get(), mask) < 0) return nullptr;
  }
  return list.release();
}

}  // namespace win32
