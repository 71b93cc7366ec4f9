#include "win32/fault_report.h"

namespace win32 {
namespace {

FaultReporter g_reporter = nullptr;
bool g_reporting = false;

}  // namespace

void SetFaultReporter(FaultReporter reporter) { g_reporter = reporter; }

void ReportFault(HWND source, const std::exception_ptr& fault) {
  if (!g_reporter || g_reporting || !fault) return;
  g_reporting = true;
  try {
    g_reporter(source, fault);
  } catch (...) {
  }
  g_reporting = false;
}

bool IsActionMessage(UINT message) {
  switch (message) {
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORDLG:
    case WM_DESTROY:
    case WM_NCDESTROY:
      return false;
  }
  return true;
}

}  // namespace win32
