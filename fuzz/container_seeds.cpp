// Writes the seed corpus of the container fuzzer: bodies of model files made
// by the container writer, cut after the directory (the fuzzer reads bodies alone).
//   container_seeds <output folder>
#include <cstdio>
#include <string>

#include "container_writer/container_writer.h"

namespace cw = tarnwick::container_writer;

namespace {

void Save(const std::string& folder, const std::string& name, const cw::Container& container) {
  // The body alone: the fuzzer reads it from offset 0, so body offsets stay valid.
  const std::string bytes = cw::BuildContainer(container).substr(208644);
  std::FILE* out = std::fopen((folder + "/" + name).c_str(), "wb");
  if (!out) return;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
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
  if (argc != 2) return 2;
  const std::string folder = argv[1];
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
  return 0;
}
