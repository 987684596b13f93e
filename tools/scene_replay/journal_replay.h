// Replays the stand-in renderer's journal into the scene the renderer holds:
// nodes begun and deleted with their parts' geometry, materials added and
// reset with their properties, lights added and removed with their
// properties, the last active camera and the saved views. Geometry arrives in
// host axes under an identity node matrix and is turned into renderer axes
// here, by the same rule as camera and lights; the journal must have been
// recorded with whole arrays (RENDERER_STANDIN_WHOLE_ARRAYS=1).
#pragma once

#include <cstddef>
#include <istream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "scene_gltf/scene.h"

namespace scene_replay {

// How to replay.
struct ReplayOptions {
  std::optional<std::size_t> flush{};  // stop right after this flush (1 = the first)
  std::string texture_folder{};        // where texture files are looked for by name
  bool wrong_axes = false;             // turns geometry the wrong way (tests of the pictures)
};

// A renderer material or light: its properties by name, in the order first set.
struct Properties {
  std::string name;
  std::vector<std::pair<std::string, nlohmann::json>> values;

  // The value last set for a property; null when never set.
  const nlohmann::json& Get(const std::string& property) const;
  // Sets a property, keeping the place of an earlier value.
  void Set(const std::string& property, nlohmann::json value);
};

// What the renderer holds at the end of the replay.
struct ReplayResult {
  bool ok = false;
  std::string error;                  // why the replay stopped
  std::vector<std::string> warnings;  // lines skipped, calls out of place
  std::size_t flushes = 0;
  std::vector<Properties> materials;  // as the renderer holds them
  std::vector<Properties> lights;
  scene_gltf::Scene scene;  // nodes, cameras and the materials and lights above
};

// Replays journal lines until the end or the requested flush.
ReplayResult ReplayJournal(std::istream& journal, const ReplayOptions& options = {});

// The scene material for a renderer material ("Diffuse (Color)", "Diffuse Map").
scene_gltf::Material SceneMaterial(const Properties& material, const std::string& texture_folder);

// The scene light for a renderer light ("type", "brightness", "light_color", "transform", ...).
scene_gltf::Light SceneLight(const Properties& light);

// A journal number: a JSON number or one of the texts "nan", "inf", "-inf".
float JournalFloat(const nlohmann::json& value);

}  // namespace scene_replay
