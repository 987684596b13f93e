#include "platform/named_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

namespace tarnwick {
namespace {

constexpr char16_t kName[] = u"TarnwickNamedLockTest";

TEST(NamedLockTest, OneHolderAtATimeAndTheWaitEndsOnTime) {
  std::optional<NamedLock> first(std::in_place, kName, 0);
  ASSERT_TRUE(first->owns_lock());
  const auto before = std::chrono::steady_clock::now();
  {
    const NamedLock second(kName, 50);
    EXPECT_FALSE(second.owns_lock());
  }
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(50));
  // A lock of another name is free.
  EXPECT_TRUE(NamedLock(u"TarnwickNamedLockTestOther", 0).owns_lock());
  first.reset();
  EXPECT_TRUE(NamedLock(kName, 0).owns_lock());
}

}  // namespace
}  // namespace tarnwick
