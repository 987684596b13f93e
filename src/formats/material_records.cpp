#include <utility>

#include "formats/keyed_audit.h"
#include "formats/keyed_record.h"
#include "formats/material_record.h"

namespace tarnwick {

namespace {

constexpr KeyedKind kExtendMaterialKind{u"ExtendMaterial", u"ExtendMaterial_", true};

constexpr KeyRow<ExtendMaterial> kExtendMaterialKeys[] = {
    {u"Version", KeyForm::Bracketed, UnusedValue{}},
    {u"nAlcolor", KeyForm::Bracketed, &ExtendMaterial::nAlcolor},
    {u"nFlag", KeyForm::Bracketed, &ExtendMaterial::nFlag},
    {u"Value", KeyForm::Bare, &ExtendMaterial::Value},
    {u"strFile", KeyForm::Bracketed, &ExtendMaterial::strFile},
    {u"Type", KeyForm::Bracketed, &ExtendMaterial::Type},
    {u"Color", KeyForm::Bracketed, &ExtendMaterial::Color},
};

// Each "MatExt" child object is one extension, read afresh from the defaults.
void AppendExtension(MaterialRecord& record, std::u16string_view body) {
  ExtendMaterial extension;
  ReadExtendMaterial(extension, body);
  record.MatExt.push_back(std::move(extension));
}

constexpr KeyedKind kMaterialKind{u"", u"", false};

constexpr KeyRow<MaterialRecord> kMaterialKeys[] = {
    {u"TypeNat", KeyForm::Bare, &MaterialRecord::TypeNat},
    {u"Ver", KeyForm::Bare, UnusedValue{}},
    {u"InterfaceName", KeyForm::Bracketed, &MaterialRecord::InterfaceName},
    {u"MaterialID_Name", KeyForm::Bracketed, &MaterialRecord::MaterialID_Name},
    {u"Diffuse", KeyForm::Bare, &MaterialRecord::Diffuse},
    {u"Diffuse_Logical", KeyForm::Bare, &MaterialRecord::Diffuse_Logical},
    {u"AmbientFactor", KeyForm::Bare, &MaterialRecord::AmbientFactor},
    {u"DiffuseFactor", KeyForm::Bare, &MaterialRecord::DiffuseFactor},
    {u"SpecularFactor", KeyForm::Bare, &MaterialRecord::SpecularFactor},
    {u"Roughness", KeyForm::Bare, &MaterialRecord::Roughness},
    {u"SpecularExponent", KeyForm::Bare, &MaterialRecord::SpecularExponent},
    {u"Anizotropic", KeyForm::Bare, &MaterialRecord::Anizotropic},
    {u"Glossy", KeyForm::Bare, &MaterialRecord::Glossy},
    {u"Fresnel", KeyForm::Bare, &MaterialRecord::Fresnel},
    {u"Specular", KeyForm::Bare, &MaterialRecord::Specular},
    {u"Reflection", KeyForm::Bare, &MaterialRecord::Reflection},
    {u"Transparent", KeyForm::Bare, &MaterialRecord::Transparent},
    {u"IOR", KeyForm::Bare, &MaterialRecord::IOR},
    {u"Bump", KeyForm::Bare, &MaterialRecord::Bump},
    {u"Mat_Flags", KeyForm::Bare, &MaterialRecord::Mat_Flags},
    {u"MixedColor", KeyForm::Bracketed, &MaterialRecord::MixedColor},
    {u"EmissiveIntensity", KeyForm::Bare, &MaterialRecord::EmissiveIntensity},
    {u"_nMatDescIndex", KeyForm::Bracketed, &MaterialRecord::_nMatDescIndex},
    {u"emissiveColor", KeyForm::Bracketed, &MaterialRecord::emissiveColor},
    {u"emissiveStrength", KeyForm::Bracketed, &MaterialRecord::emissiveStrength},
    {u"nTimeID", KeyForm::Bracketed, &MaterialRecord::nTimeID},
    {u"MatExt", KeyForm::Bare, ChildObject<MaterialRecord>{&AppendExtension}},
};

}  // namespace

void ReadMaterialRecord(MaterialRecord& record, std::u16string_view text) {
  ReadKeyedRecord<MaterialRecord>(record, kMaterialKind, kMaterialKeys, text);
  if (record.Roughness < 0.0f) record.Roughness = 0.0f;
}

void ReadExtendMaterial(ExtendMaterial& extension, std::u16string_view text) {
  ReadKeyedRecord<ExtendMaterial>(extension, kExtendMaterialKind, kExtendMaterialKeys, text);
}

KeyedAudit AuditMaterialRecord(std::u16string_view text) {
  return AuditKeyedRecord<MaterialRecord>(kMaterialKind, kMaterialKeys, text);
}

}  // namespace tarnwick
