#include "bridge/resident_lookup.h"

namespace tarnwick {

bool LookForResident(const ResidentLookup& lookup) {
  // The deadline is measured on the clock, not counted in waits, so that slow
  // looks on a busy machine do not stretch the time a forwarding process stays.
  const std::uint64_t start = lookup.now_ms();
  for (;;) {
    if (lookup.look()) return true;
    const std::uint64_t elapsed = lookup.now_ms() - start;
    if (elapsed >= kResidentLookLimitMs) return false;
    const std::uint64_t left = kResidentLookLimitMs - elapsed;
    lookup.wait(static_cast<std::uint32_t>(left < kResidentLookPeriodMs ? left
                                                                        : kResidentLookPeriodMs));
  }
}

}  // namespace tarnwick
