// Hostile model files, made with the container writer and then given tables
// whose entries point at the same or overlapping bytes, as an attacker would:
// the files that once made a few megabytes take minutes. Each is a model file
// whose one body (slot 0, or slot 0's removals) starts at the end of the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwick::container_writer {

// A material table of `entries` offsets, every one pointing at one text of about
// `text_bytes` bytes.
std::string RepeatedMaterialFile(std::size_t entries, std::size_t text_bytes);

// A material table of `entries` distinct offsets whose entries overlap: each one's
// text runs to the end of one text of about `text_bytes` bytes.
std::string OverlappingMaterialFile(std::size_t entries, std::size_t text_bytes);

// `solids` solids whose part tables each hold `parts` offsets of one part of
// `vertices` vertices (with two triangles per vertex).
std::string SharedPartFile(std::size_t solids, std::size_t parts, std::size_t vertices);

// `solids` solids, each of time stamp `stamp`, whose part tables name two part records
// that the file holds once: a triangle with a second attribute array of `words` words,
// then a plain triangle. What they hand on grows with the solids, not with the file.
std::string TwoSharedPartsFile(std::size_t solids, std::size_t words, std::uint32_t stamp);

// A removal section of `references` list offsets, all pointing at one "Solid" list
// of `ids` ids.
std::string RepeatedRemovalListFile(std::size_t references, std::size_t ids);

// `pairs` pairs of small material entries, the two of each pair more than
// `distance` bytes apart, read alternately: table order A0 B0 A1 B1 ...
std::string AlternatingMaterialFile(std::size_t pairs, std::size_t distance);

}  // namespace tarnwick::container_writer
