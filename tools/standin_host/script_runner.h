#ifndef ZELDRIUM_TOOLS_STANDIN_HOST_SCRIPT_RUNNER_H_
#define ZELDRIUM_TOOLS_STANDIN_HOST_SCRIPT_RUNNER_H_

// Carries out a session script (script.h) in the running host, on its UI thread, and prints
// what happened: each step as "> LINE: STEP", then what the host and the plug-ins did, then
// "ok" or "error". A failed step does not end the session.
//
// A step that does not return because a modal window is up (a plug-in's dialog or message box)
// would stall the session: after a moment such a window is printed and cancelled.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/standin_host/host_api.h"
#include "tools/standin_host/host_window.h"
#include "tools/standin_host/script.h"

namespace standin {

class ScriptRunner {
 public:
  // REQUIRES: window and plugins outlive the runner.
  ScriptRunner(HostWindow& window, std::vector<std::unique_ptr<Plugin>>& plugins)
      : window_(window), plugins_(plugins) {}

  // Returns the number of steps that failed. Stops at quit, or when the host's window is gone.
  int Run(const std::vector<Step>& steps);

 private:
  // False with *result the reason when the step failed.
  bool RunStep(const Step& step, std::wstring* result);
  bool OpenFolderStep(const Step& step, std::wstring* result);
  bool SelectMailStep(const Step& step, std::wstring* result);
  bool MenuStep(const Step& step, std::wstring* result);
  bool SetupStep(const Step& step, std::wstring* result);
  bool PrintMenusStep(std::wstring* result);
  bool FocusStep(const Step& step, std::wstring* result);
  bool TypeStep(const Step& step, std::wstring* result);
  bool KeyStep(const Step& step, std::wstring* result);
  bool ScreenshotStep(const Step& step, std::wstring* result);
  bool ClickStep(const Step& step, std::wstring* result);

  HostWindow& window_;
  std::vector<std::unique_ptr<Plugin>>& plugins_;
};

// Lets the host run for ms milliseconds. False once the host's message loop was told to end.
bool PumpMessages(DWORD ms);

}  // namespace standin

#endif  // ZELDRIUM_TOOLS_STANDIN_HOST_SCRIPT_RUNNER_H_
