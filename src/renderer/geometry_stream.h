// Solids of a model body become renderer nodes: one node per solid, named
// after its id, with one triangle batch per geometry part. The container
// reader hands the parts over (formats/solid_reader.h); this sends them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/model_sink.h"
#include "renderer/d5api.h"

namespace tarnwick {

// "Solid_" followed by the id written as a signed 32-bit decimal number.
std::u16string SolidNodeName(std::uint32_t solid_id);

// The node matrix of every solid: the 4 x 4 identity.
extern const std::array<float, 16> kNodeMatrix;

// The vertex count C1 / 3 that every index of the part's list must stay below; nothing when
// the part has no list of its own or one too long to send.
std::optional<std::uint32_t> IndexLimitOf(const PartGeometry& part);

// Makes the one D5API_AddIndexedTriangle call of a part, with vertex count C1 / 3 as the
// first count; a part whose index list refers past its vertices is not sent. `sequence`
// holds 0, 1, 2, ... for parts without an index list and is only ever extended.
void SendPartTriangles(D5Session session, const std::u16string& part_name,
                       const PartGeometry& part, std::vector<std::uint32_t>& sequence);

}  // namespace tarnwick
