#include <time.h>

#include "platform/utc_clock.h"

namespace tarnwick {

bool CurrentUtcTime(std::tm& out) {
  const __time64_t now = _time64(nullptr);
  return _gmtime64_s(&out, &now) == 0;
}

}  // namespace tarnwick
