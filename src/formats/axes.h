// Host and renderer axes: the host's x axis is the renderer's negative y axis
// and the host's y axis the renderer's x axis; z stays z.
#pragma once

#include <array>

namespace tarnwick {

// A host point or direction (x, y, z) in renderer axes: (y, -x, z).
inline std::array<float, 3> RendererAxes(const std::array<float, 3>& host) {
  return {host[1], -host[0], host[2]};
}

}  // namespace tarnwick
