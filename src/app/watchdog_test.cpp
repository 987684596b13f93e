// The watchdog's checks against real windows (under Wine).
#include "app/watchdog.h"

#include <gtest/gtest.h>

#include <memory>

#include "test_host/host_windows.h"

namespace tarnwick::app {
namespace {

using test_host::FakeWindow;

TEST(WatchdogTest, NeedsTheHostWindowWithItsClassAndTheRendererWindow) {
  EXPECT_FALSE(HostAndRendererStillOpen(nullptr));

  auto host = std::make_unique<FakeWindow>(test_host::kHostClass);
  auto renderer = std::make_unique<FakeWindow>(test_host::kRendererClass);
  ASSERT_NE(host->handle(), nullptr);
  EXPECT_TRUE(HostAndRendererStillOpen(host->handle()));

  // A window of another class under the remembered handle fails the class check.
  FakeWindow other(L"Corvella_class2");
  EXPECT_FALSE(HostAndRendererStillOpen(other.handle()));

  renderer.reset();
  EXPECT_FALSE(HostAndRendererStillOpen(host->handle()));
  renderer = std::make_unique<FakeWindow>(test_host::kRendererClass);
  EXPECT_TRUE(HostAndRendererStillOpen(host->handle()));

  const HWND closed = host->handle();
  host.reset();
  EXPECT_FALSE(HostAndRendererStillOpen(closed));
}

TEST(WatchdogTest, OnlyTicksOfTheRememberedTimerCount) {
  MSG tick{};
  tick.message = WM_TIMER;
  tick.wParam = 101;
  EXPECT_TRUE(IsWatchdogTick(tick, 101));
  EXPECT_FALSE(IsWatchdogTick(tick, 100));
  tick.wParam = 100;
  EXPECT_FALSE(IsWatchdogTick(tick, 101));
  MSG other{};
  other.message = WM_USER + 1;
  other.wParam = 101;
  EXPECT_FALSE(IsWatchdogTick(other, 101));
}

}  // namespace
}  // namespace tarnwick::app
