// A host light becomes a renderer light: name, properties and transform.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "formats/light_record.h"
#include "formats/light_transform.h"
#include "renderer/d5api.h"
#include "renderer/export_settings.h"

namespace tarnwick {

// "Light" followed by the light's id in signed decimal.
std::u16string RendererLightName(std::int32_t light_solid_id);


// Sends a switched-on point, spot or IES light (IES profiles from the exchange folder's IES
// folder); any other light sends nothing.
void ExportLight(D5Session session, const LightRecord& record, const ExportSettings& settings);

}  // namespace tarnwick
