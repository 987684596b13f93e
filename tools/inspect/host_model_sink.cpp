#include "inspect/host_model_sink.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "formats/light_record.h"
#include "formats/light_transform.h"
#include "formats/material_record.h"
#include "platform/text.h"

namespace tarnwick::inspect {

namespace {

constexpr float kColorScale = 255.0f;
constexpr int kColorByte = 0xFF;
constexpr std::int32_t kDiffuseTexture = 1;  // the extension type of the diffuse texture
constexpr std::int32_t kUseFileFlag = 2;     // the extension's bit: strFile is a texture
constexpr int kSpotType = 1;                 // the renderer's "type" of spot and IES lights
constexpr char kTexturesPrefix[] = "\\Textures\\";

template <typename T>
void Replace(std::vector<T>& items, T item) {
  // Sent again under its name, a thing is sent in full and takes the end of the list.
  std::erase_if(items, [&](const T& held) { return held.name == item.name; });
  items.push_back(std::move(item));
}

int ColorByte(float component) {
  const float scaled = component * kColorScale;
  // Out of the integers' range the truncation is undefined: such a colour counts as 0.
  if (!std::isfinite(scaled) || std::fabs(scaled) > static_cast<float>(1 << 30)) return 0;
  return static_cast<int>(scaled) & kColorByte;
}

// The texture the bridge sends for the diffuse channel, as a path below the Textures folder.
std::string DiffuseTexture(const MaterialRecord& record) {
  const auto first = std::find_if(record.MatExt.begin(), record.MatExt.end(),
                                  [](const ExtendMaterial& ext) { return ext.Type == kDiffuseTexture; });
  if (first == record.MatExt.end() || (first->nFlag & kUseFileFlag) == 0 || first->strFile.empty()) {
    return {};
  }
  return kTexturesPrefix + Utf8FromUtf16(first->strFile);
}

bool Sent(const LightRecord& record) {
  return record.LightEnable &&
         (record.LightSource == LightSourceType::Point || record.LightSource == LightSourceType::Spot ||
          record.LightSource == LightSourceType::IES);
}

// The part's arrays as the renderer takes them; nothing when the bridge does not send it.
std::optional<scene_gltf::Primitive> SentPart(const std::u16string& name, const PartGeometry& part) {
  const std::uint32_t vertices = part.position_count / 3;
  if (part.index_count > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
    return std::nullopt;
  }
  scene_gltf::Primitive out;
  out.name = Utf8FromUtf16(name);
  if (part.index_count > 0) {
    out.indices.assign(part.indices, part.indices + part.index_count);
    if (std::any_of(out.indices.begin(), out.indices.end(),
                    [&](std::uint32_t index) { return index >= vertices; })) {
      return std::nullopt;
    }
  } else {
    out.indices.resize(vertices);
    for (std::uint32_t i = 0; i < vertices; ++i) out.indices[i] = i;
  }
  out.positions.assign(part.positions, part.positions + std::size_t{vertices} * 3);
  // The renderer reads three floats of normals and two of texture coordinates per vertex;
  // shorter arrays are left out rather than read past.
  const auto* normals = static_cast<const float*>(part.attributes2);
  if (normals && part.attributes2_count >= std::size_t{vertices} * 3) {
    out.normals.assign(normals, normals + std::size_t{vertices} * 3);
  }
  const auto* texcoords = static_cast<const float*>(part.attributes1);
  if (texcoords && part.attributes1_count >= std::size_t{vertices} * 2) {
    out.texcoords.assign(texcoords, texcoords + std::size_t{vertices} * 2);
  }
  return out;
}

}  // namespace

std::string ColorText(const std::array<float, 3>& color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", ColorByte(color[0]), ColorByte(color[1]),
                ColorByte(color[2]));
  return text;
}

void HostModelSink::OnMaterialText(const std::u16string& text) {
  MaterialRecord record;
  ReadMaterialRecord(record, text);
  scene_replay::Properties material{Utf8FromUtf16(record.MaterialID_Name), {}};
  const std::string texture = DiffuseTexture(record);
  if (texture.empty()) {
    material.Set("Diffuse (Color)", ColorText(record.Diffuse));
  } else {
    material.Set("Diffuse Map", texture);
  }
  Replace(materials_, std::move(material));
}

void HostModelSink::OnLightText(const std::u16string& text) {
  LightRecord record;
  ReadLightRecord(record, text);
  if (!Sent(record)) return;
  const bool point = record.LightSource == LightSourceType::Point;
  scene_replay::Properties light{"Light" + std::to_string(record.LightSolidID), {}};
  light.Set("type", point ? 0 : kSpotType);
  light.Set("brightness", record.Intensity);
  if (record.LightTemperature > 0.0f) {
    light.Set("light_temperature", record.LightTemperature);
  } else {
    light.Set("light_color", {record.Color[0] * kColorScale, record.Color[1] * kColorScale,
                              record.Color[2] * kColorScale});
  }
  const std::array<float, 16> transform = LightTransform(record);
  light.Set("transform", std::vector<float>(transform.begin(), transform.end()));
  if (record.LightSource == LightSourceType::Spot) light.Set("light_cone_angle", record.Coneangle);
  Replace(lights_, std::move(light));
}

void HostModelSink::OnSolidBegin(const SolidInfo& solid) {
  Replace(nodes_, scene_gltf::Node{"Solid_" + std::to_string(static_cast<std::int32_t>(solid.id)), {}});
  solid_open_ = true;
}

void HostModelSink::OnPart(const FileText& name, const PartGeometry& part) {
  if (!solid_open_) return;
  if (std::optional<scene_gltf::Primitive> sent = SentPart(name.ToString(), part)) {
    scene_gltf::AddHostPart(nodes_.back(), std::move(*sent));
  }
}

void HostModelSink::OnSolidEnd(bool /*whole*/) { solid_open_ = false; }

void HostModelSink::OnCameraText(const std::u16string& text) {
  CameraList list;
  ReadCamerasRecord(list, text);
  views_ = std::move(list);
}

}  // namespace tarnwick::inspect
