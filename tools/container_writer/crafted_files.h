// Hostile model files, made with the container writer and then given tables
// whose entries point at the same or overlapping bytes, as an attacker would:
// the files that once made a few megabytes take minutes. Each is a model file
// whose one body (slot 0, or slot 0's removals) starts at the end of the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// `solids` solid records whose header lengths all lead to the part table of the last one,
// which names `parts` distinct empty parts: every solid visits all of them.
std::string SharedPartTableFile(std::size_t solids, std::size_t parts);

// `solids` solid records whose header lengths all lead to one part table of `entries`
// entries that all name one part: each solid looks at every entry, and reads the part once.
std::string RepeatedEntriesFile(std::size_t solids, std::size_t entries);

// A removal section of `lists` "Solid" lists of `ids` ids each, every list's count
// stretched to run over the lists after it to the end of the file.
std::string OverrunningRemovalListsFile(std::size_t lists, std::size_t ids);

// One material whose text is `units` line feeds: as many lines as units.
std::string NewlineMaterialFile(std::size_t units);

// `solids` solids naming one shared part whose name is `units` code units long.
std::string LongSharedNameFile(std::size_t solids, std::size_t units);

// `solids` solids each naming all of `parts` shared parts of `indices` indices: more parts
// in turn than the reader remembers index checks of.
std::string CyclingCheckedPartsFile(std::size_t solids, std::size_t parts, std::size_t indices);

// A crafted model file, and the kind of work (as body_limits.h names it) that ends it.
struct CraftedModel {
  std::string name;
  std::string bytes;
  std::string ended_by;  // the bound's words ("records visited"); empty: read to its end
  bool removals = false;  // the body is a RemovalSection
};

// The crafted files of the benchmark and of the bridge's tests, at sizes given by `scale`
// (1: a few MB each, as the files that were found to take seconds).
std::vector<CraftedModel> CraftedCorpus(std::size_t scale);

}  // namespace tarnwick::container_writer
