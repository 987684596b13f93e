#include "inspect/part_checks.h"

#include <cmath>
#include <limits>

namespace tarnwick::inspect {

namespace {

bool IsFinitePoint(const float* p) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// A triangle whose corners repeat or span no area; every corner lies inside the array.
// In double the differences and products of floats are exact, so only a true zero area
// gives a zero normal.
bool SpansNoArea(const float* positions, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  if (a == b || b == c || a == c) return true;
  const float* p = positions + std::size_t{a} * 3;
  const float* q = positions + std::size_t{b} * 3;
  const float* r = positions + std::size_t{c} * 3;
  const double ux = double{q[0]} - p[0], uy = double{q[1]} - p[1], uz = double{q[2]} - p[2];
  const double vx = double{r[0]} - p[0], vy = double{r[1]} - p[1], vz = double{r[2]} - p[2];
  return uy * vz == uz * vy && uz * vx == ux * vz && ux * vy == uy * vx;
}

// Corners that are not finite are not judged.
bool IsDegenerate(const float* positions, bool all_finite, std::uint32_t a, std::uint32_t b,
                  std::uint32_t c) {
  if (!all_finite && (!IsFinitePoint(positions + std::size_t{a} * 3) ||
                      !IsFinitePoint(positions + std::size_t{b} * 3) ||
                      !IsFinitePoint(positions + std::size_t{c} * 3))) {
    return a == b || b == c || a == c;
  }
  return SpansNoArea(positions, a, b, c);
}

// Widens the bounds by every finite vertex; returns the count of values that are not finite.
// The common case, all finite, runs without a branch per vertex.
std::uint64_t MeasurePositions(const float* positions, std::uint32_t vertices, Bounds& bounds) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  float lo[3] = {kInf, kInf, kInf};
  float hi[3] = {-kInf, -kInf, -kInf};
  bool finite = true;
  for (std::size_t i = 0; i < std::size_t{vertices} * 3; i += 3) {
    for (int axis = 0; axis < 3; ++axis) {
      const float value = positions[i + axis];
      finite &= value - value == 0.0f;  // NaN for NaN and infinities
      lo[axis] = value < lo[axis] ? value : lo[axis];
      hi[axis] = value > hi[axis] ? value : hi[axis];
    }
  }
  std::uint64_t non_finite = 0;
  if (finite) {
    if (vertices > 0) {
      bounds.Add(lo);
      bounds.Add(hi);
    }
    return non_finite;
  }
  for (std::uint32_t v = 0; v < vertices; ++v) {
    const float* point = positions + std::size_t{v} * 3;
    if (IsFinitePoint(point)) {
      bounds.Add(point);
    } else {
      for (int axis = 0; axis < 3; ++axis) non_finite += std::isfinite(point[axis]) ? 0 : 1;
    }
  }
  return non_finite;
}

}  // namespace

void Bounds::Add(const float* point) {
  for (int axis = 0; axis < 3; ++axis) {
    if (empty || point[axis] < min[axis]) min[axis] = point[axis];
    if (empty || point[axis] > max[axis]) max[axis] = point[axis];
  }
  empty = false;
}

PartStats MeasurePart(const PartGeometry& part, Bounds& bounds) {
  PartStats stats;
  stats.vertices = part.position_count / 3;
  stats.non_finite_values = MeasurePositions(part.positions, stats.vertices, bounds);
  const bool all_finite = stats.non_finite_values == 0;
  if (part.index_count > 0) {
    // Or-ing comparisons keeps the common case, every index in range, free of branches.
    std::uint32_t beyond = 0;
    for (std::uint32_t i = 0; i < part.index_count; ++i) beyond |= part.indices[i] >= stats.vertices ? 1u : 0u;
    stats.triangles = part.index_count / 3;
    if (beyond) {
      for (std::uint32_t i = 0; i < part.index_count; ++i) {
        stats.indices_out_of_range += part.indices[i] >= stats.vertices ? 1 : 0;
      }
      return stats;
    }
    for (std::uint64_t t = 0; t < stats.triangles; ++t) {
      const std::uint32_t* corner = part.indices + t * 3;
      stats.degenerate_triangles += IsDegenerate(part.positions, all_finite, corner[0], corner[1], corner[2]) ? 1 : 0;
    }
  } else {
    stats.triangles = stats.vertices / 3;
    for (std::uint32_t t = 0; t < stats.triangles; ++t) {
      stats.degenerate_triangles += IsDegenerate(part.positions, all_finite, t * 3, t * 3 + 1, t * 3 + 2) ? 1 : 0;
    }
  }
  return stats;
}

}  // namespace tarnwick::inspect
