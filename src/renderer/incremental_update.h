// The second step of the model sync: cut the renderer and its mirror back
// to what stays, before the incremental file's new body is streamed.
#pragma once

#include "formats/container_state.h"
#include "renderer/renderer_state.h"

namespace tarnwick {

// Reads the header of the container named by ContainerPath ("_mod.sm") and applies its slot 0:
// the listed removals for the same project (the lights withdrawn only when slot 1 holds a
// body, which sends them again), a full reset for another one. The file stays open, its
// header loaded, for StreamSlotToRenderer to read its body from; it is closed when it could
// not be used.
void ApplyIncrementalFile(ContainerState& container, RendererState& renderer);

// Deletes every node, resets every material and withdraws every switched-on light, then ends
// the export; the three maps are emptied.
void ResetRenderedScene(RendererState& renderer);

// Deletes the nodes of the removed solids that the renderer holds, flushes, and with
// `withdraw_lights` withdraws every light, switched on or not, and empties the lights map.
void ApplyRemovals(RendererState& renderer, bool withdraw_lights);

}  // namespace tarnwick
