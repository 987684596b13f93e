// The host's light records: the Light keyed text record and its kinds.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

// Kind of light, from the text of the "LightSource" value.
enum class LightSourceType : std::int32_t {
  Point = 0,
  Spot = 1,
  IES = 2,
  Area = 3,
  Line = 4,
  Led = 5,
  Emissive = 6,
  Camera = 7,
  Uninitialized = -1,
  InvalidLightParentSolidID = -88888888,
};

// One light as the host describes it; `From` and `To` are held in renderer axes after reading.
struct LightRecord {
  std::array<float, 3> From{};
  std::array<float, 3> To{};
  std::array<float, 3> Color{};
  std::u16string strIESF_FilePath;
  float LightTemperature = 0.0f;
  std::int32_t LightSourceID = 0;
  std::int32_t LightSolidID = 0;
  std::int32_t LightTimeStamp = 0;
  LightSourceType LightSource = LightSourceType::Point;
  float Coneangle = 0.0f;
  float Conedeltaangle = 0.0f;
  float Intensity = 0.0f;
  float fLedIntensitiUnit = 0.0f;
  std::int32_t LightFlags = 0;
  std::u16string LightSourceIDName;
  std::u16string LightName;
  bool LightEnable = true;
};

// Reads a Light record text into a record that holds its defaults, then sets the kind,
// converts `From` and `To` to renderer axes and sets `LightEnable`.
void ReadLightRecord(LightRecord& record, std::u16string_view text);

}  // namespace tarnwick
