// scene_replay: what the renderer holds after the stand-in's journal, as a
// summary and optionally as a binary glTF file.
//   scene_replay [--flush N] [--textures DIR] [--glb OUT.glb] JOURNAL
// --flush N stops right after the N-th flush; --textures names the folder in
// which the texture files that the renderer was sent are looked for (the
// exchange folder's "Textures"). Exit code 0 on success, 1 when the journal
// cannot be replayed or the file cannot be written, 2 on a usage error.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "scene_gltf/gltf_writer.h"
#include "scene_replay/journal_replay.h"

namespace {

struct Arguments {
  scene_replay::ReplayOptions replay;
  std::string glb;
  std::string journal;
  scene_gltf::WriteOptions write;
};

int Usage() {
  std::fprintf(stderr,
               "usage: scene_replay [--flush N] [--textures DIR] [--glb OUT.glb] JOURNAL\n");
  return 2;
}

// Hidden options for the picture tests: --wrong-axes, --no-lights, --no-materials.
bool Parse(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--flush" && has_value) {
      char* end = nullptr;
      const unsigned long long n = std::strtoull(argv[++i], &end, 10);
      if (*end != 0 || n == 0) return false;
      args.replay.flush = n;
    } else if (arg == "--textures" && has_value) {
      args.replay.texture_folder = argv[++i];
    } else if (arg == "--glb" && has_value) {
      args.glb = argv[++i];
    } else if (arg == "--wrong-axes") {
      args.replay.wrong_axes = true;
    } else if (arg == "--no-lights") {
      args.write.lights = false;
    } else if (arg == "--no-materials") {
      args.write.materials = false;
    } else if (args.journal.empty() && !arg.starts_with("--")) {
      args.journal = arg;
    } else {
      return false;
    }
  }
  return !args.journal.empty();
}

void PrintCamera(const char* what, const scene_gltf::Camera& c) {
  std::printf("%s \"%s\": from (%g, %g, %g) to (%g, %g, %g), field of view %g\n", what,
              c.name.c_str(), c.position[0], c.position[1], c.position[2], c.target[0], c.target[1],
              c.target[2], c.fov_degrees);
}

void PrintSummary(const scene_replay::ReplayResult& result) {
  const scene_gltf::Scene& scene = result.scene;
  std::size_t parts = 0, triangles = 0;
  for (const auto& node : scene.nodes) {
    parts += node.primitives.size();
    for (const auto& part : node.primitives) triangles += part.indices.size() / 3;
  }
  std::printf(
      "after %zu flushes the renderer holds %zu nodes (%zu parts, %zu triangles), "
      "%zu materials, %zu lights, %zu saved views\n",
      result.flushes, scene.nodes.size(), parts, triangles, scene.materials.size(),
      scene.lights.size(), scene.views.size());
  if (scene.camera) PrintCamera("camera", *scene.camera);
  for (const auto& view : scene.views) PrintCamera("view", view);
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!Parse(argc, argv, args)) return Usage();
  std::ifstream journal(args.journal, std::ios::binary);
  if (!journal) {
    std::fprintf(stderr, "scene_replay: cannot read %s\n", args.journal.c_str());
    return 1;
  }
  const scene_replay::ReplayResult result = scene_replay::ReplayJournal(journal, args.replay);
  for (const std::string& warning : result.warnings) {
    std::fprintf(stderr, "scene_replay: %s\n", warning.c_str());
  }
  if (!result.ok) {
    std::fprintf(stderr, "scene_replay: %s: %s\n", args.journal.c_str(), result.error.c_str());
    return 1;
  }
  PrintSummary(result);
  if (args.glb.empty()) return 0;
  const scene_gltf::WriteResult written = scene_gltf::WriteGlb(result.scene, args.glb, args.write);
  if (!written.ok) {
    std::fprintf(stderr, "scene_replay: %s\n", written.error.c_str());
    return 1;
  }
  if (written.dropped_triangles > 0) {
    std::fprintf(stderr, "scene_replay: %zu triangles name no vertex and were left out\n",
                 written.dropped_triangles);
  }
  std::printf("wrote %s\n", args.glb.c_str());
  return 0;
}
