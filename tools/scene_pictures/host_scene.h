// The host's side of a picture: the scene that a model description of the
// container writer and the host's camera texts stand for, built without the
// bridge. Geometry and cameras are turned into renderer axes by the scene
// library's rule, so that the file compares with what the renderer received.
#pragma once

#include <string>

#include "container_writer/container_writer.h"
#include "scene_gltf/scene.h"

namespace scene_pictures {

// The solids of every model body of the container, one node each, named as the
// renderer names them; a later solid of the same id takes the earlier one's place.
void AddContainerSolids(scene_gltf::Scene& scene,
                        const tarnwick::container_writer::Container& container);

// The camera of a "camera.cam" text as the scene's active camera; false when
// the text holds no camera.
bool SetHostCamera(scene_gltf::Scene& scene, const std::string& camera_text);

}  // namespace scene_pictures
