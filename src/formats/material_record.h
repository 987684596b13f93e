// The host's material records: the Material keyed text record and its
// ExtendMaterial extensions ("MatExt" child objects).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// One extension: a texture file or a scalar for one aspect of a material.
struct ExtendMaterial {
  std::int32_t Type = 0;
  std::u16string strFile;
  std::array<float, 3> Color{-1.0f, -1.0f, -1.0f};
  std::int32_t nAlcolor = -1;
  std::int32_t nFlag = 0;
  float Value = 0.0f;
};

// One host material with every default of its table.
struct MaterialRecord {
  std::int32_t _nMatDescIndex = 0;
  std::int32_t TypeNat = 0;
  float Transparent = 1.0f;
  float Bump = 0.0f;
  std::array<float, 3> Diffuse{};
  std::int32_t Diffuse_Logical = -1;
  float IOR = 0.0f;
  std::array<float, 3> Specular{};
  float Reflection = 0.0f;
  std::u16string MaterialID_Name;
  std::u16string InterfaceName;
  float AmbientFactor = 0.0f;
  float DiffuseFactor = 0.0f;
  float SpecularFactor = 0.0f;
  float Roughness = 0.0f;
  float SpecularExponent = 0.0f;
  float Anizotropic = 0.0f;
  float Glossy = 0.0f;
  std::int32_t Fresnel = 0;
  std::int32_t EmissiveIntensity = 0;
  std::int32_t Mat_Flags = 0;
  std::int32_t MixedColor = -1;
  std::int32_t nTimeID = -1;
  std::int32_t emissiveColor = 0;
  float emissiveStrength = 1.0f;
  std::vector<ExtendMaterial> MatExt;
};

// Reads a Material record text into a record that holds its defaults; a negative roughness becomes 0.
void ReadMaterialRecord(MaterialRecord& record, std::u16string_view text);

// Reads the body of one "MatExt" child object into an extension that holds its defaults.
void ReadExtendMaterial(ExtendMaterial& extension, std::u16string_view text);

}  // namespace tarnwick
