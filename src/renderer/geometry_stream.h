// Solids of a model body become renderer nodes: one node per solid, named
// after its id, with one triangle batch per geometry part.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/exchange_document.h"
#include "renderer/d5api.h"

namespace tarnwick {

// Grow-only buffers reused by every part of one body and released with it.
struct GeometryScratch {
  // Aligned copies of arrays 1, 2, 5 and 6 when the file's bytes cannot be lent as they are.
  std::array<std::vector<std::uint32_t>, 4> copies;
  // 0, 1, 2, ... for parts without an index list; only ever extended.
  std::vector<std::uint32_t> sequence;
};

// One part's arrays as the renderer receives them: 4-byte aligned, null when empty.
struct PartGeometry {
  std::uint32_t position_count = 0;  // C1, three floats per vertex
  const float* positions = nullptr;
  const void* attributes1 = nullptr;  // array 5
  const void* attributes2 = nullptr;  // array 2
  std::uint32_t index_count = 0;      // C6; 0 when the part has no index list
  const std::uint32_t* indices = nullptr;
};

// "Solid_" followed by the id written as a signed 32-bit decimal number.
std::u16string SolidNodeName(std::uint32_t solid_id);

// The node matrix of every solid: the 4 x 4 identity.
extern const std::array<float, 16> kNodeMatrix;

// Makes the one D5API_AddIndexedTriangle call of a part, with vertex count C1 / 3 as the
// first count; a part whose index list refers past its vertices is not sent.
void SendPartTriangles(D5Session session, const std::u16string& part_name,
                       const PartGeometry& part, std::vector<std::uint32_t>& sequence);

// Streams the solid record at body_start + offset of the open container as one node and
// records it in the document's Solids.
void StreamSolid(ExchangeDocument& document, std::uint32_t body_start, std::uint32_t offset,
                 GeometryScratch& scratch);

}  // namespace tarnwick
