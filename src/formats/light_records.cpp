#include <string>

#include "formats/axes.h"
#include "formats/keyed_audit.h"
#include "formats/keyed_record.h"
#include "formats/light_record.h"

namespace tarnwick {

namespace {

// The light while it is read: the kind name and the switch are held aside and
// turned into `LightSource` and `LightEnable` after the last line.
struct LightReading : LightRecord {
  std::u16string kind_text;
  std::int32_t enable = 1;
};

constexpr KeyedKind kLightKind{u"", u"", false};

constexpr KeyRow<LightReading> kLightKeys[] = {
    {u"Ver", KeyForm::Bare, UnusedValue{}},
    {u"LightFlags", KeyForm::Bracketed, &LightRecord::LightFlags},
    {u"LightSource", KeyForm::Bracketed, &LightReading::kind_text},
    {u"LightSourceIDName", KeyForm::Bracketed, &LightRecord::LightSourceIDName},
    {u"From", KeyForm::Bracketed, &LightRecord::From},
    {u"To", KeyForm::Bracketed, &LightRecord::To},
    {u"Color", KeyForm::Bracketed, &LightRecord::Color},
    {u"Coneangle", KeyForm::Bracketed, &LightRecord::Coneangle},
    {u"Conedeltaangle", KeyForm::Bracketed, &LightRecord::Conedeltaangle},
    {u"Intensity", KeyForm::Bracketed, &LightRecord::Intensity},
    {u"fLedIntensitiUnit", KeyForm::Bracketed, &LightRecord::fLedIntensitiUnit},
    {u"LightTimeStamp:", KeyForm::Bracketed, &LightRecord::LightTimeStamp},
    {u"LightName", KeyForm::Bracketed, &LightRecord::LightName},
    {u"strIESF_FilePath", KeyForm::Bracketed, &LightRecord::strIESF_FilePath},
    {u"LightTemperature", KeyForm::Bracketed, &LightRecord::LightTemperature},
    {u"LightEnable:", KeyForm::Bracketed, &LightReading::enable},
    {u"LightSourceID", KeyForm::Bracketed, &LightRecord::LightSourceID},
    {u"LightSolidID", KeyForm::Bracketed, &LightRecord::LightSolidID},
};

struct KindName {
  std::u16string_view text;
  LightSourceType type;
};

constexpr KindName kKindNames[] = {
    {u"point", LightSourceType::Point},
    {u"spot", LightSourceType::Spot},
    {u"IES", LightSourceType::IES},
    {u"Area", LightSourceType::Area},
    {u"Line", LightSourceType::Line},
    {u"Led", LightSourceType::Led},
    {u"Emissive", LightSourceType::Emissive},
    {u"Camera", LightSourceType::Camera},
    {u"Uninitialized", LightSourceType::Uninitialized},
    {u"eInvalidLightParentSolidID", LightSourceType::InvalidLightParentSolidID},
};

LightSourceType KindFromText(std::u16string_view text) {
  for (const KindName& name : kKindNames) {
    if (name.text == text) return name.type;
  }
  return LightSourceType::Point;
}

}  // namespace

void ReadLightRecord(LightRecord& record, std::u16string_view text) {
  LightReading reading;
  static_cast<LightRecord&>(reading) = record;
  ReadKeyedRecord<LightReading>(reading, kLightKind, kLightKeys, text);
  record = static_cast<const LightRecord&>(reading);
  record.LightSource = KindFromText(reading.kind_text);
  record.From = RendererAxes(record.From);
  record.To = RendererAxes(record.To);
  record.LightEnable = reading.enable != 0;
}

KeyedAudit AuditLightRecord(std::u16string_view text) {
  return AuditKeyedRecord<LightReading>(kLightKind, kLightKeys, text);
}

}  // namespace tarnwick
