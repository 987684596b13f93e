// picture_scenes: both sides of the picture test for the demonstration model.
//   picture_scenes OUT_FOLDER
// Writes OUT_FOLDER/journal.jsonl, what the bridge's start-up export and
// camera request sent to the stand-in renderer (with whole arrays), and
// OUT_FOLDER/host.glb, the host's model and camera as the host wrote them,
// built without the bridge; the host's files themselves are left in
// OUT_FOLDER/exchange for readers of exchange folders. Exit code 0 on success, 1 on a failure, 2 on
// a usage error.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bridge/requests.h"
#include "container_writer/container_writer.h"
#include "host_sim/demo_model.h"
#include "scene_gltf/gltf_writer.h"
#include "scene_pictures/host_scene.h"
#include "standin/standin.h"
#include "testlib/temp_exchange.h"

namespace {

namespace cw = tarnwick::container_writer;

// The bridge's start-up export and camera request on the host's files.
bool WriteReceivedJournal(const std::string& out) {
  tarnwick::testing::TempExchangeFolder folder;
  if (!cw::WriteContainerFile(tarnwick::host_sim::DemoModel(), folder.PathOf("_model.cvm"))) {
    return false;
  }
  folder.Write("camera.cam", tarnwick::host_sim::DemoCameraText());
  standin::Configure({.whole_arrays = true});
  tarnwick::ExchangeDocument document;
  if (!tarnwick::RunStartupExport(document)) return false;
  tarnwick::ServeCameraSync(document);
  std::ofstream journal(out + "/journal.jsonl", std::ios::binary | std::ios::trunc);
  for (const std::string& line : standin::JournalLines()) journal << line << '\n';
  standin::Configure({});
  std::error_code error;
  std::filesystem::create_directories(out + "/exchange", error);
  bool copied = !error;
  for (const char* name : {"_model.cvm", "camera.cam"}) {
    copied = std::filesystem::copy_file(folder.PathOf(name), out + "/exchange/" + name,
                                        std::filesystem::copy_options::overwrite_existing, error) &&
             copied;
  }
  return journal.flush() && copied;
}

bool WriteHostScene(const std::string& path) {
  scene_gltf::Scene scene;
  scene_pictures::AddContainerSolids(scene, tarnwick::host_sim::DemoModel());
  if (!scene_pictures::SetHostCamera(scene, tarnwick::host_sim::DemoCameraText())) return false;
  const scene_gltf::WriteResult written =
      scene_gltf::WriteGlb(scene, path, {.materials = false, .lights = false});
  if (!written.ok) std::fprintf(stderr, "picture_scenes: %s\n", written.error.c_str());
  return written.ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: picture_scenes OUT_FOLDER\n");
    return 2;
  }
  const std::string out = argv[1];
  if (!WriteReceivedJournal(out)) {
    std::fprintf(stderr, "picture_scenes: the bridge's export of the demonstration model failed\n");
    return 1;
  }
  return WriteHostScene(out + "/host.glb") ? 0 : 1;
}
