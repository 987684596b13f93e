// How a forwarding process looks for the resident bridge's window: the resident
// takes the mutex a moment before its window exists, so a request that finds
// the mutex taken but no window looks again for a while instead of being lost.
#pragma once

#include <cstdint>
#include <functional>

namespace tarnwick {

// Time between two looks for the resident's window.
inline constexpr std::uint32_t kResidentLookPeriodMs = 20;
// How long after the first look the forwarding process keeps looking.
inline constexpr std::uint32_t kResidentLookLimitMs = 2000;

// The platform's side of the lookup: look once, wait, read a millisecond clock.
struct ResidentLookup {
  std::function<bool()> look;                   // true when the window was found
  std::function<void(std::uint32_t ms)> wait;   // sleeps this long
  std::function<std::uint64_t()> now_ms;        // a monotonic clock
};

// Looks at once and, while nothing is found, again every kResidentLookPeriodMs
// until kResidentLookLimitMs have passed since the first look; true when found.
bool LookForResident(const ResidentLookup& lookup);

}  // namespace tarnwick
