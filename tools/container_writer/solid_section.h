// The container writer's solid section: the solid table, the solid records and
// their parts, in the order of records the body asks for (see SolidOrder).
#pragma once

#include <cstddef>
#include <cstdint>

#include "container_writer/byte_sink.h"
#include "container_writer/container_writer.h"

namespace tarnwick::container_writer {

// Values for the fields the bridge must not interpret: never zero, so that a
// reader that takes one of them for a count or an offset goes visibly wrong.
inline constexpr std::uint32_t kFiller = 0xA5A5A5A5;
// The largest offset a 32-bit signed slot offset reaches.
inline constexpr std::uint64_t kLargestOffset = 0x7FFFFFFF;

// Writes a counted table of zeros and returns where its words begin.
std::uint64_t TablePlaceholder(Sink& sink, std::size_t count);

// Writes the solid section of the body starting at body_start: the table, then the records.
void WriteSolidSection(Sink& sink, std::uint64_t body_start, const ModelBody& body, bool align);

}  // namespace tarnwick::container_writer
