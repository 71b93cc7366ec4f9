#ifndef ZELDRIUM_WIN32_DIALOG_H_
#define ZELDRIUM_WIN32_DIALOG_H_

// The base of the plug-in's modal dialogs. The dialog window comes from an empty in-memory
// template; a derived dialog creates its controls in CreateControls at designed pixel positions
// of the client area (pixels at 96 dpi, shown at the dialog's DPI: win32/dpi.h), all in the dialog
// font ("ＭＳ Ｐゴシック", 12 designed pixels high). Because the system's
// dialog manager runs the modal loop, Tab and the arrow keys move between controls, Enter sends
// IDOK and Esc sends IDCANCEL (both as WM_COMMAND), and the owner is disabled while it is open.
//
// Use:
//   class TMyForm : public win32::Dialog {
//    public:
//     TMyForm() : Dialog({L"caption", 300, 200}) {}
//    protected:
//     void CreateControls() override { ok_ = AddControl({WC_BUTTONW, L"OK", ...}); }
//     INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;  // a switch
//   };
//   TMyForm form;
//   if (form.ShowModal(owner) == IDOK) ...read the form...
//
// Controls are created in tab order: the dialog manager tabs through them in creation order,
// wherever they stand. A handler that throws counts as one that did not handle its message; an
// exception while the controls are made ends the dialog with kShowFailed. Either is reported
// (win32/fault_report.h), the latter once the dialog is gone. Nothing unwinds into the dialog
// manager. One object shows one dialog at a time; it may be shown again afterwards.

#include <windows.h>

#include <exception>
#include <string>

#include "win32/handles.h"

namespace win32 {

class Dialog {
 public:
  struct Frame {
    std::wstring caption;
    int client_width = 0;  // designed pixels
    int client_height = 0;
    // A fixed frame with a close box that cancels. A tool window without caption buttons is
    // WS_POPUP | WS_CAPTION with WS_EX_TOOLWINDOW.
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    DWORD ex_style = 0;
  };

  struct ControlArgs {
    const wchar_t* class_name = nullptr;  // WC_BUTTONW, WC_EDITW, WC_TREEVIEWW, ...
    std::wstring text;
    int id = 0;       // the WM_COMMAND / WM_NOTIFY identifier; 0 for a control nobody addresses
    DWORD style = 0;  // WS_CHILD and WS_VISIBLE are always added; WS_TABSTOP is the caller's
    DWORD ex_style = 0;
    int x = 0, y = 0, width = 0, height = 0;  // designed client pixels
  };

  static constexpr INT_PTR kShowFailed = -1;

  explicit Dialog(Frame frame);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Shows the dialog modally and returns the result given to End: IDOK, IDCANCEL (Esc, the
  // close box), or kShowFailed when it could not be shown. The window is placed with its
  // top-left corner at top_left (screen pixels) when given, otherwise centred on the owner
  // (or on the screen without owner, or when asked), and always kept on the owner's monitor.
  INT_PTR ShowModal(HWND owner);
  INT_PTR ShowModal(HWND owner, POINT top_left);
  INT_PTR ShowModalOnScreenCentre(HWND owner);

  // The dialog window while it is shown, else null.
  HWND hwnd() const { return hwnd_; }

 protected:
  // Called once per showing, before the dialog becomes visible; hwnd() is valid.
  virtual void CreateControls() = 0;
  // Every message from WM_INITDIALOG on, in the manner of a dialog procedure: TRUE when handled
  // (with SetWindowLongPtr(DWLP_MSGRESULT) for messages that return a value), else FALSE. The
  // default closes with IDOK / IDCANCEL on those commands.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  // Creates a child control in the dialog font, at the designed place scaled for the dialog's
  // DPI. Null on failure.
  HWND AddControl(const ControlArgs& args);
  // The DPI the dialog is shown at (96 before it shows), and a designed size at it.
  int dpi() const { return dpi_; }
  int Scale(int designed) const;
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
  // Ends the modal loop once the current message is handled.
  void End(INT_PTR result);
  // Enables or disables a control; a control that loses its focus by this hands it on to the
  // next one in tab order, so the keyboard is never left without a place.
  void EnableItem(int id, bool enabled);

  // The width of a one-line text in the dialog font, in designed pixels (rounded up); 0 before
  // the dialog shows. The designed sizes assume the Windows font; a substitute may need more
  // room.
  int TextWidth(const std::wstring& text) const;

  const Frame& frame() const { return frame_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  enum class Placement { kOnOwner, kAt, kOnScreen };
  INT_PTR Show(HWND owner, Placement placement, POINT top_left);
  void InitDialog();
  void Place();

  Frame frame_;
  HWND hwnd_ = nullptr;
  HWND owner_ = nullptr;
  Placement placement_ = Placement::kOnOwner;
  POINT place_ = {};
  int dpi_ = 96;
  UniqueHfont font_;
  std::exception_ptr show_fault_;  // why the controls could not be made
};

// The dialog font: "ＭＳ Ｐゴシック" 12 designed pixels high at dpi. The caller owns the font.
HFONT CreateDialogFont(int dpi = 96);

}  // namespace win32

#endif  // ZELDRIUM_WIN32_DIALOG_H_
