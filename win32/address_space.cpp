#include "win32/address_space.h"

namespace win32 {

bool LeavesEnoughForHost(uint64_t bytes) { return FreeAddressSpace() >= kKeptForHost + bytes; }

bool AddressSpaceGuard::MayTake(size_t bytes) {
  if (bytes > budget_) {
    const uint64_t free = FreeAddressSpace();
    budget_ = free > kKeptForHost ? (free - kKeptForHost) / 2 : 0;
    if (bytes > budget_) {
      // Less than twice the request above the reserve: still allowed while it fits.
      if (free < kKeptForHost + bytes) return false;
      budget_ = bytes;
    }
  }
  budget_ -= bytes;
  return true;
}

}  // namespace win32
