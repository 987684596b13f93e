// A host material becomes a renderer material: template, colours, textures.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "formats/material_record.h"
#include "renderer/d5api.h"
#include "renderer/export_settings.h"

namespace tarnwick {

// Sends one material with all its properties, in the renderer's order.
void ExportMaterial(D5Session session, const MaterialRecord& record, const ExportSettings& settings);

// Sends the texture path of the first extension of the type; true when a path was sent.
// Nothing is sent in colour mode; the path is the exchange folder's Textures folder and the name.
bool SendTextureProperty(D5Session session, const MaterialRecord& record, std::int32_t type,
                         const char16_t* property, const ExportSettings& settings);

// Sends the value of the first extension of the type; true when a value was sent.
bool SendExtensionValue(D5Session session, const MaterialRecord& record, std::int32_t type,
                        const char16_t* property);

// "#RRGGBB" of a colour whose components are fractions of full intensity.
std::u16string DiffuseColorText(const std::array<float, 3>& color);

// "#RRGGBB" of a colour packed red in bits 0-7, green 8-15, blue 16-23.
std::u16string PackedColorText(std::int32_t packed);

}  // namespace tarnwick
