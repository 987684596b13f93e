// Measures one part's geometry as the bridge would send it: vertices,
// triangles, indices past the vertices, values that are not finite and
// triangles without area. Nothing is kept; the bounds are widened in place.
#pragma once

#include <cstdint>

#include "formats/model_sink.h"
#include "inspect/report.h"

namespace tarnwick::inspect {

// What one part holds.
struct PartStats {
  std::uint32_t vertices = 0;               // position count / 3
  std::uint64_t triangles = 0;              // index count / 3, or vertices / 3 without indices
  std::uint64_t indices_out_of_range = 0;   // indices at or past the vertex count
  std::uint64_t non_finite_values = 0;      // NaN or infinite position values
  std::uint64_t degenerate_triangles = 0;   // a repeated corner or no area
};

// Measures a part and widens `bounds` by its finite vertices.
PartStats MeasurePart(const PartGeometry& part, Bounds& bounds);

}  // namespace tarnwick::inspect
