#include "renderer/material_export.h"

#include <cmath>
#include <cstdio>

#include "protocol/protocol.h"
#include "platform/text.h"

namespace tarnwick {

namespace {

// Extension types that the export looks up.
constexpr std::int32_t kDiffuseTexture = 1;
constexpr std::int32_t kNormalMap = 2;
constexpr std::int32_t kAmbientOcclusion = 3;
constexpr std::int32_t kRoughness = 5;
constexpr std::int32_t kMetallic = 6;

// TypeNat of a light-emitting material.
constexpr std::int32_t kEmissiveMaterial = 17;

// nFlag bit that says strFile is a texture to use.
constexpr std::int32_t kTextureBit = 2;

// Only the first extension of a type counts, even when a later one would be usable.
const ExtendMaterial* FirstExtension(const MaterialRecord& record, std::int32_t type) {
  for (const ExtendMaterial& extension : record.MatExt) {
    if (extension.Type == type) return &extension;
  }
  return nullptr;
}

std::u16string ColorText(unsigned red, unsigned green, unsigned blue) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", red & 0xFFu, green & 0xFFu,
                blue & 0xFFu);
  return WidenLatin1(buffer);
}

// A colour fraction as a byte. Values outside 0..1 and NaN are held to the
// byte's range: wrapping the low bits would turn a slightly over-bright 1.2
// into a dark "32" and a slightly negative value into a bright "E7".
unsigned ColorByte(float component) {
  const float product = component * 255.0f;
  if (std::isnan(product) || product <= 0.0f) return 0;
  if (product >= 255.0f) return 255;
  return static_cast<unsigned>(product);
}

void SetString(D5Session session, const MaterialRecord& record, const char16_t* property,
               const std::u16string& value) {
  D5API_SetMaterialStringProperty(session, record.MaterialID_Name.c_str(), property,
                                  value.c_str());
}

void SetFloat(D5Session session, const MaterialRecord& record, const char16_t* property,
              float value) {
  D5API_SetMaterialFloatProperty(session, record.MaterialID_Name.c_str(), property, value);
}

// The template is chosen in double precision: a Transparent written as 0.9 is
// held as the float just below the double 0.9 and so counts as transparent.
const char16_t* TemplateName(float transparent) {
  return static_cast<double>(transparent) < 0.9 ? u"template_transparent" : u"template_custom";
}

void SendEmission(D5Session session, const MaterialRecord& record, const ExportSettings& settings) {
  if (!SendTextureProperty(session, record, kDiffuseTexture, u"EmissiveMask", settings)) {
    SetString(session, record, u"Emissive Color", PackedColorText(record.emissiveColor));
  }
  D5API_SetMaterialIntProperty(session, record.MaterialID_Name.c_str(), u"EmissiveSwitcher", 1);
  SetFloat(session, record, u"Light", static_cast<float>(record.EmissiveIntensity) / 100.0f);
}

}  // namespace

std::u16string DiffuseColorText(const std::array<float, 3>& color) {
  return ColorText(ColorByte(color[0]), ColorByte(color[1]), ColorByte(color[2]));
}

std::u16string PackedColorText(std::int32_t packed) {
  const auto bits = static_cast<std::uint32_t>(packed);
  return ColorText(bits & 0xFFu, (bits >> 8) & 0xFFu, (bits >> 16) & 0xFFu);
}

bool SendTextureProperty(D5Session session, const MaterialRecord& record, std::int32_t type,
                         const char16_t* property, const ExportSettings& settings) {
  if (settings.color_mode) return false;
  const ExtendMaterial* extension = FirstExtension(record, type);
  if (!extension || (extension->nFlag & kTextureBit) == 0 || extension->strFile.empty()) {
    return false;
  }
  // The folder text as resolved, then the sub-folder, then the name exactly as
  // the host wrote it; the file itself is the renderer's business.
  SetString(session, record, property, settings.exchange_folder + protocol::kTexturesFolder.wide + extension->strFile);
  return true;
}

bool SendExtensionValue(D5Session session, const MaterialRecord& record, std::int32_t type,
                        const char16_t* property) {
  const ExtendMaterial* extension = FirstExtension(record, type);
  if (!extension) return false;
  SetFloat(session, record, property, extension->Value);
  return true;
}

void ExportMaterial(D5Session session, const MaterialRecord& record, const ExportSettings& settings) {
  D5API_AddMaterial(session, record.MaterialID_Name.c_str());
  SetString(session, record, u"type", TemplateName(record.Transparent));
  SetString(session, record, u"name", record.InterfaceName);
  SetFloat(session, record, u"Opacity", 1.0f - record.Transparent);
  SetFloat(session, record, u"Refraction", record.IOR);
  if (record.TypeNat == kEmissiveMaterial) SendEmission(session, record, settings);
  if (!SendTextureProperty(session, record, kDiffuseTexture, u"Diffuse Map", settings)) {
    SetString(session, record, u"Diffuse (Color)", DiffuseColorText(record.Diffuse));
  }
  SendTextureProperty(session, record, kNormalMap, u"Normal Map One", settings);
  if (!SendTextureProperty(session, record, kRoughness, u"Roughness Map", settings)) {
    SendExtensionValue(session, record, kRoughness, u"Roughness Map (opacity)");
  }
  if (!SendTextureProperty(session, record, kMetallic, u"MetallicMap", settings)) {
    SendExtensionValue(session, record, kMetallic, u"Metallic");
  }
  SendTextureProperty(session, record, kAmbientOcclusion, u"AOMap", settings);
  SendExtensionValue(session, record, kAmbientOcclusion, u"AOIntensity");
  SendTextureProperty(session, record, kDiffuseTexture, u"OpacityMap", settings);
}

}  // namespace tarnwick
