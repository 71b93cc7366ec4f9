#include "win32/address_space.h"

#include <gtest/gtest.h>

namespace {

TEST(AddressSpaceTest, TakesWhatLeavesTheHostItsShareAndNoMore) {
  const uint64_t free = ui::FreeAddressSpace();
  ASSERT_GT(free, ui::kKeptForHost + (uint64_t{16} << 20)) << "a test process has room";
  const size_t headroom = static_cast<size_t>(free - ui::kKeptForHost);
  EXPECT_TRUE(ui::LeavesEnoughForHost(uint64_t{1} << 20));
  EXPECT_FALSE(ui::LeavesEnoughForHost(free));

  ui::AddressSpaceGuard guard;
  EXPECT_FALSE(guard.MayTake(headroom + (8 << 20)));
  EXPECT_TRUE(guard.MayTake(1 << 20));
  // More than half of what is left above the host's share, but still within it.
  guard.Reset();
  EXPECT_TRUE(guard.MayTake(headroom - (8 << 20)));
}

}  // namespace
