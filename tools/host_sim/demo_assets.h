// The files the demonstration's model names besides the exchange files: its
// textures (in the exchange folder's "Textures") and its IES profile (in
// "IES"), small but real, as the host's plug-in exports them, so that the
// demonstration's folder holds everything it names.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick::host_sim {

// One file: its path below the exchange folder ("Textures/grass.jpg") and its bytes.
struct DemoAsset {
  std::string path;
  std::string bytes;
};

// Every texture and IES profile that the demonstration's model and its edit name.
std::vector<DemoAsset> DemoAssets();

// Writes them below the exchange folder, making the folders; false on any failure.
bool WriteDemoAssets(const std::filesystem::path& exchange_folder);

// Copies them, where present, from one exchange folder to another.
void CopyDemoAssets(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace tarnwick::host_sim
