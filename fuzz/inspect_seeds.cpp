// Writes the seed corpus of the inspector's fuzzer: bodies of the inspector's
// crafted models, clean and broken, cut after the header.
//   inspect_seeds <output folder>
#include <cstdio>
#include <limits>
#include <string>

#include "inspect/inspect_test_models.h"

namespace cw = tarnwick::container_writer;
namespace it = tarnwick::inspect::testing;

namespace {

void Save(const std::string& folder, const std::string& name, const cw::ModelBody& body) {
  const std::string bytes = cw::BuildContainer(cw::ModelFile(it::kProject, body)).substr(it::kBodyStart);
  std::FILE* out = std::fopen((folder + "/" + name).c_str(), "wb");
  if (!out) return;
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string folder = argv[1];
  Save(folder, "clean", it::CleanBody());
  cw::ModelBody broken;
  cw::Part far = it::Quad(u"Far", 0);
  far.indices = {0, 1, 7, 2, 2, 3};
  cw::Part bad = it::Quad(u"Bad", 1);
  bad.positions[1] = std::numeric_limits<float>::quiet_NaN();
  bad.positions.push_back(4);
  bad.attributes2 = {1};
  broken.solids = {cw::Solid{4, 1, u"", {far, bad}, false}, cw::Solid{4, 2, u"", {}, false}};
  broken.lights = {it::LightText("Odd", "Torch", 1), it::LightText("Beam", "IES", 2, true, "x.ies")};
  broken.materials = {it::MaterialText("", "missing.png")};
  broken.cameras = it::CamerasText({"A"}, 4);
  Save(folder, "broken", broken);
  cw::ModelBody removals_like;
  removals_like.materials = {u"Solid"};
  Save(folder, "small", removals_like);
  return 0;
}
