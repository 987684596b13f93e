// The current time as UTC calendar time, for the log's time stamps.
#pragma once

#include <ctime>

namespace tarnwick {

// Fills the calendar time of now in UTC; false when the conversion fails.
bool CurrentUtcTime(std::tm& out);

}  // namespace tarnwick
