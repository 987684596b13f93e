#include "container_writer/crafted_files.h"

#include <vector>

#include "container_writer/container_writer.h"

namespace tarnwick::container_writer {

namespace {

constexpr std::size_t kBodyStart = 208644;
// Body offsets of the section sizes' end and of the first table word after a count.
constexpr std::size_t kSectionSizesBytes = 20;
// Material entry: text length, two ignored words, then the text.
constexpr std::size_t kMaterialEntryHead = 12;

std::uint32_t Load(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

void Store(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// A Material record text padded with spaces to about `bytes` bytes.
std::u16string MaterialText(const std::string& name, std::size_t bytes) {
  std::u16string text = Widen("MaterialID_Name [" + name + "]\n");
  if (text.size() < bytes / 2) text.resize(bytes / 2, u' ');
  return text;
}

// The file offset of the first word of the counted table at body offset `table`.
std::size_t TableWords(std::size_t table) { return kBodyStart + table + 4; }

}  // namespace

std::string RepeatedMaterialFile(std::size_t entries, std::size_t text_bytes) {
  ModelBody body;
  body.materials.push_back(MaterialText("Shared", text_bytes));
  body.materials.resize(entries);
  std::string bytes = BuildContainer(ModelFile(u"C:\\Crafted.pro", std::move(body)));
  const std::size_t words = TableWords(kSectionSizesBytes);
  for (std::size_t i = 1; i < entries; ++i) Store(bytes, words + 4 * i, Load(bytes, words));
  return bytes;
}

std::string OverlappingMaterialFile(std::size_t entries, std::size_t text_bytes) {
  ModelBody body;
  body.materials.resize(entries - 1);
  body.materials.push_back(MaterialText("Last", text_bytes));
  std::string bytes = BuildContainer(ModelFile(u"C:\\Crafted.pro", std::move(body)));
  // Every entry's text length is stretched to the end of the last text.
  const std::size_t words = TableWords(kSectionSizesBytes);
  const std::size_t last = kBodyStart + Load(bytes, words + 4 * (entries - 1));
  const std::size_t end = last + kMaterialEntryHead + Load(bytes, last);
  for (std::size_t i = 0; i + 1 < entries; ++i) {
    const std::size_t entry = kBodyStart + Load(bytes, words + 4 * i);
    Store(bytes, entry, static_cast<std::uint32_t>(end - entry - kMaterialEntryHead));
  }
  return bytes;
}

std::string SharedPartFile(std::size_t solids, std::size_t parts, std::size_t vertices) {
  ModelBody body;
  body.solids.resize(solids);
  for (std::size_t s = 0; s < solids; ++s) {
    body.solids[s].id = static_cast<std::uint32_t>(100 + s);
    body.solids[s].parts.resize(parts, Part{u"", {}, {}, {}, {}, {}, true});
  }
  Part& shared = body.solids[0].parts[0];
  shared = Part{u"Shared", std::vector<float>(3 * vertices, 0.5f), {}, {}, {}, {}, false};
  shared.indices.resize(6 * vertices);
  for (std::size_t k = 0; k < shared.indices.size(); ++k) {
    shared.indices[k] = static_cast<std::uint32_t>(k % vertices);
  }
  std::string bytes = BuildContainer(ModelFile(u"C:\\Crafted.pro", std::move(body)));
  // No materials or lights: the solid table follows the section sizes.
  const std::size_t solid_words = TableWords(kSectionSizesBytes);
  std::uint32_t shared_offset = 0;
  for (std::size_t s = 0; s < solids; ++s) {
    const std::size_t header_field = kBodyStart + Load(bytes, solid_words + 4 * s) + 4;
    const std::size_t part_words = header_field + Load(bytes, header_field) + 4;
    if (s == 0) shared_offset = Load(bytes, part_words);
    for (std::size_t p = 0; p < parts; ++p) Store(bytes, part_words + 4 * p, shared_offset);
  }
  return bytes;
}

std::string TwoSharedPartsFile(std::size_t solids, std::size_t words, std::uint32_t stamp) {
  ModelBody body;
  body.shared_parts = {Part{u"Large", {0, 0, 0, 1, 0, 0, 0, 1, 0},
                            std::vector<std::uint32_t>(words, 1), {}, {0, 1, 2}, {}, false},
                       Part{u"Small", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {}, {}, {0, 1, 2}, {}, false}};
  body.solids.resize(solids);
  for (std::size_t i = 0; i < solids; ++i) {
    body.solids[i].id = static_cast<std::uint32_t>(i + 1);
    body.solids[i].time_stamp = stamp;
    body.solids[i].shared = {0, 1};
  }
  return BuildContainer(ModelFile(u"C:\\Crafted.pro", std::move(body)));
}

std::string RepeatedRemovalListFile(std::size_t references, std::size_t ids) {
  RemovalSection removals;
  removals.lists.resize(references, RemovalList{u"x", {}});
  removals.lists[0].name = u"Solid";
  removals.lists[0].ids.resize(ids);
  for (std::size_t i = 0; i < ids; ++i) removals.lists[0].ids[i] = static_cast<std::uint32_t>(i);
  Container container;
  container.slots.push_back(Slot{u"C:\\Crafted.pro", std::move(removals), {}, {}});
  std::string bytes = BuildContainer(container);
  // Words 0, 2, 4, ... are the list offsets.
  const std::size_t words = kBodyStart + 4;
  for (std::size_t i = 1; i < references; ++i) Store(bytes, words + 8 * i, Load(bytes, words));
  return bytes;
}

std::string AlternatingMaterialFile(std::size_t pairs, std::size_t distance) {
  ModelBody body;
  for (std::size_t i = 0; i < pairs; ++i) body.materials.push_back(MaterialText("A", 0));
  body.materials.push_back(MaterialText("Far", distance));
  for (std::size_t i = 0; i < pairs; ++i) body.materials.push_back(MaterialText("B", 0));
  std::string bytes = BuildContainer(ModelFile(u"C:\\Crafted.pro", std::move(body)));
  const std::size_t words = TableWords(kSectionSizesBytes);
  std::vector<std::uint32_t> offsets;
  for (std::size_t i = 0; i < 2 * pairs + 1; ++i) offsets.push_back(Load(bytes, words + 4 * i));
  // A0 B0 A1 B1 ..., the long text last.
  for (std::size_t i = 0; i < pairs; ++i) {
    Store(bytes, words + 8 * i, offsets[i]);
    Store(bytes, words + 8 * i + 4, offsets[pairs + 1 + i]);
  }
  Store(bytes, words + 8 * pairs, offsets[pairs]);
  return bytes;
}

namespace {

// The file offset of solid `s`'s record, the solid table standing first in the body.
std::size_t SolidAt(const std::string& bytes, std::size_t s) {
  return kBodyStart + Load(bytes, TableWords(kSectionSizesBytes) + 4 * s);
}

// Points the header length of every solid but the last at the last one's part table.
void LeadToLastPartTable(std::string& bytes, std::size_t solids) {
  const std::size_t last_field = SolidAt(bytes, solids - 1) + 4;
  const std::size_t table = last_field + Load(bytes, last_field);
  for (std::size_t s = 0; s + 1 < solids; ++s) {
    const std::size_t field = SolidAt(bytes, s) + 4;
    Store(bytes, field, static_cast<std::uint32_t>(table - field));
  }
}

// `solids` solid records written before any part, the last one's parts being `parts`.
std::string SolidsThenParts(std::size_t solids, std::vector<Part> parts) {
  ModelBody body;
  body.order = SolidOrder::kSolidsThenParts;
  body.solids.resize(solids);
  for (std::size_t s = 0; s < solids; ++s) {
    body.solids[s].id = static_cast<std::uint32_t>(s + 1);
    body.solids[s].time_stamp = 9;
  }
  body.solids.back().parts = std::move(parts);
  std::string bytes = BuildContainer(ModelFile(u"C:\\Crafted.pro", std::move(body)));
  LeadToLastPartTable(bytes, solids);
  return bytes;
}

}  // namespace

std::string SharedPartTableFile(std::size_t solids, std::size_t parts) {
  return SolidsThenParts(solids, std::vector<Part>(parts, Part{u"", {}, {}, {}, {}, {}, false}));
}

std::string RepeatedEntriesFile(std::size_t solids, std::size_t entries) {
  std::string bytes = SolidsThenParts(solids, std::vector<Part>(entries, Part{u"p", {}, {}, {}, {}, {}, false}));
  const std::size_t field = SolidAt(bytes, solids - 1) + 4;
  const std::size_t words = field + Load(bytes, field) + 4;
  for (std::size_t i = 1; i < entries; ++i) Store(bytes, words + 4 * i, Load(bytes, words));
  return bytes;
}

std::string OverrunningRemovalListsFile(std::size_t lists, std::size_t ids) {
  RemovalSection removals;
  removals.lists.assign(lists, RemovalList{u"Solid", std::vector<std::uint32_t>(ids, 7)});
  Container container;
  container.slots.push_back(Slot{u"C:\\Crafted.pro", std::move(removals), {}, {}});
  std::string bytes = BuildContainer(container);
  // Each list's count runs to the end of the file, over the lists after it.
  for (std::size_t i = 0; i < lists; ++i) {
    const std::size_t count_at = kBodyStart + Load(bytes, kBodyStart + 4 + 8 * i) + 4 + 10;
    Store(bytes, count_at, static_cast<std::uint32_t>((bytes.size() - count_at - 4) / 4));
  }
  return bytes;
}

std::string NewlineMaterialFile(std::size_t units) {
  ModelBody body;
  body.materials = {std::u16string(units, u'\n')};
  return BuildContainer(ModelFile(u"C:\\Crafted.pro", std::move(body)));
}

std::string LongSharedNameFile(std::size_t solids, std::size_t units) {
  ModelBody body;
  body.shared_parts = {Part{std::u16string(units, u'n'), {0, 0, 0, 1, 0, 0, 0, 1, 0}, {}, {},
                            {0, 1, 2}, {}, false}};
  body.solids.resize(solids);
  for (std::size_t s = 0; s < solids; ++s) {
    body.solids[s].id = static_cast<std::uint32_t>(s + 1);
    body.solids[s].shared = {0};
  }
  return BuildContainer(ModelFile(u"C:\\Crafted.pro", std::move(body)));
}

std::string CyclingCheckedPartsFile(std::size_t solids, std::size_t parts, std::size_t indices) {
  ModelBody body;
  Part part{u"c", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {}, {}, std::vector<std::uint32_t>(indices, 1), {}, false};
  body.shared_parts.assign(parts, part);
  body.solids.resize(solids);
  for (std::size_t s = 0; s < solids; ++s) {
    body.solids[s].id = static_cast<std::uint32_t>(s + 1);
    for (std::size_t k = 0; k < parts; ++k) body.solids[s].shared.push_back(k);
  }
  return BuildContainer(ModelFile(u"C:\\Crafted.pro", std::move(body)));
}

std::vector<CraftedModel> CraftedCorpus(std::size_t scale) {
  const std::size_t k = scale;
  std::vector<CraftedModel> corpus;
  corpus.push_back({"solids leading to one table of empty parts", SharedPartTableFile(1000 * k, 65536), "records visited"});
  corpus.push_back({"solids leading to one table of one repeated part", RepeatedEntriesFile(1000 * k, 65536), "table entries looked at"});
  corpus.push_back({"removal lists running over the lists after them", OverrunningRemovalListsFile(20000 * k, 4), "removal ids read", true});
  corpus.push_back({"a material of line feeds", NewlineMaterialFile(2000000 * k), "units of text parsed"});
  corpus.push_back({"texts overlapping one another", OverlappingMaterialFile(1000 * k, 2 << 20), "units of text parsed"});
  corpus.push_back({"a part with a long name in every solid", LongSharedNameFile(20000 * k, 100000), "units of part names handed on"});
  corpus.push_back({"more checked parts in turn than are remembered", CyclingCheckedPartsFile(4000 * k, 512, 1000), "indices checked"});
  corpus.push_back({"one material text named by every entry", RepeatedMaterialFile(100000 * k, 2 << 20), ""});
  corpus.push_back({"one removal list named by every entry", RepeatedRemovalListFile(100000 * k, 500000), "", true});
  return corpus;
}

}  // namespace tarnwick::container_writer
