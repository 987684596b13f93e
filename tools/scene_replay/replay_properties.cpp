// The renderer's materials and lights as a picture shows them: which of the
// properties the bridge sends matter for a glTF file, and how they read.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>

#include "scene_replay/journal_replay.h"

namespace scene_replay {

namespace {

namespace fs = std::filesystem;

constexpr float kColorScale = 255.0f;       // light colours arrive as 0..255
constexpr std::size_t kTransformSize = 16;  // a row-vector 4 x 4 matrix
constexpr float kConeWithoutAngle = 90.0f;  // spot-like lights sent without a cone angle
constexpr int kSpotType = 1;                // "type" 1: spot or IES light; 0: point
constexpr char kTexturesFolder[] = "\\Textures\\";

const nlohmann::json kNull;

// One sRGB component (0..1) in linear terms, as glTF's base colour holds it.
float LinearFromSrgb(float c) {
  constexpr float kLinearEnd = 0.04045f, kLinearSlope = 12.92f;
  constexpr float kOffset = 0.055f, kGamma = 2.4f;
  return c <= kLinearEnd ? c / kLinearSlope : std::pow((c + kOffset) / (1.0f + kOffset), kGamma);
}

// A colour text "#RRGGBB" in linear 0..1 components.
std::optional<scene_gltf::Vec3> ColorText(const std::string& text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  scene_gltf::Vec3 color{};
  for (int i = 0; i < 3; ++i) {
    const std::string pair = text.substr(1 + 2 * i, 2);
    if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return std::nullopt;
    const float c = static_cast<float>(std::stoi(pair, nullptr, 16)) / kColorScale;
    color[i] = LinearFromSrgb(c);
  }
  return color;
}

// The local file of a texture path the renderer received: the part after
// "\Textures\" looked for in the texture folder, else the path itself.
std::string LocalTexture(const std::string& sent, const std::string& texture_folder) {
  std::string name = sent;
  const std::size_t at = sent.rfind(kTexturesFolder);
  if (at != std::string::npos) name = sent.substr(at + sizeof kTexturesFolder - 1);
  std::replace(name.begin(), name.end(), '\\', '/');
  std::error_code error;
  if (!texture_folder.empty() && !name.empty()) {
    const fs::path candidate = fs::path(texture_folder) / name;
    if (fs::is_regular_file(candidate, error)) return fs::absolute(candidate, error).string();
  }
  if (fs::is_regular_file(sent, error)) return fs::absolute(sent, error).string();
  return {};
}

// The colour of a black body at a temperature in kelvin, 0..1 per component:
// a fit of the Planck locus that is close enough to see warm and cold light.
scene_gltf::Vec3 TemperatureColor(float kelvin) {
  const double t = std::clamp(static_cast<double>(kelvin), 1000.0, 40000.0) / 100.0;
  const auto clamp = [](double v) { return static_cast<float>(std::clamp(v / 255.0, 0.0, 1.0)); };
  const double red = t <= 66 ? 255 : 329.698727446 * std::pow(t - 60, -0.1332047592);
  const double green = t <= 66 ? 99.4708025861 * std::log(t) - 161.1195681661
                               : 288.1221695283 * std::pow(t - 60, -0.0755148492);
  const double blue = t >= 66   ? 255
                      : t <= 19 ? 0
                                : 138.5177312231 * std::log(t - 10) - 305.0447927307;
  return {clamp(red), clamp(green), clamp(blue)};
}

std::vector<float> Floats(const nlohmann::json& array) {
  std::vector<float> values;
  if (!array.is_array()) return values;
  for (const nlohmann::json& value : array) values.push_back(JournalFloat(value));
  return values;
}

}  // namespace

float JournalFloat(const nlohmann::json& value) {
  if (value.is_number()) return value.get<float>();
  if (value == "inf") return std::numeric_limits<float>::infinity();
  if (value == "-inf") return -std::numeric_limits<float>::infinity();
  return std::numeric_limits<float>::quiet_NaN();
}

const nlohmann::json& Properties::Get(const std::string& property) const {
  for (const auto& [name, value] : values) {
    if (name == property) return value;
  }
  return kNull;
}

void Properties::Set(const std::string& property, nlohmann::json value) {
  for (auto& [name, held] : values) {
    if (name == property) {
      held = std::move(value);
      return;
    }
  }
  values.emplace_back(property, std::move(value));
}

scene_gltf::Material SceneMaterial(const Properties& material, const std::string& texture_folder) {
  scene_gltf::Material out;
  out.name = material.name;
  const nlohmann::json& color = material.Get("Diffuse (Color)");
  if (color.is_string()) {
    if (const auto linear = ColorText(color.get<std::string>())) out.base_color = *linear;
  }
  const nlohmann::json& map = material.Get("Diffuse Map");
  if (map.is_string()) {
    out.texture_uri = LocalTexture(map.get<std::string>(), texture_folder);
    // The texture carries the colour; none is sent beside it.
    if (!out.texture_uri.empty()) out.base_color = {1.0f, 1.0f, 1.0f};
  }
  return out;
}

scene_gltf::Light SceneLight(const Properties& light) {
  scene_gltf::Light out;
  out.name = light.name;
  const nlohmann::json& type = light.Get("type");
  const bool spot = type.is_number_integer() && type.get<int>() == kSpotType;
  out.kind = spot ? scene_gltf::Light::Kind::Spot : scene_gltf::Light::Kind::Point;
  if (const nlohmann::json& brightness = light.Get("brightness"); !brightness.is_null()) {
    out.intensity = JournalFloat(brightness);
  }
  const std::vector<float> color = Floats(light.Get("light_color"));
  if (const nlohmann::json& kelvin = light.Get("light_temperature"); !kelvin.is_null()) {
    out.color = TemperatureColor(JournalFloat(kelvin));
  } else if (color.size() == 3) {
    for (int i = 0; i < 3; ++i) out.color[i] = std::max(0.0f, color[i] / kColorScale);
  }
  const std::vector<float> m = Floats(light.Get("transform"));
  if (m.size() == kTransformSize) {
    // Rows are the images of the basis vectors; the light shines along its local -z.
    out.position = {m[12], m[13], m[14]};
    out.direction = {-m[8], -m[9], -m[10]};
  }
  const nlohmann::json& cone = light.Get("light_cone_angle");
  out.cone_degrees = cone.is_null() ? kConeWithoutAngle : JournalFloat(cone);
  return out;
}

}  // namespace scene_replay
