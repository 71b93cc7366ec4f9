#ifndef ZELDRIUM_WIN32_ADDRESS_SPACE_H_
#define ZELDRIUM_WIN32_ADDRESS_SPACE_H_

// The host's address space, which the plug-in shares. A 32-bit host has 2 GiB of it; a search
// that took the last of it would leave the host to fail at its next allocation, and the host's
// own failure is a crash. So the plug-in's large allocations (the hits of a run, the sort keys
// of a header click) stop while kKeptForHost is still free: the run then ends as one that found
// no memory, and the sort is refused.

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace win32 {

inline constexpr uint64_t kKeptForHost = uint64_t{128} << 20;

// The free address space of this process, in bytes, counted region by region: what the
// system's memory status reports is not always the process's own (Wine's is not). Inline, so
// that a host program's tests count as the plug-in does.
inline uint64_t FreeAddressSpace() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const auto* at = static_cast<const char*>(system.lpMinimumApplicationAddress);
  const auto* end = static_cast<const char*>(system.lpMaximumApplicationAddress);
  uint64_t free = 0;
  MEMORY_BASIC_INFORMATION region;
  while (at < end && VirtualQuery(at, &region, sizeof(region)) == sizeof(region)) {
    if (region.State == MEM_FREE) free += region.RegionSize;
    const auto* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return free;
}

// Whether bytes more may be taken and kKeptForHost still stay free.
bool LeavesEnoughForHost(uint64_t bytes);

// The same for many allocations in a row: the free space is counted again only when half of
// what was free above kKeptForHost at the last count has been taken, so that a run of a million
// hits looks at it a few times, not at every block.
class AddressSpaceGuard {
 public:
  // Counts afresh at the next MayTake (a new run: memory may have come back since).
  void Reset() { budget_ = 0; }
  bool MayTake(size_t bytes);

 private:
  uint64_t budget_ = 0;
};

}  // namespace win32

#endif  // ZELDRIUM_WIN32_ADDRESS_SPACE_H_
