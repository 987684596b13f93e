// Writes the seed corpora of the container fuzzer and of the exchange folder
// fuzzer: files made by the container writer, in the fuzzers' compact form
// (fuzz/container_image.h), and, for the second, whole exchange folders.
//   container_seeds <container folder> <exchange folder>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "container_writer/container_writer.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "fuzz/container_image.h"
#include "host_sim/demo_model.h"

namespace cw = tarnwick::container_writer;

namespace {

using tarnwick::kDirectoryOffset, tarnwick::kSlotBytes, tarnwick::kSlotKindOffset;
constexpr std::uint32_t kHeaderBytes = tarnwick::protocol::kContainerHeaderBytes;
// Must match the separator of exchange_fuzzer.cpp.
constexpr char kSeparator[] = "\n#~EXCHANGE~#\n";

std::uint32_t Load(const std::string& bytes, std::size_t at) {
  return tarnwick::LoadU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at);
}

// The container in the compact form: its slots' kinds and offsets, then its bodies.
std::string Compact(const cw::Container& container) {
  const std::string bytes = cw::BuildContainer(container);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> slots;
  for (std::size_t k = 0; k < container.slots.size(); ++k) {
    const std::size_t at = kDirectoryOffset + k * kSlotBytes + kSlotKindOffset;
    slots.emplace_back(Load(bytes, at), Load(bytes, at + 4) - kHeaderBytes);
  }
  return tarnwick::fuzzing::CompactContainer(slots, bytes.substr(kHeaderBytes));
}

void SaveBytes(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::FILE* out = std::fopen((folder + "/" + name).c_str(), "wb");
  if (!out) return;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

// Saved twice: as a whole file and for the bodies-only mode.
void Save(const std::string& folder, const std::string& name, const cw::Container& container) {
  std::string bytes = Compact(container);
  SaveBytes(folder, name, bytes);
  bytes[0] = static_cast<char>(bytes[0] | tarnwick::fuzzing::kBodiesOnlyMode);
  SaveBytes(folder, name + "_bodies", bytes);
}

cw::Part MakePart(std::u16string name, std::size_t vertices, bool indexed) {
  cw::Part part;
  part.name = std::move(name);
  for (std::size_t i = 0; i < 3 * vertices; ++i) part.positions.push_back(0.25f * i);
  if (indexed) {
    for (std::size_t i = 0; i + 2 < vertices; ++i) {
      part.indices.insert(part.indices.end(), {0u, std::uint32_t(i + 1), std::uint32_t(i + 2)});
    }
  }
  return part;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string folder = argv[1];
  const std::string exchange = argv[2];
  const std::u16string cameras =
      u"Cameras_Start\nCameras_nActCamera [0]\nCameras_Camera_ObjectSTART\nCamera_Start\n"
      u"Camera_Name [Main]\nCamera__from [0 -10 2]\nCamera_End\nCameras_Camera_ObjectEND\n"
      u"Cameras_End";

  cw::ModelBody full;
  full.materials = {u"MaterialID_Name [Oak]\nDiffuse 0.6 0.4 0.2\nIOR 1.5"};
  full.lights = {u"Ver 1\nLightSource [point]\nFrom [1 2 3]\nLightSolidID [12]"};
  cw::Part attributed = MakePart(u"Floor", 4, true);
  attributed.attributes1 = {1, 2, 3, 4};
  attributed.attributes2 = {5, 6};
  attributed.unused = {7};
  full.solids = {cw::Solid{3, 100, u"Floor", {attributed, MakePart(u"Loose", 4, false)}, false},
                 cw::Solid{4294967295u, 7, u"", {}, false}};
  full.cameras = cameras;
  Save(folder, "full_model", cw::ModelFile(u"P", full));

  cw::ModelBody solids_only;
  cw::Part gap;
  gap.empty_entry = true;
  cw::Solid none;
  none.empty_entry = true;
  solids_only.solids = {none, cw::Solid{7, 1, u"", {gap, MakePart(u"a", 3, false)}, false},
                        cw::Solid{7, 2, u"", {MakePart(u"b", 5, true)}, false}};
  cw::Container unaligned = cw::ModelFile(u"P", solids_only);
  unaligned.align_arrays = false;
  Save(folder, "solids_unaligned", unaligned);

  cw::ModelBody lights_and_camera;
  lights_and_camera.lights = {u"LightSolidID [1]", u"LightSource [spot]\nLightSolidID [2]"};
  lights_and_camera.cameras = cameras;
  Save(folder, "lights_camera", cw::ModelFile(u"P", lights_and_camera));

  cw::RemovalSection removals{{{u"Solid", {10, 99}}, {u"Material", {2}}, {u"Solids", {1}}}};
  cw::Container incremental = cw::IncrementalFile(u"P", removals, {});
  incremental.slots.erase(incremental.slots.begin() + 1);
  Save(folder, "removals", incremental);

  // Exchange folders: the model, then an update of the same project (removals and a
  // new body) or of another one, the camera and the views.
  const std::string separator = kSeparator;
  const std::string camera = tarnwick::host_sim::DemoCameraText();
  const std::string views = tarnwick::host_sim::DemoViewsText();
  cw::ModelBody update_body;
  update_body.materials = {u"MaterialID_Name [Oak]\nDiffuse 0.1 0.1 0.1"};
  update_body.solids = {cw::Solid{5, 2, u"", {MakePart(u"New", 4, true)}, false}};
  const cw::Container update = cw::IncrementalFile(u"C:\\P.pro", removals, update_body);
  cw::Container model = cw::ModelFile(u"C:\\P.pro", full);
  SaveBytes(exchange, "session", Compact(model) + separator + Compact(update) + separator + camera +
                                     separator + views);
  std::string other = Compact(update);
  other[0] = static_cast<char>(other[0] | 2);  // slot 1 names another project
  SaveBytes(exchange, "other_project", Compact(cw::ModelFile(u"C:\\P.pro", lights_and_camera)) +
                                           separator + other + separator + camera);
  SaveBytes(exchange, "model_only", Compact(model));
  return 0;
}
