// Fuzzes one keyed text record reader, chosen when the target is built
// (TEXT_RECORD_KIND). The input bytes are UTF-16LE text; an odd last byte is dropped.
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/camera_record.h"
#include "formats/light_record.h"
#include "formats/material_record.h"

#define KIND_CAMERA 1
#define KIND_CAMERAS 2
#define KIND_LIGHT 3
#define KIND_MATERIAL 4
#define KIND_EXTEND_MATERIAL 5

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text(size / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
#if TEXT_RECORD_KIND == KIND_CAMERA
  tarnwick::CameraRecord camera;
  tarnwick::ReadCameraRecord(camera, text);
#elif TEXT_RECORD_KIND == KIND_CAMERAS
  tarnwick::CameraList views;
  tarnwick::ReadCamerasRecord(views, text);
#elif TEXT_RECORD_KIND == KIND_LIGHT
  tarnwick::LightRecord light;
  tarnwick::ReadLightRecord(light, text);
#elif TEXT_RECORD_KIND == KIND_MATERIAL
  tarnwick::MaterialRecord material;
  tarnwick::ReadMaterialRecord(material, text);
  if (material.Roughness < 0.0f) __builtin_trap();
#elif TEXT_RECORD_KIND == KIND_EXTEND_MATERIAL
  tarnwick::ExtendMaterial extension;
  tarnwick::ReadExtendMaterial(extension, text);
#else
#error "TEXT_RECORD_KIND names no reader"
#endif
  return 0;
}
