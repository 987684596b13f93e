#include "inspect/record_checks.h"

#include "formats/keyed_record.h"
#include "formats/light_record.h"
#include "formats/material_record.h"
#include "platform/file_io.h"
#include "platform/text.h"
#include "protocol/protocol.h"

namespace tarnwick::inspect {

namespace {

// The extension types whose texture file the material export sends, and the nFlag bit
// that says strFile is a texture to use.
constexpr std::int32_t kTextureTypes[] = {1, 2, 5, 6};
constexpr std::int32_t kTextureBit = 2;

// The name of a light kind that is read but not known to the reader, and of no kind line.
constexpr char kUnknownKind[] = "unknown";
constexpr char kDefaultKind[] = "point";

const ExtendMaterial* FirstExtension(const MaterialRecord& record, std::int32_t type) {
  for (const ExtendMaterial& extension : record.MatExt) {
    if (extension.Type == type) return &extension;
  }
  return nullptr;
}

// The text of the last "LightSource [...]" line, which the light reader turns into the kind.
std::optional<std::u16string> LightKindText(const std::u16string& text) {
  static constexpr KeyedKind kBare{u"", u"", false};
  KeyedLineReader reader(kBare, text);
  std::optional<std::u16string> kind;
  std::u16string_view line;
  while (reader.NextKeyLine(line)) {
    // "LightFlags" is the one key tested before it, and it cannot match the same line.
    if (auto value = MatchKeyLine(line, u"", u"LightSource", KeyForm::Bracketed)) {
      kind = std::u16string(StringValue(*value));
    }
  }
  return kind;
}

bool IsSentKind(LightSourceType kind) {
  return kind == LightSourceType::Point || kind == LightSourceType::Spot ||
         kind == LightSourceType::IES;
}

}  // namespace

void CheckMaterialText(const std::u16string& text, const RecordContext& context, BodySummary& body) {
  MaterialRecord record;
  ReadMaterialRecord(record, text);
  ++body.materials;
  const std::string name = Utf8FromUtf16(record.MaterialID_Name);
  Location where{.file = context.file, .slot = context.slot, .material = name};
  ReportAudit(AuditMaterialRecord(text), "material", where, *context.log);
  if (record.MaterialID_Name.empty()) {
    context.log->Add("material_name_missing", "a material record has no MaterialID_Name line",
                     where);
  }
  for (const std::int32_t type : kTextureTypes) {
    const ExtendMaterial* extension = FirstExtension(record, type);
    if (!extension || (extension->nFlag & kTextureBit) == 0 || extension->strFile.empty()) continue;
    // The material export hands the renderer this path; the renderer opens it.
    const std::u16string path =
        context.exchange_folder + protocol::kTexturesFolder.wide + extension->strFile;
    if (!FileExists(path)) {
      context.log->Add("texture_missing",
                       "texture \"" + Utf8FromUtf16(extension->strFile) + "\" of material \"" +
                           name + "\" is not in the Textures folder",
                       where);
    }
  }
}

void CheckLightText(const std::u16string& text, const RecordContext& context, LightCounts& lights) {
  LightRecord record;
  ReadLightRecord(record, text);
  const std::optional<std::u16string> kind_text = LightKindText(text);
  std::string kind = kind_text ? Utf8FromUtf16(*kind_text) : kDefaultKind;
  Location where{.file = context.file, .slot = context.slot,
                 .light = Utf8FromUtf16(record.LightName)};
  // The reader makes every kind it does not know a point light.
  if (kind_text && kind != kDefaultKind && record.LightSource == LightSourceType::Point) {
    context.log->Add("light_kind_unknown",
                     "light kind \"" + kind + "\" is not known; the bridge sends a point light",
                     where);
    kind = kUnknownKind;
  }
  ReportAudit(AuditLightRecord(text), "light", where, *context.log);
  ++lights.total;
  ++lights.by_kind[kind];
  if (!record.LightEnable) ++lights.switched_off;
  if (!record.LightEnable || !IsSentKind(record.LightSource)) {
    ++lights.not_sent;
    context.log->Add("light_not_sent",
                     record.LightEnable ? "a light of kind \"" + kind + "\" is not sent"
                                        : std::string("a switched-off light is not sent"),
                     where);
  } else if (record.LightSource == LightSourceType::IES) {
    const std::u16string path =
        context.exchange_folder + protocol::kIesFolder.wide + record.strIESF_FilePath;
    if (record.strIESF_FilePath.empty() || !FileExists(path)) {
      context.log->Add("ies_missing",
                       "IES profile \"" + Utf8FromUtf16(record.strIESF_FilePath) +
                           "\" is not in the IES folder",
                       where);
    }
  }
}

ViewsSummary CheckViewsText(const std::u16string& text, const RecordContext& context) {
  CameraList list;
  ReadCamerasRecord(list, text);
  ViewsSummary views;
  views.active = list.nActCamera;
  for (const CameraRecord& camera : list.cameras) views.views.push_back(SummaryOf(camera));
  if (!list.cameras.empty() &&
      (list.nActCamera < 0 || static_cast<std::size_t>(list.nActCamera) >= list.cameras.size())) {
    context.log->Add("active_view_outside",
                     "active view " + std::to_string(list.nActCamera) + " is not one of the " +
                         std::to_string(list.cameras.size()) + " views; no camera is set from it",
                     Location{.file = context.file, .slot = context.slot});
  }
  return views;
}

void ReportAudit(const KeyedAudit& audit, const char* kind, const Location& where, FindingLog& log) {
  if (audit.skipped_lines > 0) {
    log.Add("keyed_line_skipped",
            std::to_string(audit.skipped_lines) + " lines of a " + kind + " record are passed over, the first \"" +
                Utf8FromUtf16(audit.first_skipped) + "\"",
            where, audit.skipped_lines);
  }
  if (audit.unreadable_values > 0) {
    log.Add("keyed_value_unreadable",
            std::to_string(audit.unreadable_values) + " values of a " + kind +
                " record are not read (the first of key \"" + Utf8FromUtf16(audit.first_unreadable) +
                "\"); their fields keep the defaults",
            where, audit.unreadable_values);
  }
}

CameraSummary SummaryOf(const CameraRecord& camera) {
  return CameraSummary{Utf8FromUtf16(camera.Name), camera._from, camera._to, camera._up, camera._fov};
}

}  // namespace tarnwick::inspect
