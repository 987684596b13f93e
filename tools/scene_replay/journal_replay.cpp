#include "scene_replay/journal_replay.h"

#include <algorithm>

namespace scene_replay {

namespace {

using nlohmann::json;
using scene_gltf::Vec3;

constexpr std::size_t kCameraBlock = 10;  // position, target, up, field of view
constexpr char kNoArrays[] =
    "the journal holds hashes only: record it with RENDERER_STANDIN_WHOLE_ARRAYS=1";

template <typename T>
T* Find(std::vector<T>& items, const std::string& name) {
  const auto at =
      std::find_if(items.begin(), items.end(), [&](const T& t) { return t.name == name; });
  return at == items.end() ? nullptr : &*at;
}

template <typename T>
void Erase(std::vector<T>& items, const std::string& name) {
  std::erase_if(items, [&](const T& t) { return t.name == name; });
}

std::string Text(const json& call, const char* key) {
  const json& value = call.contains(key) ? call[key] : json();
  return value.is_string() ? value.get<std::string>() : std::string();
}

template <typename T>
std::vector<T> Array(const json& value) {
  std::vector<T> out;
  if (!value.is_array()) return out;
  for (const json& element : value) {
    if constexpr (std::is_same_v<T, float>) {
      out.push_back(JournalFloat(element));
    } else {
      out.push_back(element.is_number_unsigned() ? element.get<T>() : T{});
    }
  }
  return out;
}

// The renderer's state while the journal is read.
class Replay {
 public:
  explicit Replay(const ReplayOptions& options) : options_(options) {}

  // Applies one call; false when the replay cannot go on (error_ says why).
  bool Apply(const json& call);

  ReplayResult& result() { return result_; }

 private:
  void BeginNode(const std::string& name);
  bool AddTriangles(const json& call);
  void SetCameraProperty(const json& call);
  void SetCamera(const json& call, bool view);
  void Warn(const std::string& text) { result_.warnings.push_back(text); }

  ReplayOptions options_;
  ReplayResult result_;
  std::optional<std::string> open_node_;
  std::optional<scene_gltf::Camera> sent_camera_;  // sent, not yet made active
  float near_clip_ = 0.0f;
  std::string last_view_;  // the view that a following near clip distance belongs to
};

void Replay::BeginNode(const std::string& name) {
  // A node begun again under its name starts over.
  Erase(result_.scene.nodes, name);
  result_.scene.nodes.push_back({name, {}});
  open_node_ = name;
}

bool Replay::AddTriangles(const json& call) {
  scene_gltf::Node* node = open_node_ ? Find(result_.scene.nodes, *open_node_) : nullptr;
  if (!node) {
    Warn("a triangle batch outside a node was ignored");
    return true;
  }
  const json& positions = call.contains("position_values") ? call["position_values"] : json();
  if (!call.contains("position_values") && call.value("first_count", 0) > 0) {
    result_.error = kNoArrays;
    return false;
  }
  scene_gltf::Primitive part;
  part.name = Text(call, "part");
  part.positions = Array<float>(positions);
  part.normals = Array<float>(call.value("attr2_values", json()));
  part.texcoords = Array<float>(call.value("attr1_values", json()));
  part.indices = Array<std::uint32_t>(call.value("index_values", json()));
  if (!options_.wrong_axes) {
    scene_gltf::AddHostPart(*node, std::move(part));
    return true;
  }
  // The inverse turn, for tests that must see a misplaced scene.
  for (std::size_t i = 0; i + 3 <= part.positions.size(); i += 3) {
    const float x = part.positions[i];
    part.positions[i] = -part.positions[i + 1];
    part.positions[i + 1] = x;
  }
  part.normals.clear();
  node->primitives.push_back(std::move(part));
  return true;
}

void Replay::SetCameraProperty(const json& call) {
  if (Text(call, "prop") != "camera_near_clip_plane") return;
  near_clip_ = JournalFloat(call.value("value", json()));
  if (scene_gltf::Camera* view = Find(result_.scene.views, last_view_)) {
    view->near_clip = near_clip_;
  } else if (sent_camera_) {
    sent_camera_->near_clip = near_clip_;
  }
}

void Replay::SetCamera(const json& call, bool view) {
  const std::vector<float> block = Array<float>(call.value("camera", json()));
  if (block.size() != kCameraBlock) {
    Warn("a camera without its ten-float block was ignored");
    return;
  }
  scene_gltf::Camera camera;
  camera.position = {block[0], block[1], block[2]};
  camera.target = {block[3], block[4], block[5]};
  camera.up = {block[6], block[7], block[8]};
  camera.fov_degrees = block[9];
  camera.near_clip = near_clip_;
  if (!view) {
    camera.name = "Current";
    sent_camera_ = camera;
    last_view_.clear();
    return;
  }
  camera.name = Text(call, "name");
  last_view_ = camera.name;
  if (scene_gltf::Camera* held = Find(result_.scene.views, camera.name)) {
    *held = camera;  // a view sent again keeps its place
  } else {
    result_.scene.views.push_back(camera);
  }
}

bool Replay::Apply(const json& call) {
  const std::string fn = Text(call, "fn");
  const std::string name = Text(call, "name");
  if (fn == "D5API_BeginNode") {
    BeginNode(name);
  } else if (fn == "D5API_EndNode") {
    open_node_.reset();
  } else if (fn == "D5API_AddIndexedTriangle") {
    return AddTriangles(call);
  } else if (fn == "D5API_DeleteNode") {
    Erase(result_.scene.nodes, name);
  } else if (fn == "D5API_AddMaterial" || fn == "D5API_AddLight") {
    auto& list = fn == "D5API_AddMaterial" ? result_.materials : result_.lights;
    Erase(list, name);  // a material or light sent again is sent in full
    list.push_back({name, {}});
  } else if (fn == "D5API_ResetMaterial") {
    Erase(result_.materials, name);
  } else if (fn == "D5API_RemoveLight") {
    Erase(result_.lights, name);
  } else if (fn.starts_with("D5API_SetMaterial") || fn.starts_with("D5API_SetLight")) {
    auto& list = fn.starts_with("D5API_SetMaterial") ? result_.materials : result_.lights;
    if (Properties* held = Find(list, name)) {
      held->Set(Text(call, "prop"),
                call.contains("values") ? call["values"] : call.value("value", json()));
    } else {
      Warn("a property of " + name + ", which the renderer does not hold, was ignored");
    }
  } else if (fn == "D5API_SetCameraFloatProperty") {
    SetCameraProperty(call);
  } else if (fn == "D5API_SendSimpleCamera" || fn == "D5API_AddSceneView") {
    SetCamera(call, fn == "D5API_AddSceneView");
  } else if (fn == "D5API_SendCurrentActiveCamera") {
    if (sent_camera_) result_.scene.camera = sent_camera_;
  } else if (fn == "D5API_FlushData") {
    ++result_.flushes;
  }
  return true;
}

}  // namespace

ReplayResult ReplayJournal(std::istream& journal, const ReplayOptions& options) {
  Replay replay(options);
  ReplayResult& result = replay.result();
  std::size_t number = 0;
  for (std::string line; std::getline(journal, line);) {
    ++number;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    const json call = json::parse(line, nullptr, /*allow_exceptions=*/false);
    if (!call.is_object()) {
      result.warnings.push_back("line " + std::to_string(number) + " is no JSON object; skipped");
      continue;
    }
    bool went_on = true;
    try {
      went_on = replay.Apply(call);
    } catch (const nlohmann::json::exception&) {
      result.warnings.push_back("line " + std::to_string(number) +
                                " has a field of the wrong kind; skipped");
    }
    if (!went_on) {
      result.error = "line " + std::to_string(number) + ": " + result.error;
      return std::move(result);
    }
    if (options.flush && result.flushes == *options.flush) break;
  }
  if (options.flush && result.flushes < *options.flush) {
    result.error = "the journal holds " + std::to_string(result.flushes) + " flushes, not " +
                   std::to_string(*options.flush);
    return std::move(result);
  }
  for (const Properties& material : result.materials) {
    result.scene.materials.push_back(SceneMaterial(material, options.texture_folder));
  }
  for (const Properties& light : result.lights) result.scene.lights.push_back(SceneLight(light));
  result.ok = true;
  return std::move(result);
}

}  // namespace scene_replay
