#include "renderer/light_export.h"

#include <cmath>

#include "formats/light_transform.h"
#include "protocol/protocol.h"
#include "platform/text.h"

namespace tarnwick {

namespace {

bool IsExported(const LightRecord& record) {
  const LightSourceType kind = record.LightSource;
  return record.LightEnable && (kind == LightSourceType::Point ||
                                kind == LightSourceType::Spot || kind == LightSourceType::IES);
}

void SetString(D5Session session, const std::u16string& name, const char16_t* property,
               const std::u16string& value) {
  D5API_SetLightStringProperty(session, name.c_str(), property, value.c_str());
}

void SetInt(D5Session session, const std::u16string& name, const char16_t* property,
            std::int32_t value) {
  D5API_SetLightIntProperty(session, name.c_str(), property, value);
}

void SetFloat(D5Session session, const std::u16string& name, const char16_t* property,
              float value) {
  D5API_SetLightFloatProperty(session, name.c_str(), property, value);
}

// Creates the light and sets everything up to its colour; returns its name.
std::u16string AddLight(D5Session session, const LightRecord& record) {
  const std::u16string name = RendererLightName(record.LightSolidID);
  const bool directed =
      record.LightSource == LightSourceType::Spot || record.LightSource == LightSourceType::IES;
  D5API_AddLight(session, name.c_str());
  SetString(session, name, u"id", name);
  SetString(session, name, u"group_id", u"0");
  SetString(session, name, u"path", u"Lights/" + name);
  SetInt(session, name, u"type", directed ? 1 : 0);
  SetString(session, name, u"light_name", record.LightName);
  SetInt(session, name, u"brightness_units", 1);
  SetFloat(session, name, u"brightness", record.Intensity);
  if (record.LightTemperature > 0.0f) {
    SetFloat(session, name, u"light_temperature", record.LightTemperature);
  } else {
    const std::array<float, 3> color{record.Color[0] * 255.0f, record.Color[1] * 255.0f,
                                     record.Color[2] * 255.0f};
    D5API_SetLightFloatArrayProperty(session, name.c_str(), u"light_color", color.data(),
                                     color.size());
  }
  return name;
}

}  // namespace

std::u16string RendererLightName(std::int32_t light_solid_id) {
  return u"Light" + DecimalU16(light_solid_id);
}

void ExportLight(D5Session session, const LightRecord& record, const ExportSettings& settings) {
  if (!IsExported(record)) return;
  const std::u16string name = AddLight(session, record);
  const std::array<float, 16> transform = LightTransform(record);
  D5API_SetLightFloatArrayProperty(session, name.c_str(), u"transform", transform.data(),
                                   transform.size());
  if (record.LightSource == LightSourceType::Spot) {
    SetFloat(session, name, u"light_cone_angle", record.Coneangle);
  } else if (record.LightSource == LightSourceType::IES) {
    SetString(session, name, u"light_template",
              settings.exchange_folder + protocol::kIesFolder.wide + record.strIESF_FilePath);
  }
  D5API_SendLights(session);
}

}  // namespace tarnwick
