#ifndef ZELDRIUM_WIN32_MODULE_LIFE_H_
#define ZELDRIUM_WIN32_MODULE_LIFE_H_

// How long the plug-in's code must stay in the host's process.
//
// The host may unload the library (FreeLibrary) from any message it handles, and some of its
// messages are handled while the plug-in's own code waits lower on the stack: a search run lets
// the thread's messages through, and dialogs, message boxes, menus and the moving of a window
// run modal loops. Code unmapped under those frames would be returned into, and the host would
// crash. So every such loop first keeps the module mapped until the process ends (a pin: the
// plug-in never calls FreeLibrary on itself), and the plug-in's objects are never destroyed while
// a frame of its code is on the stack: a teardown asked for then waits until the outermost frame
// returns.
//
// A module that was never pinned unloads as usual, and DLL_PROCESS_DETACH releases it there.

namespace win32 {

// Held by every way into the plug-in's code (each export and command, each window, dialog and
// subclass procedure) while it runs.
class OurFrame {
 public:
  OurFrame();
  // The outermost frame carries out a teardown asked for while it ran (WhenOffTheStack).
  ~OurFrame();
  OurFrame(const OurFrame&) = delete;
  OurFrame& operator=(const OurFrame&) = delete;
};

// The frames of the plug-in's code on this thread's stack, the caller's own included.
int FramesOnStack();

// Keeps this module mapped until the process ends, whatever the host unloads. Called before
// every modal loop that runs inside the plug-in's code.
void KeepModuleMapped();
// True once KeepModuleMapped was called in this process.
bool ModuleKeptMapped();

// Runs action when the outermost frame of the plug-in's code returns; replaces an action asked
// for before and not yet run. REQUIRES: a frame is on the stack (FramesOnStack() > 0).
void WhenOffTheStack(void (*action)());

}  // namespace win32

#endif  // ZELDRIUM_WIN32_MODULE_LIFE_H_
