#include "inspect/part_checks.h"

#include <cmath>

namespace tarnwick::inspect {

namespace {

bool IsFinitePoint(const float* p) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// A triangle whose corners repeat or span no area. Corners that are not finite are
// not judged; the caller has checked that every corner lies inside the array.
bool IsDegenerate(const float* positions, std::uint32_t a, std::uint32_t b, std::uint32_t c) {
  if (a == b || b == c || a == c) return true;
  const float* p = positions + std::size_t{a} * 3;
  const float* q = positions + std::size_t{b} * 3;
  const float* r = positions + std::size_t{c} * 3;
  if (!IsFinitePoint(p) || !IsFinitePoint(q) || !IsFinitePoint(r)) return false;
  // In double the products of float differences are exact enough that only a true
  // zero area gives zero.
  const double u[3] = {double{q[0]} - p[0], double{q[1]} - p[1], double{q[2]} - p[2]};
  const double v[3] = {double{r[0]} - p[0], double{r[1]} - p[1], double{r[2]} - p[2]};
  return u[1] * v[2] - u[2] * v[1] == 0.0 && u[2] * v[0] - u[0] * v[2] == 0.0 &&
         u[0] * v[1] - u[1] * v[0] == 0.0;
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
  for (std::uint32_t v = 0; v < stats.vertices; ++v) {
    const float* point = part.positions + std::size_t{v} * 3;
    if (IsFinitePoint(point)) {
      bounds.Add(point);
    } else {
      for (int axis = 0; axis < 3; ++axis) stats.non_finite_values += std::isfinite(point[axis]) ? 0 : 1;
    }
  }
  if (part.index_count > 0) {
    for (std::uint32_t i = 0; i < part.index_count; ++i) {
      stats.indices_out_of_range += part.indices[i] >= stats.vertices ? 1 : 0;
    }
    stats.triangles = part.index_count / 3;
    if (stats.indices_out_of_range > 0) return stats;
    for (std::uint64_t t = 0; t < stats.triangles; ++t) {
      const std::uint32_t* corner = part.indices + t * 3;
      stats.degenerate_triangles += IsDegenerate(part.positions, corner[0], corner[1], corner[2]) ? 1 : 0;
    }
  } else {
    stats.triangles = stats.vertices / 3;
    for (std::uint32_t t = 0; t < stats.triangles; ++t) {
      stats.degenerate_triangles += IsDegenerate(part.positions, t * 3, t * 3 + 1, t * 3 + 2) ? 1 : 0;
    }
  }
  return stats;
}

}  // namespace tarnwick::inspect
