#include "platform/utc_clock.h"

namespace tarnwick {

bool CurrentUtcTime(std::tm& out) {
  const std::time_t now = std::time(nullptr);
  return gmtime_r(&now, &out) != nullptr;
}

}  // namespace tarnwick
