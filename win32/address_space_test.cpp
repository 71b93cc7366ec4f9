#include "win32/address_space.h"

#include <gtest/gtest.h>

namespace {

TEST(AddressSpaceTest, TakesWhatLeavesTheHostItsShareAndNoMore) {
  const uint64_t free = win32::FreeAddressSpace();
  ASSERT_GT(free, win32::kKeptForHost + (uint64_t{16} << 20)) << "a test process has room";
  const size_t headroom = static_cast<size_t>(free - win32::kKeptForHost);
  EXPECT_TRUE(win32::LeavesEnoughForHost(uint64_t{1} << 20));
  EXPECT_FALSE(win32::LeavesEnoughForHost(free));

  win32::AddressSpaceGuard guard;
  EXPECT_FALSE(guard.MayTake(headroom + (8 << 20)));
  EXPECT_TRUE(guard.MayTake(1 << 20));
  // More than half of what is left above the host's share, but still within it.
  guard.Reset();
  EXPECT_TRUE(guard.MayTake(headroom - (8 << 20)));
}

}  // namespace
