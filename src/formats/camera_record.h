// The host's camera and saved views: the Camera and Cameras keyed text records
// and the files "camera.cam" and "Views.cam" that carry them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// One camera or saved view, in host axes; the fields carry the names of their keys.
struct CameraRecord {
  std::int32_t nType = 0;
  float _fov = 0.0f;
  std::array<float, 3> _from{};
  std::array<float, 3> _to{};
  std::array<float, 3> _up{};
  std::u16string Name;
  float _fNerClipp = 0.0f;
};

// The saved views in text order and the index of the active one (not checked against the list).
struct CameraList {
  std::vector<CameraRecord> cameras;
  std::int32_t nActCamera = 0;
};

// Reads a Camera record text into a record that holds its defaults.
void ReadCameraRecord(CameraRecord& record, std::u16string_view text);

// Reads a Cameras record text into an empty list.
void ReadCamerasRecord(CameraList& list, std::u16string_view text);

// The whole text of "camera.cam" or "Views.cam": bytes as Latin-1, a CR before an LF dropped;
// nothing when the file cannot be opened.
std::optional<std::u16string> LoadCameraFileText(const std::u16string& path);

}  // namespace tarnwick
