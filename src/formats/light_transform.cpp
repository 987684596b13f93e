#include "formats/light_transform.h"

#include <cmath>

namespace tarnwick {

namespace {

// The yaw-pitch-roll rotation for row vectors (yaw about y, pitch about x,
// roll about z), built from the angles in To as held in renderer axes.
void SetAngleRotation(std::array<float, 16>& m, const std::array<float, 3>& to) {
  const float alpha = -to[0];
  const float beta = to[1];
  const float gamma = to[2];
  const float ca = std::cos(alpha), sa = std::sin(alpha);
  const float cb = std::cos(beta), sb = std::sin(beta);
  const float cg = std::cos(gamma), sg = std::sin(gamma);
  m[0] = cg * ca + sg * sb * sa;
  m[1] = sg * cb;
  m[2] = sg * sb * ca - cg * sa;
  m[4] = cg * sb * sa - sg * ca;
  m[5] = cg * cb;
  m[6] = sg * sa + cg * sb * ca;
  m[8] = cb * sa;
  m[9] = -sb;
  m[10] = cb * ca;
}

}  // namespace

std::array<float, 16> LightTransform(const LightRecord& record) {
  std::array<float, 16> m{};
  m[0] = m[5] = m[10] = m[15] = 1.0f;
  if (record.LightSource == LightSourceType::Spot || record.LightSource == LightSourceType::IES) {
    SetAngleRotation(m, record.To);
  }
  m[12] = record.From[0];
  m[13] = record.From[1];
  m[14] = record.From[2];
  return m;
}

}  // namespace tarnwick
