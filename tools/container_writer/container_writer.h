// Builds container files ("_model.cvm", "_mod.sm") from plain descriptions, so
// that tests, the host simulator, benchmarks and fuzz seeds never assemble
// bytes by hand. The byte layout is the one described in
// src/formats/container_reader.h. Portable standard C++ only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "protocol/protocol.h"

namespace tarnwick::container_writer {

// One geometry part of a solid.
struct Part {
  std::u16string name;
  std::vector<float> positions;            // array 1, three floats per vertex
  std::vector<std::uint32_t> attributes2;  // array 2
  std::vector<std::uint32_t> attributes1;  // array 5
  std::vector<std::uint32_t> indices;      // array 6; empty: no index list
  std::vector<std::uint32_t> unused;       // written as each of arrays 3, 4, 7 and 8
  bool empty_entry = false;                // a 0 in the part table in place of the part
};

// One solid with its parts.
struct Solid {
  std::uint32_t id = 0;
  std::uint32_t time_stamp = 0;
  std::u16string label;  // the record's first counted string (not read by the bridge)
  std::vector<Part> parts;
  bool empty_entry = false;  // a 0 in the solid table in place of the solid
  // Parts of ModelBody::shared_parts (by index) named after its own in its part table.
  std::vector<std::size_t> shared = {};
};

// Where the records of the solid section stand in the file; the solid table lists the
// solids in their order either way. A host may write any of these.
enum class SolidOrder {
  kInOrder,          // each solid, then its parts
  kReversed,         // the same, the last solid first
  kSolidsThenParts,  // every solid record, then every part
  kPartsFirst,       // each solid's parts, then the solid
};

// A ModelBody: record texts, solids and an optional camera list.
struct ModelBody {
  std::vector<std::u16string> materials;  // Material record texts
  std::vector<std::u16string> lights;     // Light record texts
  std::vector<Solid> solids;
  // For large models: this many further solids, each made when it is written.
  std::size_t generated_solids = 0;
  std::function<void(std::size_t index, Solid& solid)> generate_solid;
  std::optional<std::u16string> cameras;  // the Cameras record text; none: no camera block
  // Other than kInOrder, or with shared parts, the solids are `solids` (none generated).
  SolidOrder order = SolidOrder::kInOrder;
  // Part records written once, before every solid, that solids name in their part tables.
  std::vector<Part> shared_parts = {};
};

// One named list of a RemovalSection ("Solid", "Material", or any other name).
struct RemovalList {
  std::u16string name;
  std::vector<std::uint32_t> ids;
};

// A RemovalSection: its named lists in order.
struct RemovalSection {
  std::vector<RemovalList> lists;
};

// One directory slot and the body it points to.
struct Slot {
  std::u16string name;  // the project path
  std::variant<std::monostate, ModelBody, RemovalSection> body;
  std::optional<std::uint32_t> kind;  // default: 2 for a body, 4 for removals, 0 for none
  std::optional<std::int32_t> offset;  // default: where the body was written (0 without one)
};

// A whole container file.
struct Container {
  std::uint32_t format_version = 7;
  std::uint32_t directory_end = protocol::kContainerHeaderBytes;
  std::uint32_t header_reserved = 1;
  std::u16string header_name = u"Corvella";
  std::optional<std::int32_t> last_slot_index;  // default: the number of slots minus 1
  std::vector<Slot> slots;                      // at most 100, from slot 0 on
  bool align_arrays = true;  // pad part headers so that arrays begin on 4-byte file offsets
};

// A model file: slot 0 holds the body of the project.
Container ModelFile(std::u16string project, ModelBody body);

// An incremental file: slot 0 the removals of the project, slot 1 the new body.
Container IncrementalFile(std::u16string project, RemovalSection removals, ModelBody body);

// The file's bytes in memory.
std::string BuildContainer(const Container& container);

// Writes the file to an open binary stream at its start, streaming the geometry; false on
// a write error or when the file would pass the 2 GiB that 32-bit offsets reach.
bool WriteContainer(const Container& container, std::FILE* file);

// Writes the file at a narrow path; false when it cannot be written.
bool WriteContainerFile(const Container& container, const std::string& path);

// A UTF-16 text from ASCII or UTF-8-free narrow text (each byte one code unit).
std::u16string Widen(const std::string& text);

}  // namespace tarnwick::container_writer
