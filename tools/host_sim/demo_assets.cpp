#include "host_sim/demo_assets.h"

#include <fstream>
#include <system_error>

#include "host_sim/demo_images.h"

namespace tarnwick::host_sim {

namespace {

namespace fs = std::filesystem;

// The folders below the exchange folder, as the renderer is given them.
constexpr char kTextures[] = "Textures";
constexpr char kIes[] = "IES";

// A texture's name and its checker's two colours (a normal map is the flat normal).
struct Texture {
  const char* name;
  Rgb first, second;
};
constexpr Rgb kFlatNormal{128, 128, 255};
constexpr Rgb kNormalShade{120, 136, 250};
constexpr Texture kTextureFiles[] = {
    {"grass.jpg", {77, 140, 51}, {64, 122, 42}},
    {"grass_normal.png", kFlatNormal, kNormalShade},
    {"brick.jpg", {153, 64, 51}, {120, 50, 40}},
    {"brick_dark.jpg", {115, 46, 38}, {90, 36, 30}},
    {"brick_rough.png", {180, 180, 180}, {150, 150, 150}},
    {"brick_ao.png", {220, 220, 220}, {200, 200, 200}},
    {"roof_tiles.jpg", {128, 51, 26}, {100, 40, 20}},
    {"unused.jpg", {128, 128, 128}, {110, 110, 110}},
    {"steel_metal.png", {200, 200, 200}, {170, 170, 170}},
    {"pine.jpg", {140, 102, 64}, {120, 86, 52}},
    {"leaves.png", {51, 115, 38}, {40, 95, 30}},
    {"leaves_normal.png", kFlatNormal, kNormalShade},
};

// An IES profile (LM-63-2002) of a wall washer: one lamp of 1000 lm, candelas at five
// vertical angles, the same all round.
constexpr char kWallWasher[] =
    "IESNA:LM-63-2002\r\n"
    "[TEST] Tarnwick demonstration\r\n"
    "[MANUFAC] Tarnwick\r\n"
    "[LUMINAIRE] Garden wall washer\r\n"
    "TILT=NONE\r\n"
    "1 1000 1 5 1 1 2 0.1 0.1 0.1\r\n"
    "1.0 1.0 20\r\n"
    "0 22.5 45 67.5 90\r\n"
    "0\r\n"
    "400 380 300 150 20\r\n";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::vector<DemoAsset> DemoAssets() {
  std::vector<DemoAsset> assets;
  for (const Texture& texture : kTextureFiles) {
    const std::string name = texture.name;
    assets.push_back({std::string(kTextures) + "/" + name,
                      EndsWith(name, ".png") ? CheckerPng(texture.first, texture.second)
                                             : CheckerJpeg(texture.first, texture.second)});
  }
  assets.push_back({std::string(kIes) + "/wallwasher.ies", kWallWasher});
  return assets;
}

bool WriteDemoAssets(const fs::path& exchange_folder) {
  for (const DemoAsset& asset : DemoAssets()) {
    const fs::path path = exchange_folder / fs::path(asset.path);
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(asset.bytes.data(), static_cast<std::streamsize>(asset.bytes.size()));
    if (!out.flush()) return false;
  }
  return true;
}

void CopyDemoAssets(const fs::path& from, const fs::path& to) {
  for (const char* folder : {kTextures, kIes}) {
    std::error_code error;
    if (!fs::is_directory(from / folder, error)) continue;
    fs::create_directories(to / folder, error);
    fs::copy(from / folder, to / folder,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
  }
}

}  // namespace tarnwick::host_sim
