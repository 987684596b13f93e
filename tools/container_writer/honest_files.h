// Model files as a host may write them: every layout the format allows, many
// small solids, parts shared between solids. Every solid and part of each must
// reach the renderer; the readers' and the bridge's tests go through them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "container_writer/container_writer.h"

namespace tarnwick::container_writer {

// One honest model: the file's description and what the renderer must receive of it.
struct HonestModel {
  std::string name;
  Container container;
  std::size_t solids = 0;  // solids in the table, each to be read whole
  std::size_t parts = 0;   // parts over all solids, a shared one once per solid naming it
  bool cameras = false;    // whether the body ends with a camera block
};

// `solids` solids of one one-triangle part each, written in order.
HonestModel ManySmallSolids(std::size_t solids);

// The update of ManySmallSolids(solids) that a host writes when `changed` of them, spread
// over the model, have changed: their ids listed as removed, and sent again with a new stamp.
Container ManySmallSolidsUpdate(std::size_t solids, std::size_t changed);

// `solids` solids of two small parts each, their records in the given order.
HonestModel SolidsInOrder(SolidOrder order, std::size_t solids);

// `solids` solids whose part tables all name one part record of `vertices` vertices
// (a closed grid of two triangles per vertex): the file holds the part once, and the
// renderer is handed its arrays once per solid.
HonestModel SolidsSharingOnePart(std::size_t solids, std::size_t vertices);

// `boxes` closed boxes of 24 vertices with normals and texture coordinates.
HonestModel ClosedBoxes(std::size_t boxes);

// Every shape above at the size given for the tests (the first the largest).
std::vector<HonestModel> HonestCorpus();

}  // namespace tarnwick::container_writer
