// Crafted exchange folders for the inspector's tests: a clean model whose
// counts are known, and the pieces to break it one way at a time.
#pragma once


#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "container_writer/container_writer.h"
#include "inspect/findings.h"
#include "inspect/path_inspection.h"
#include "testlib/temp_exchange.h"

namespace tarnwick::inspect::testing {

namespace cw = container_writer;

// The project of the crafted files.
inline const std::u16string kProject = u"C:\\Projects\\Clean.pro";
// Where the first body begins: right after the header.
inline constexpr std::uint32_t kBodyStart = 208644;

// A material with a diffuse texture file.
inline std::u16string MaterialText(const std::string& name, const std::string& texture = "") {
  std::string text = "TypeNat 0\nMaterialID_Name [" + name + "]\nnTimeID [4]\n";
  if (!texture.empty()) {
    text += "MatExt_ObjectSTART\nExtendMaterial_Start\nExtendMaterial_Type [1]\nExtendMaterial_nFlag [2]\n"
            "ExtendMaterial_strFile [" + texture + "]\nExtendMaterial_End\nMatExt_ObjectEND\n";
  }
  return cw::Widen(text);
}

// A light of a kind, switched on or off, with an IES profile name.
inline std::u16string LightText(const std::string& name, const std::string& kind, int id,
                                bool on = true, const std::string& ies = "") {
  std::string text = "LightSource [" + kind + "]\nLightName [" + name + "]\nLightSolidID [" +
                     std::to_string(id) + "]\nLightEnable: [" + (on ? "1" : "0") + "]\n";
  if (!ies.empty()) text += "strIESF_FilePath [" + ies + "]\n";
  return cw::Widen(text);
}

// A Cameras record of named views and the active index.
inline std::u16string CamerasText(const std::vector<std::string>& names, int active) {
  std::string text = "Cameras_Start\nCameras_nActCamera [" + std::to_string(active) + "]\n";
  for (const std::string& name : names) {
    text += "Cameras_Camera_ObjectSTART\nCamera_Start\nCamera_Name [" + name +
            "]\nCamera__from [0 -10 2]\nCamera__to [0 0 1]\nCamera_End\nCameras_Camera_ObjectEND\n";
  }
  return cw::Widen(text + "Cameras_End\n");
}

// A unit quad in the plane z = height: four vertices, two triangles.
inline cw::Part Quad(const std::u16string& name, float height) {
  cw::Part part;
  part.name = name;
  part.positions = {0, 0, height, 2, 0, height, 2, 3, height, 0, 3, height};
  part.indices = {0, 1, 2, 0, 2, 3};
  part.attributes1 = {1, 2, 3, 4};
  return part;
}

// The clean model: materials "Oak" (texture oak.jpg) and "Glass"; a point, a spot and an
// IES light (profile a.ies); solid 1 with a quad and a triangle without index list, solid 2
// with a quad; two views, the second active. 11 vertices, 5 triangles, bounds (0 0 0)-(2 3 5).
inline cw::ModelBody CleanBody() {
  cw::ModelBody body;
  body.materials = {MaterialText("Oak", "oak.jpg"), MaterialText("Glass")};
  body.lights = {LightText("Bulb", "point", 11), LightText("Spot", "spot", 12),
                 LightText("Profile", "IES", 13, true, "a.ies")};
  cw::Part triangle;
  triangle.name = u"Roof";
  triangle.positions = {0, 0, 5, 1, 0, 5, 0, 1, 5};
  body.solids.push_back(cw::Solid{1, 100, u"", {Quad(u"Floor", 0), triangle}, false});
  body.solids.push_back(cw::Solid{2, 101, u"", {Quad(u"Wall", 1)}, false});
  body.cameras = CamerasText({"Main", "Side"}, 1);
  return body;
}

// A temporary exchange folder with the clean model's texture and IES profile in place.
class CraftedFolder {
 public:
  CraftedFolder() {
    std::filesystem::create_directories(PathOf("Textures"));
    std::filesystem::create_directories(PathOf("IES"));
    ::tarnwick::testing::WriteNativeFile(PathOf("Textures/oak.jpg"), "jpeg");
    ::tarnwick::testing::WriteNativeFile(PathOf("IES/a.ies"), "IESNA");
  }
  // The native path of a file in the folder.
  std::string PathOf(const std::string& name) const { return dir_.path() + "/" + name; }
  // The folder's path.
  const std::string& path() const { return dir_.path(); }
  // Writes a file of the folder.
  void Write(const std::string& name, const std::string& bytes) const {
    ::tarnwick::testing::WriteNativeFile(PathOf(name), bytes);
  }
  // Writes a container file of the folder.
  void Write(const std::string& name, const cw::Container& container) const {
    Write(name, cw::BuildContainer(container));
  }

 private:
  ::tarnwick::testing::TempDir dir_;
};

// The findings of a code among those listed.
inline std::vector<Finding> WithCode(const FindingLog& log, std::string_view code) {
  std::vector<Finding> found;
  for (const Finding& finding : log.listed()) {
    if (finding.code == code) found.push_back(finding);
  }
  return found;
}

// Patches a little-endian u32 into file bytes.
inline void PatchU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace tarnwick::inspect::testing
