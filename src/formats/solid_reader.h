// Reading one solid record of a model body with its parts (byte layout in
// container_reader.h) and handing it to a model sink.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "formats/body_limits.h"
#include "formats/model_sink.h"

namespace tarnwick {

class ContainerStream;

// Grow-only buffers reused by every part of one body and released with it.
struct PartScratch {
  // Aligned copies of arrays 1, 2, 5 and 6 when the file's bytes cannot be lent as they are.
  std::array<std::vector<std::uint32_t>, 4> copies;
};

// Reads the solid record at body_start + offset and its parts: OnSolidBegin, one
// OnPart per non-zero part offset not met before in the solid's table, OnSolidEnd.
// Parts stop when the budget runs out; the solid is still ended, as not whole, as it is
// when any of its record, part table, part headers or arrays runs past the end of the file.
// The budget is charged with the label, the parts' names and their arrays handed on.
void ReadSolid(ContainerStream& stream, std::uint32_t body_start, std::uint32_t offset,
               PartScratch& scratch, ModelSink& sink, BodyBudget& budget);

}  // namespace tarnwick
