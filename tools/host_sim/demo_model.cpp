#include "host_sim/demo_model.h"

#include <sstream>

#include "host_sim/demo_shapes.h"

namespace tarnwick::host_sim {

namespace cw = container_writer;

namespace {

// One texture or value extension of a material.
struct Extension {
  int type;
  const char* file;  // nullptr: no texture
  float value;
};

std::u16string MaterialText(const std::string& id, const std::string& shown,
                            const std::string& body, int index, int time,
                            std::initializer_list<Extension> extensions) {
  std::ostringstream text;
  text << "Ver 3\nInterfaceName [" << shown << "]\nMaterialID_Name [" << id << "]\n"
       << body << "_nMatDescIndex [" << index << "]\nnTimeID [" << time << "]\n";
  for (const Extension& e : extensions) {
    text << "MatExt_ObjectSTART\nExtendMaterial_Start\nExtendMaterial_Version [1]\n"
         << "ExtendMaterial_Type [" << e.type << "]\n"
         << "ExtendMaterial_nFlag [" << (e.file ? 2 : 0) << "]\n"
         << "ExtendMaterial_strFile [" << (e.file ? e.file : "") << "]\n"
         << "ExtendMaterial_Value " << e.value << "\nExtendMaterial_End\nMatExt_ObjectEND\n";
  }
  return cw::Widen(text.str());
}

std::vector<std::u16string> DemoMaterials() {
  return {
      MaterialText("Grass", "Lawn", "Diffuse 0.3 0.55 0.2\nIOR 1\n", 1, 11,
                   {{1, "grass.jpg", 0}, {2, "grass_normal.png", 0}, {5, nullptr, 0.85f}}),
      MaterialText("Brick", "Brick, red", "Diffuse 0.6 0.25 0.2\nIOR 1.4\n", 2, 12,
                   {{1, "brick.jpg", 0}, {5, "brick_rough.png", 0}, {3, "brick_ao.png", 0.7f}}),
      MaterialText("RoofTiles", "Roof tiles", "Diffuse 0.5 0.2 0.1\nIOR 1.4\n", 3, 13,
                   {{1, "roof_tiles.jpg", 0}, {6, nullptr, 0.05f}}),
      MaterialText("Glass", "Window glass", "Diffuse 0.8 0.9 1\nTransparent 0.2\nIOR 1.52\n", 4, 14,
                   {}),
      MaterialText("Steel", "Brushed steel", "Diffuse 0.6 0.6 0.62\nIOR 2.5\n", 5, 15,
                   {{1, "unused.jpg", 0}, {6, "steel_metal.png", 0}, {5, nullptr, 0.3f}}),
      MaterialText(
          "LampGlow", "Lamp glow",
          "TypeNat 17\nDiffuse 1 0.9 0.7\nEmissiveIntensity 250\nemissiveColor [11592447]\n", 6, 16,
          {}),
      MaterialText("Wood", "Pine wood", "Diffuse 0.55 0.4 0.25\nIOR 1.3\n", 7, 17,
                   {{1, "pine.jpg", 0}}),
      MaterialText("Leaves", "Leaves", "Diffuse 0.2 0.45 0.15\nIOR 1.3\n", 8, 18,
                   {{1, "leaves.png", 0}, {2, "leaves_normal.png", 0}}),
  };
}

// The Brick material after the user made the bricks darker.
std::u16string ChangedBrick() {
  return MaterialText(
      "Brick", "Brick, dark", "Diffuse 0.45 0.18 0.15\nIOR 1.4\n", 2, 19,
      {{1, "brick_dark.jpg", 0}, {5, "brick_rough.png", 0}, {3, "brick_ao.png", 0.7f}});
}

std::u16string LightText(int id, const char* kind, const char* name, const char* extra, bool on) {
  std::ostringstream text;
  text << "Ver 1\nLightFlags [0]\nLightSource [" << kind << "]\n"
       << extra << "LightTimeStamp: [" << id << "]\nLightName [" << name << "]\nLightEnable: ["
       << (on ? 1 : 0) << "]\nLightSourceID [" << id - 100 << "]\nLightSolidID [" << id << "]\n";
  return cw::Widen(text.str());
}

std::vector<std::u16string> DemoLights() {
  return {
      LightText(101, "point", "Hall lamp", "From [0 0 2.6]\nColor [1 0.9 0.75]\nIntensity [600]\n",
                true),
      LightText(102, "spot", "Porch spot",
                "From [0 -4.6 2.8]\nTo [0.6 0 0]\nConeangle [40]\nIntensity "
                "[900]\nLightTemperature [3000]\n",
                true),
      LightText(103, "IES", "Garden wall washer",
                "From [8 3 0.3]\nTo [0 0 1.57]\nColor [1 1 1]\nIntensity [450]\n"
                "strIESF_FilePath [wallwasher.ies]\n",
                true),
      LightText(104, "point", "Cellar lamp (off)",
                "From [2 2 -1]\nColor [1 1 1]\nIntensity [300]\n", false),
      LightText(105, "Area", "Skylight", "From [0 0 5]\nColor [1 1 1]\nIntensity [200]\n", true),
  };
}

std::string CameraText(const char* name, const char* from, const char* to, float fov) {
  std::ostringstream text;
  text << "Camera_Start\nCamera_Version [1]\nCamera_nType [0]\nCamera__fov [" << fov
       << "]\nCamera_Name [" << name << "]\nCamera__from [" << from << "]\nCamera__to [" << to
       << "]\nCamera__up [0 0 1]\nCamera__fNerClipp [0.1]\nCamera_End\n";
  return text.str();
}

std::string CamerasText(int active, std::initializer_list<std::string> cameras) {
  std::string text =
      "Cameras_Start\nCameras_Version [1]\nCameras_nActCamera [" + std::to_string(active) + "]\n";
  for (const std::string& camera : cameras) {
    text += "Cameras_Camera_ObjectSTART\n" + camera + "Cameras_Camera_ObjectEND\n";
  }
  return text + "Cameras_End\n";
}

cw::Solid MakeSolid(std::uint32_t id, std::uint32_t time, std::vector<cw::Part> parts) {
  cw::Solid solid;
  solid.id = id;
  solid.time_stamp = time;
  solid.label = u"Solid " + cw::Widen(std::to_string(id));
  solid.parts = std::move(parts);
  return solid;
}

std::vector<cw::Solid> DemoSolids() {
  std::vector<cw::Solid> solids;
  solids.push_back(MakeSolid(1, 100, {ToPart(u"Grass", Terrain(64, 120))}));
  solids.push_back(MakeSolid(10, 101, {ToPart(u"Brick", Box(-6, -4, 0, 6, -3.7f, 3))}));
  solids.push_back(MakeSolid(11, 102, {ToPart(u"Brick", Box(5.7f, -4, 0, 6, 4, 3))}));
  solids.push_back(MakeSolid(12, 103, {ToPart(u"Brick", Box(-6, 3.7f, 0, 6, 4, 3))}));
  solids.push_back(MakeSolid(13, 104, {ToPart(u"Brick", Box(-6, -4, 0, -5.7f, 4, 3))}));
  solids.push_back(
      MakeSolid(14, 105, {ToPart(u"RoofTiles", GableRoof(-6.5f, -4.5f, 6.5f, 4.5f, 3, 5.5f))}));
  for (std::uint32_t w = 0; w < 4; ++w) {
    const float x = -4.5f + 3.0f * static_cast<float>(w);
    solids.push_back(
        MakeSolid(20 + w, 110 + w, {ToPart(u"Glass", Box(x, -4.05f, 1, x + 1.2f, -3.95f, 2.2f))}));
  }
  for (std::uint32_t t = 0; t < 12; ++t) {
    const float x = -30.0f + 5.5f * static_cast<float>(t);
    const float y = 14.0f + 4.0f * static_cast<float>(t % 3);
    solids.push_back(MakeSolid(30 + t, 120 + t,
                               {ToPart(u"Wood", Cylinder(x, y, 0, 2.5f, 0.25f, 16)),
                                ToPart(u"Leaves", Sphere(x, y, 4, 2.0f, 12, 16))}));
  }
  for (std::uint32_t l = 0; l < 3; ++l) {
    const float x = -8.0f + 8.0f * static_cast<float>(l);
    solids.push_back(MakeSolid(50 + l, 140 + l,
                               {ToPart(u"Steel", Cylinder(x, -9, 0, 3, 0.06f, 12)),
                                ToPart(u"LampGlow", Sphere(x, -9, 3.2f, 0.25f, 6, 8))}));
  }
  Mesh fence;
  for (int post = 0; post < 20; ++post) {
    const Mesh box = Box(-20.0f + 2.0f * static_cast<float>(post), -12, 0,
                         -19.9f + 2.0f * static_cast<float>(post), -11.9f, 1.1f);
    const auto first = static_cast<std::uint32_t>(fence.positions.size() / 3);
    fence.positions.insert(fence.positions.end(), box.positions.begin(), box.positions.end());
    fence.normals.insert(fence.normals.end(), box.normals.begin(), box.normals.end());
    fence.uvs.insert(fence.uvs.end(), box.uvs.begin(), box.uvs.end());
    for (std::uint32_t i : box.indices) fence.indices.push_back(first + i);
  }
  // The fence is written as plain triangles, without an index list.
  solids.push_back(MakeSolid(60, 150, {ToPart(u"Wood", fence, /*with_indices=*/false)}));
  return solids;
}

std::u16string DemoCameras() {
  return cw::Widen(CamerasText(0, {CameraText("Entrance", "0 -25 1.7", "0 0 1.5", 45),
                                   CameraText("Garden", "-20 20 1.7", "0 0 2", 50),
                                   CameraText("Bird's eye", "40 -40 35", "0 0 0", 40)}));
}

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  return out;
}

std::string Count(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string DescribeBody(const cw::ModelBody& body) {
  std::size_t triangles = 0;
  for (const cw::Solid& solid : body.solids) {
    for (const cw::Part& part : solid.parts) triangles += TriangleCount(part);
  }
  std::string out = Count(body.materials.size(), "material", "materials") + ", " +
                    Count(body.lights.size(), "light", "lights") + ", " +
                    Count(body.solids.size(), "solid", "solids") + " (" +
                    Count(triangles, "triangle", "triangles") + ")";
  if (body.cameras) {
    std::size_t views = 0;
    const std::u16string start = u"Cameras_Camera_ObjectSTART";
    for (auto at = body.cameras->find(start); at != std::u16string::npos;
         at = body.cameras->find(start, at + 1)) {
      ++views;
    }
    out += ", " + Count(views, "saved view", "saved views");
  }
  return out;
}

std::string DescribeRemovals(const cw::RemovalSection& removals) {
  std::string out = "removal lists";
  for (const cw::RemovalList& list : removals.lists) {
    out += &list == &removals.lists.front() ? " " : ", ";
    out += Narrow(list.name);
    for (std::uint32_t id : list.ids) {
      out += ' ';
      out += std::to_string(id);
    }
  }
  return out;
}

}  // namespace

cw::Container DemoModel() {
  cw::ModelBody body;
  body.materials = DemoMaterials();
  body.lights = DemoLights();
  body.solids = DemoSolids();
  body.cameras = DemoCameras();
  return cw::ModelFile(kDemoProject, std::move(body));
}

cw::Container DemoUpdate() {
  cw::ModelBody body;
  body.materials = {ChangedBrick()};
  body.lights = DemoLights();
  body.solids.push_back(MakeSolid(11, 160,
                                  {ToPart(u"Brick", Box(5.7f, -4, 0, 6, -0.6f, 3)),
                                   ToPart(u"Brick", Box(5.7f, 0.6f, 0, 6, 4, 3)),
                                   ToPart(u"Brick", Box(5.7f, -0.6f, 2.2f, 6, 0.6f, 3)),
                                   ToPart(u"Wood", Box(5.75f, -0.6f, 0, 5.85f, 0.6f, 2.2f))}));
  body.solids.push_back(
      MakeSolid(80, 161,
                {ToPart(u"Wood", Box(12, 6, 0, 15, 9, 2.2f)),
                 ToPart(u"RoofTiles", GableRoof(11.8f, 5.8f, 15.2f, 9.2f, 2.2f, 3.2f))}));
  cw::RemovalSection removals{{{u"Solid", {33, 34, 11}}, {u"Material", {2}}}};
  return cw::IncrementalFile(kDemoProject, std::move(removals), std::move(body));
}

cw::Container SmallModel(std::uint32_t format_version) {
  cw::ModelBody body;
  body.materials = {DemoMaterials()[1]};
  body.solids.push_back(MakeSolid(10, 101, {ToPart(u"Brick", Box(0, 0, 0, 1, 1, 1))}));
  cw::Container container = cw::ModelFile(kDemoProject, std::move(body));
  container.format_version = format_version;
  return container;
}

std::string DescribeContainer(const cw::Container& container) {
  std::string out;
  for (const cw::Slot& slot : container.slots) {
    if (out.empty()) {
      out = "project " + Narrow(slot.name);
      if (container.format_version != 7) {
        out += " (format version " + std::to_string(container.format_version) + ")";
      }
    }
    if (const auto* removals = std::get_if<cw::RemovalSection>(&slot.body)) {
      out += ": ";
      out += DescribeRemovals(*removals);
      out += "; then";
    }
    if (const auto* body = std::get_if<cw::ModelBody>(&slot.body)) {
      out += (out.ends_with("then") ? " " : ": ") + DescribeBody(*body);
    }
  }
  return out;
}

std::string DemoCameraText() { return CameraText("Current", "-12 -18 1.7", "0 0 1.8", 55); }

std::string DemoViewsText() {
  return CamerasText(1, {CameraText("Entrance", "0 -24 1.7", "0 0 1.5", 45),
                         CameraText("Garden", "-20 20 1.7", "0 0 2", 50),
                         CameraText("Bird's eye", "40 -40 35", "0 0 0", 40),
                         CameraText("Terrace", "10 -8 1.6", "0 0 1.6", 60)});
}

}  // namespace tarnwick::host_sim
