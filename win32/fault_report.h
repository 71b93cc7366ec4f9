#ifndef ZELDRIUM_WIN32_FAULT_REPORT_H_
#define ZELDRIUM_WIN32_FAULT_REPORT_H_

// Where an exception from a handler of the kit's windows and dialogs goes. Nothing may unwind
// into the system's dispatcher, so the procedures catch everything and end the message as not
// handled; the user still hears that the action ended, from the reporter the library installs
// (the kit knows no words for it). Without a reporter, and while a report is being shown, a
// fault goes unheard.

#include <windows.h>

#include <exception>

namespace win32 {

// source: the window whose handler failed (it may be gone or not shown yet).
using FaultReporter = void (*)(HWND source, const std::exception_ptr& fault);

// Installs reporter (null: none) for every fault reported from now on.
void SetFaultReporter(FaultReporter reporter);

// Hands fault to the reporter, unless one is being shown already: its modal loop dispatches
// messages that may fail alike, and one box at a time is enough.
void ReportFault(HWND source, const std::exception_ptr& fault);

// Whether a fault in handling message is worth telling: painting is no action of the user's, and
// a box over the window would only ask for another paint.
bool IsActionMessage(UINT message);

}  // namespace win32

#endif  // ZELDRIUM_WIN32_FAULT_REPORT_H_
