// Reading the bodies of a container (byte layout in container_reader.h) into
// a model sink: a ModelBody's materials, lights, solids with their parts and
// camera block, or a RemovalSection's named lists. The first read the file
// cannot satisfy ends the body (see BodyBytes), and the budget ends a body
// whose work outgrows the file (see BodyBudget).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/body_bytes.h"
#include "formats/body_limits.h"
#include "formats/model_sink.h"
#include "formats/part_reader.h"

namespace tarnwick {

class BodyReader {
 public:
  // Reads the body at `body_start` of the stream into the sink.
  BodyReader(ContainerStream& stream, std::uint32_t body_start, ModelSink& sink);

  // Reads a ModelBody: materials, lights, solids, the camera block. Returns its work.
  BodyWork ReadModelBody();
  // Reads a RemovalSection: each named list goes to the sink, the ids of "Solid" and
  // "Material" lists with it. Returns its work.
  BodyWork ReadRemovalSection();

 private:
  // The count of the table at `at`; false when the count or its words are not in the file.
  bool TableCount(std::uint64_t at, std::uint32_t& count);
  // Reads each entry of the counted table at `at` with read(offset) while the body goes on.
  // In the solid table an entry of 0 is empty, and the sink hears how many solids may follow.
  template <typename ReadEntry>
  void Section(std::uint64_t at, bool solids, ReadEntry read);
  bool Material(std::uint32_t offset);
  bool Light(std::uint32_t offset);
  bool Solid(std::uint32_t offset);
  // Begins the solid, reads the parts of its table of `count` words at `table_at` (whose first
  // word is `first_part`), ends it.
  bool SolidParts(const SolidInfo& solid, std::uint64_t table_at, std::uint32_t count,
                  std::uint32_t first_part);
  void Camera();
  bool RemovalList(std::uint32_t offset);
  // The counted text at `count_at` into text_; false when it is not whole in the file.
  bool CountedText(std::uint64_t count_at);
  // Charges text_ as text to be parsed, `units_read` of it read; true when it may be handed on:
  // within the bound, and read from the file as it stood.
  bool ChargeText(std::uint64_t units_read);
  // Whether the body goes on: nothing stopped it and the budget allows more.
  bool GoesOn() { return !bytes_.stopped() && budget_.Allows(); }
  std::uint64_t At(std::uint32_t offset) const;

  std::uint32_t body_;
  ModelSink& sink_;
  BodyBytes bytes_;
  BodyBudget budget_;
  PartReader parts_;
  TableVisits visits_;       // of the material, light or solid table
  TableVisits part_visits_;  // of the current solid's part table
  // The current solid's part table when it has several entries: kept here, its chunk is not
  // laid out for every solid.
  WordTable part_table_;
  // Where the last read ended: the camera block stands there.
  std::uint64_t end_;
  std::u16string text_;
  std::vector<std::uint32_t> ids_;
};

}  // namespace tarnwick
