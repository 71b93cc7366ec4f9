#include "win32/module_life.h"

#include <windows.h>

namespace win32 {
namespace {

// One thread only: the host calls the plug-in on its window thread (see zeldrium.cpp for an
// unload from another thread, which never finds frames of ours on its own stack).
int g_frames = 0;
bool g_kept_mapped = false;
void (*g_when_off_the_stack)() = nullptr;

}  // namespace

OurFrame::OurFrame() { ++g_frames; }

OurFrame::~OurFrame() {
  if (--g_frames > 0 || !g_when_off_the_stack) return;
  // Taken first: the action's own calls into the plug-in's windows pass through here again.
  void (*action)() = g_when_off_the_stack;
  g_when_off_the_stack = nullptr;
  // Counted as a frame of its own, so that those calls do not start it again either.
  ++g_frames;
  try {
    action();
  } catch (...) {
  }
  --g_frames;
}

int FramesOnStack() { return g_frames; }

void KeepModuleMapped() {
  if (g_kept_mapped) return;
  HMODULE self = nullptr;
  g_kept_mapped =
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(&KeepModuleMapped), &self) != FALSE;
}

bool ModuleKeptMapped() { return g_kept_mapped; }

void WhenOffTheStack(void (*action)()) { g_when_off_the_stack = action; }

}  // namespace win32
