#ifndef ZELDRIUM_UI_SEARCH_PLATFORM_H_
#define ZELDRIUM_UI_SEARCH_PLATFORM_H_

// The search runs in the host's process (ui/portable/search_controller.h): on the host's window
// thread, in the host's address space.

#include <cstddef>
#include <cstdint>

#include "ui/portable/search_controller.h"
#include "win32/address_space.h"
#include "win32/message_pump.h"
#include "win32/module_life.h"

namespace ui {

class HostThreadSearchPlatform : public SearchPlatform {
 public:
  // The host may unload the library from a message a run lets through: from the first run on,
  // the module stays mapped until the process ends (win32/module_life.h).
  void RunsBegin() override { win32::KeepModuleMapped(); }
  void RunBegins() override { memory_.Reset(); }
  bool MayTake(size_t bytes) override { return memory_.MayTake(bytes); }
  bool LetMessagesThrough() override { return win32::LetWaitingMessagesThrough(); }
  int64_t NowMicros() override { return win32::NowMicros(); }

 private:
  win32::AddressSpaceGuard memory_;
};

}  // namespace ui

#endif  // ZELDRIUM_UI_SEARCH_PLATFORM_H_
