#ifndef ZELDRIUM_WIN32_WINDOW_H_
#define ZELDRIUM_WIN32_WINDOW_H_

// The one base of the plug-in's windows. The window procedure finds the C++ object through the
// window's user data, set at WM_NCCREATE, and hands every message to HandleMessage; a derived
// window's HandleMessage is a flat switch that calls one named handler per message. A handler
// that throws leaves its message to DefWindowProc, and the fault is reported
// (win32/fault_report.h).
//
// Nothing here runs from DllMain: classes are registered by the first Create, and everything
// this module registered is unregistered with UnregisterWindowClasses when the library unloads,
// so the next load of the library (a host may unload and load it again) registers them afresh.

#include <windows.h>

#include <string>

namespace win32 {

// The module this code is linked into: the plug-in DLL, or a test program.
HINSTANCE ThisModule();

// Unregisters every class this module registered. REQUIRES: no window of them is left.
void UnregisterWindowClasses();

// Gives window its class's own procedure back, passing over every subclass of ours. For a window
// of another thread, whose subclasses cannot be taken off their chains from here, when the
// module's code is about to go. Does nothing for a null window.
void CutLoose(HWND window);

// A message box of the plug-in. Its modal loop lets the host's messages through while this
// module's code waits on the stack, so the module is first kept mapped (win32/module_life.h).
int ModalMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type);

// Makes the module's own manifest (resource ID 2, which asks for common controls version 6) the
// active one while the scope lives, so that controls created in it get the themed version
// whatever the host's own manifest says. Without such a resource (a test program) it does
// nothing. The context is created on first use and kept until ReleaseActivationContext.
class ActivationScope {
 public:
  ActivationScope();
  ~ActivationScope();
  ActivationScope(const ActivationScope&) = delete;
  ActivationScope& operator=(const ActivationScope&) = delete;

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};
void ReleaseActivationContext();

class Window {
 public:
  Window() = default;
  // Destroys a window still open without giving it its messages (the derived part is gone by
  // then): a derived window that handles WM_DESTROY calls Destroy in its own destructor.
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }
  void Destroy();

 protected:
  struct CreateArgs {
    const wchar_t* class_name = nullptr;
    UINT class_style = CS_DBLCLKS;
    DWORD ex_style = 0;
    DWORD style = WS_OVERLAPPEDWINDOW;
    std::wstring title;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
    HWND parent = nullptr;
  };
  // Registers the class on first use. False when the window could not be made.
  bool Create(const CreateArgs& args);

  // Every message after WM_NCCREATE. A handler that throws is treated as one that did nothing:
  // no exception may unwind into the system's dispatcher.
  virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
};

}  // namespace win32

#endif  // ZELDRIUM_WIN32_WINDOW_H_
