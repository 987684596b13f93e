// Where a light stands and which way it points, as the renderer takes it: a
// 4 x 4 transform built from a light record held in renderer axes.
#pragma once

#include <array>

#include "formats/light_record.h"

namespace tarnwick {

// The 16-float transform: identity rotation for point lights, the yaw-pitch-roll rotation
// of To (radians) for spot and IES lights; From as the position (m12, m13, m14).
std::array<float, 16> LightTransform(const LightRecord& record);

}  // namespace tarnwick
