#include "inspect/host_model_scene.h"

#include <algorithm>
#include <filesystem>

#include "formats/container_reader.h"
#include "formats/container_state.h"
#include "formats/container_stream.h"
#include "inspect/host_model_sink.h"
#include "platform/text.h"
#include "protocol/protocol.h"

namespace tarnwick::inspect {

namespace {

namespace fs = std::filesystem;

constexpr int kModelSlot = 0;
constexpr char kTexturesFolder[] = "Textures";

fs::path NativePath(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Streams slot 0 of the container into the sink; false, with `error` set, when it holds no
// readable model body.
bool ReadModelSlot(const fs::path& file, HostModelSink& sink, std::string& error) {
  const std::string name = Utf8Of(file);
  std::unique_ptr<ContainerStream> stream = ContainerStream::Open(Utf16FromUtf8(name), "rb");
  if (!stream) {
    error = "cannot open " + name;
    return false;
  }
  ContainerState state;
  if (ReadContainerHeader(*stream, state) != HeaderLoadResult::kLoaded) {
    error = name + " has no header the bridge would load";
    return false;
  }
  const DirectorySlot& slot = state.Slots[kModelSlot];
  if (state.LastSlotIndex < kModelSlot || slot.Kind != kModelBodyKind || slot.Offset < 0 ||
      static_cast<std::uint64_t>(slot.Offset) >= stream->Size()) {
    error = "slot 0 of " + name + " holds no model body";
    return false;
  }
  ReadModelBody(*stream, static_cast<std::uint32_t>(slot.Offset), sink);
  return true;
}

scene_gltf::Camera SceneCamera(const CameraRecord& record) {
  return scene_gltf::HostCamera(Utf8FromUtf16(record.Name), record._from, record._to, record._up,
                                record._fov, record._fNerClipp);
}

// Saved views by name: a view named like one already held takes its place.
void AddViews(scene_gltf::Scene& scene, const CameraList& list) {
  for (const CameraRecord& record : list.cameras) {
    scene_gltf::Camera view = SceneCamera(record);
    const auto held = std::find_if(scene.views.begin(), scene.views.end(),
                                   [&](const scene_gltf::Camera& c) { return c.name == view.name; });
    if (held != scene.views.end()) {
      *held = std::move(view);
    } else {
      scene.views.push_back(std::move(view));
    }
  }
}

std::optional<std::u16string> CameraFileText(const fs::path& folder, std::string_view name) {
  const fs::path file = folder / NativePath(std::string(name));
  std::error_code error;
  if (!fs::is_regular_file(file, error)) return std::nullopt;
  return LoadCameraFileText(Utf16FromUtf8(Utf8Of(file)));
}

// The active camera is the host's current one ("camera.cam"), else the body's active view;
// the saved views are the body's, then those of "Views.cam".
void AddCameras(scene_gltf::Scene& scene, const HostModelSink& sink, const fs::path& folder,
                bool exchange_folder) {
  if (const std::optional<CameraList>& body = sink.views()) {
    const std::int32_t active = body->nActCamera;
    if (active >= 0 && static_cast<std::size_t>(active) < body->cameras.size()) {
      scene.camera = SceneCamera(body->cameras[static_cast<std::size_t>(active)]);
    }
    AddViews(scene, *body);
  }
  if (!exchange_folder) return;
  if (const auto text = CameraFileText(folder, protocol::kCameraFile.narrow_view())) {
    CameraRecord record;
    ReadCameraRecord(record, *text);
    scene.camera = SceneCamera(record);
  }
  if (const auto text = CameraFileText(folder, protocol::kViewsFile.narrow_view())) {
    CameraList list;
    ReadCamerasRecord(list, *text);
    AddViews(scene, list);
  }
}

}  // namespace

std::optional<scene_gltf::Scene> ReadHostScene(const std::string& path, std::string& error) {
  const fs::path native = NativePath(path);
  std::error_code fs_error;
  const bool exchange_folder = fs::is_directory(native, fs_error);
  const fs::path folder = exchange_folder ? native : native.parent_path();
  const fs::path model = exchange_folder ? native / NativePath(std::string(protocol::kModelFile.narrow_view()))
                                         : native;
  HostModelSink sink;
  if (!ReadModelSlot(model, sink, error)) return std::nullopt;
  scene_gltf::Scene scene;
  scene.nodes = std::move(sink.nodes());
  const std::string textures = Utf8Of(folder / kTexturesFolder);
  for (const scene_replay::Properties& material : sink.materials()) {
    scene.materials.push_back(scene_replay::SceneMaterial(material, textures));
  }
  for (const scene_replay::Properties& light : sink.lights()) {
    scene.lights.push_back(scene_replay::SceneLight(light));
  }
  AddCameras(scene, sink, folder, exchange_folder);
  return scene;
}

bool WriteHostGlb(const std::string& path, const std::string& glb,
                  const scene_gltf::WriteOptions& options, std::string& message) {
  const std::optional<scene_gltf::Scene> scene = ReadHostScene(path, message);
  if (!scene) return false;
  const scene_gltf::WriteResult written = scene_gltf::WriteGlb(*scene, glb, options);
  if (!written.ok) {
    message = written.error;
    return false;
  }
  message = "wrote " + glb + ": " + std::to_string(scene->nodes.size()) + " nodes, " +
            std::to_string(scene->materials.size()) + " materials, " +
            std::to_string(scene->lights.size()) + " lights, " +
            std::to_string(scene->views.size() + (scene->camera ? 1 : 0)) + " cameras";
  return true;
}

}  // namespace tarnwick::inspect
