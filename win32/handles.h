#ifndef ZELDRIUM_WIN32_HANDLES_H_
#define ZELDRIUM_WIN32_HANDLES_H_

// Owners for Win32 handles. Each owns one handle, cannot be copied, and closes what it holds when
// destroyed, reset or assigned another handle by move, so a handle is released exactly once.

// clang-format off
#include <windows.h>
#include <commctrl.h>  // needs windows.h first
// clang-format on

#include <utility>

namespace win32 {

template <typename Traits>
class UniqueHandle {
 public:
  using pointer = typename Traits::pointer;

  UniqueHandle() = default;
  explicit UniqueHandle(pointer handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  pointer get() const { return handle_; }
  explicit operator bool() const { return handle_ != pointer(); }

  // Gives up ownership without closing.
  pointer release() { return std::exchange(handle_, pointer()); }

  void reset(pointer handle = pointer()) {
    pointer old = std::exchange(handle_, handle);
    if (old != pointer()) Traits::Close(old);
  }

 private:
  pointer handle_ = pointer();
};

struct HwndTraits {
  using pointer = HWND;
  static void Close(HWND h) { DestroyWindow(h); }
};
template <typename T>
struct GdiObjectTraits {
  using pointer = T;
  static void Close(T h) { DeleteObject(h); }
};
struct HmenuTraits {
  using pointer = HMENU;
  static void Close(HMENU h) { DestroyMenu(h); }
};
struct HiconTraits {
  using pointer = HICON;
  static void Close(HICON h) { DestroyIcon(h); }
};
struct HimagelistTraits {
  using pointer = HIMAGELIST;
  static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
// A DC made with CreateCompatibleDC; a DC got from GetDC goes back with ReleaseDC (ClientDc).
struct HdcTraits {
  using pointer = HDC;
  static void Close(HDC h) { DeleteDC(h); }
};

using UniqueHwnd = UniqueHandle<HwndTraits>;
using UniqueHfont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueHbitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueHbrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueHmenu = UniqueHandle<HmenuTraits>;
using UniqueHicon = UniqueHandle<HiconTraits>;
using UniqueHimagelist = UniqueHandle<HimagelistTraits>;
using UniqueHdc = UniqueHandle<HdcTraits>;

// BeginPaint and EndPaint around one WM_PAINT.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~PaintScope() { EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;

  HDC dc() const { return dc_; }
  const RECT& dirty() const { return paint_.rcPaint; }

 private:
  HWND window_;
  PAINTSTRUCT paint_ = {};
  HDC dc_;
};

// A window's client DC, released on leaving the scope.
class ClientDc {
 public:
  explicit ClientDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ClientDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ClientDc(const ClientDc&) = delete;
  ClientDc& operator=(const ClientDc&) = delete;

  HDC dc() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back on leaving the scope, so the
// object can be deleted afterwards (a GDI object still selected is never freed).
class SelectObjectGuard {
 public:
  SelectObjectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectObjectGuard() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectObjectGuard(const SelectObjectGuard&) = delete;
  SelectObjectGuard& operator=(const SelectObjectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace win32

#endif  // ZELDRIUM_WIN32_HANDLES_H_
