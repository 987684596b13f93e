// The model as the host wrote it, as a neutral scene for a glTF file: slot 0 of
// "_model.cvm" (or of a model file given by name) with, for an exchange folder,
// "camera.cam" and "Views.cam". Solids, parts, materials and lights take the
// form in which the bridge would send them, turned by the scene library's rule
// and read by the journal replay's rules, so that the scene matches the one
// replayed from what the renderer received.
#pragma once

#include <optional>
#include <string>

#include "scene_gltf/gltf_writer.h"
#include "scene_gltf/scene.h"

namespace tarnwick::inspect {

// The scene of a folder or model file given as UTF-8; nothing, with `error` set, when the
// model body cannot be read.
std::optional<scene_gltf::Scene> ReadHostScene(const std::string& path, std::string& error);

// Reads the scene at `path` and writes it to `glb`; false, with `message` set, on a failure;
// on success `message` says what was written.
bool WriteHostGlb(const std::string& path, const std::string& glb,
                  const scene_gltf::WriteOptions& options, std::string& message);

}  // namespace tarnwick::inspect
