#include <gtest/gtest.h>

#include "formats/material_record.h"

namespace tarnwick {
namespace {

using Triple = std::array<float, 3>;

MaterialRecord ReadMaterial(std::u16string_view text) {
  MaterialRecord material;
  ReadMaterialRecord(material, text);
  return material;
}

std::u16string Extension(std::u16string_view lines) {
  return u"MatExt_ObjectSTART\nExtendMaterial_Start\n" + std::u16string(lines) +
         u"ExtendMaterial_End\nMatExt_ObjectEND\n";
}

TEST(MaterialRecordTest, EmptyTextKeepsDefaults) {
  const MaterialRecord m = ReadMaterial(u"");
  EXPECT_EQ(m.Transparent, 1.0f);
  EXPECT_EQ(m.Diffuse_Logical, -1);
  EXPECT_EQ(m.MixedColor, -1);
  EXPECT_EQ(m.nTimeID, -1);
  EXPECT_EQ(m.emissiveStrength, 1.0f);
  EXPECT_EQ(m.MaterialID_Name, u"");
  EXPECT_TRUE(m.MatExt.empty());
}

TEST(MaterialRecordTest, ReadsEveryKey) {
  const MaterialRecord m = ReadMaterial(
      u"TypeNat 17\nVer 3\nInterfaceName [Oak, light]\nMaterialID_Name [Mat_7]\n"
      u"Diffuse 0.1 0.2 0.3\nDiffuse_Logical 2\nAmbientFactor 0.4\nDiffuseFactor 0.5\n"
      u"SpecularFactor 0.6\nRoughness 0.25\nSpecularExponent 8\nAnizotropic 0.7\nGlossy 0.8\n"
      u"Fresnel 1\nSpecular 0.9 0.8 0.7\nReflection 0.2\nTransparent 0.5\nIOR 1.5\nBump 0.3\n"
      u"Mat_Flags 6\nMixedColor [3]\nEmissiveIntensity 80\n_nMatDescIndex [12]\n"
      u"emissiveColor [16711935]\nemissiveStrength [2.5]\nnTimeID [99]\n");
  EXPECT_EQ(m.TypeNat, 17);
  EXPECT_EQ(m.InterfaceName, u"Oak, light");
  EXPECT_EQ(m.MaterialID_Name, u"Mat_7");
  EXPECT_EQ(m.Diffuse, (Triple{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(m.Diffuse_Logical, 2);
  EXPECT_EQ(m.AmbientFactor, 0.4f);
  EXPECT_EQ(m.DiffuseFactor, 0.5f);
  EXPECT_EQ(m.SpecularFactor, 0.6f);
  EXPECT_EQ(m.Roughness, 0.25f);
  EXPECT_EQ(m.SpecularExponent, 8.0f);
  EXPECT_EQ(m.Anizotropic, 0.7f);
  EXPECT_EQ(m.Glossy, 0.8f);
  EXPECT_EQ(m.Fresnel, 1);
  EXPECT_EQ(m.Specular, (Triple{0.9f, 0.8f, 0.7f}));
  EXPECT_EQ(m.Reflection, 0.2f);
  EXPECT_EQ(m.Transparent, 0.5f);
  EXPECT_EQ(m.IOR, 1.5f);
  EXPECT_EQ(m.Bump, 0.3f);
  EXPECT_EQ(m.Mat_Flags, 6);
  EXPECT_EQ(m.MixedColor, 3);
  EXPECT_EQ(m.EmissiveIntensity, 80);
  EXPECT_EQ(m._nMatDescIndex, 12);
  EXPECT_EQ(m.emissiveColor, 16711935);
  EXPECT_EQ(m.emissiveStrength, 2.5f);
  EXPECT_EQ(m.nTimeID, 99);
}

TEST(MaterialRecordTest, FormAndSeparatorArePartOfTheKey) {
  EXPECT_EQ(ReadMaterial(u"MixedColor 3").MixedColor, -1);
  EXPECT_EQ(ReadMaterial(u"MixedColor [3]").MixedColor, 3);
  EXPECT_EQ(ReadMaterial(u"EmissiveIntensity [80]").EmissiveIntensity, 0);
  EXPECT_EQ(ReadMaterial(u"EmissiveIntensity 80").EmissiveIntensity, 80);
  EXPECT_EQ(ReadMaterial(u"nTimeID 5").nTimeID, -1);
  EXPECT_EQ(ReadMaterial(u"Diffuse 1 0.5").Diffuse, (Triple{1, 0.5f, 0}));

  const MaterialRecord specular = ReadMaterial(u"Specular 0.1 0.2 0.3\nDiffuse 0.4 0.5 0.6");
  EXPECT_EQ(specular.Specular, (Triple{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(specular.SpecularFactor, 0.0f);
  EXPECT_EQ(specular.SpecularExponent, 0.0f);
  EXPECT_EQ(specular.Diffuse, (Triple{0.4f, 0.5f, 0.6f}));
  EXPECT_EQ(specular.Diffuse_Logical, -1);
  EXPECT_EQ(specular.DiffuseFactor, 0.0f);

  const MaterialRecord ver = ReadMaterial(u"Ver 3\nVersion 4\nTypeNat x\nemissivecolor [5]");
  EXPECT_EQ(ver.TypeNat, 0);
  EXPECT_EQ(ver.emissiveColor, 0);
  EXPECT_EQ(ver._nMatDescIndex, 0);
}

TEST(MaterialRecordTest, NegativeRoughnessBecomesZero) {
  EXPECT_EQ(ReadMaterial(u"Roughness -0.25").Roughness, 0.0f);
  EXPECT_EQ(ReadMaterial(u"Roughness -1e39").Roughness, 0.0f);
  EXPECT_EQ(ReadMaterial(u"Roughness 0.25").Roughness, 0.25f);
  EXPECT_EQ(ReadMaterial(u"Diffuse -1 2 -3\nIOR -2").Diffuse, (Triple{-1, 2, -3}));
}

TEST(MaterialRecordTest, ExtensionsInTextOrder) {
  const MaterialRecord m = ReadMaterial(
      u"MaterialID_Name [m]\n" +
      Extension(u"ExtendMaterial_Version [2]\nExtendMaterial_Type [5]\n"
                u"ExtendMaterial_Value 0.35\nExtendMaterial_strFile [wood.jpg]\n"
                u"ExtendMaterial_nFlag [2]\nExtendMaterial_nAlcolor [7]\n"
                u"ExtendMaterial_Color [0.1 0.2 0.3]\n") +
      Extension(u"ExtendMaterial_Type [6]\nExtendMaterial_Value [0.5]\n"
                u"ExtendMaterial_End\nExtendMaterial_Type [9]\n"
                u"ExtendMaterial_Start\nExtendMaterial_Value 0.75\nExtendMaterial_Type [1]\n") +
      u"MatExt_ObjectSTART\nExtendMaterial_Type [3]\nMatExt_ObjectEND\nnTimeID [4]\n");
  ASSERT_EQ(m.MatExt.size(), 3u);
  const ExtendMaterial& first = m.MatExt[0];
  EXPECT_EQ(first.Type, 5);
  EXPECT_EQ(first.Value, 0.35f);
  EXPECT_EQ(first.strFile, u"wood.jpg");
  EXPECT_EQ(first.nFlag, 2);
  EXPECT_EQ(first.nAlcolor, 7);
  EXPECT_EQ(first.Color, (Triple{0.1f, 0.2f, 0.3f}));
  EXPECT_EQ(m.MatExt[1].Type, 1);
  EXPECT_EQ(m.MatExt[1].Value, 0.75f);
  EXPECT_EQ(m.MatExt[1].Color, (Triple{-1, -1, -1}));
  EXPECT_EQ(m.MatExt[2].Type, 0);
  EXPECT_EQ(m.MatExt[2].nAlcolor, -1);
  EXPECT_EQ(m.nTimeID, 4);

  ExtendMaterial extension;
  ReadExtendMaterial(extension, u"ExtendMaterial_Start\nExtendMaterial_Value [0.5]\n");
  EXPECT_EQ(extension.Value, 0.0f);
}

TEST(MaterialRecordTest, UnterminatedExtensionEndsTheRecord) {
  const MaterialRecord m = ReadMaterial(
      u"Glossy 0.5\n" + Extension(u"ExtendMaterial_Type [2]\n") +
      u"MatExt_ObjectSTART\nExtendMaterial_Start\nExtendMaterial_Type [1]\nGlossy 0.9\n"
      u"MaterialID_Name [late]\n");
  ASSERT_EQ(m.MatExt.size(), 1u);
  EXPECT_EQ(m.MatExt[0].Type, 2);
  EXPECT_EQ(m.Glossy, 0.5f);
  EXPECT_EQ(m.MaterialID_Name, u"");
}

}  // namespace
}  // namespace tarnwick
