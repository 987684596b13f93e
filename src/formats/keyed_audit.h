// What a keyed record text holds that its reader does not take: lines that no
// key of the kind takes (the reader passes over them) and key lines whose
// number cannot be read (the field keeps its default). The reading itself
// never reports anything; the inspector asks this instead.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "formats/keyed_record.h"

namespace tarnwick {

// The outcome of an audit of one record text.
struct KeyedAudit {
  std::size_t skipped_lines = 0;      // non-empty lines no key takes
  std::size_t unreadable_values = 0;  // key lines whose number is not read
  std::u16string first_skipped;       // the first skipped line
  std::u16string first_unreadable;    // the key of the first unreadable value
};

namespace keyed_detail {

// True when the value of a key of this target is read in full.
template <class Record>
bool ValueReadable(const KeyTarget<Record>& target, std::u16string_view value) {
  float numbers[3] = {};
  std::int32_t integer = 0;
  if (std::holds_alternative<std::int32_t Record::*>(target)) return ScanInt32(value, integer);
  if (std::holds_alternative<float Record::*>(target)) return ScanFloats(value, std::span<float>(numbers, 1)) == 1;
  if (std::holds_alternative<std::array<float, 3> Record::*>(target)) return ScanFloats(value, numbers) == 3;
  return true;
}

// Audits one line against the table the way ApplyFirstKey applies it; false when no key takes it.
template <class Record>
bool AuditLine(const KeyedKind& kind, std::span<const KeyRow<Record>> keys, KeyedLineReader& reader,
               std::u16string_view line, KeyedAudit& audit) {
  for (const KeyRow<Record>& row : keys) {
    if (std::holds_alternative<ChildObject<Record>>(row.target)) {
      if (!MatchChildLine(line, kind.prefix, row.key, u"_ObjectSTART")) continue;
      const std::u16string open = std::u16string(kind.prefix) + std::u16string(row.key);
      reader.TakeChildBody(open + u"_ObjectSTART", open + u"_ObjectEND");
      return true;
    }
    if (auto value = MatchKeyLine(line, kind.prefix, row.key, row.form)) {
      if (!ValueReadable(row.target, *value)) {
        if (audit.unreadable_values++ == 0) audit.first_unreadable = std::u16string(row.key);
      }
      return true;
    }
  }
  return false;
}

}  // namespace keyed_detail

// Audits a record text of a kind against its key table.
template <class Record>
KeyedAudit AuditKeyedRecord(const KeyedKind& kind, std::span<const KeyRow<Record>> keys,
                            std::u16string_view text) {
  KeyedAudit audit;
  KeyedLineReader reader(kind, text);
  const std::u16string start = std::u16string(kind.name) + u"_Start";
  std::u16string_view line;
  while (reader.NextKeyLine(line)) {
    // The Start line of a bracketed kind reaches the key tests but is no key line.
    if (line.empty() || (kind.bracketed && line == start)) continue;
    if (!keyed_detail::AuditLine(kind, keys, reader, line, audit)) {
      if (audit.skipped_lines++ == 0) audit.first_skipped = std::u16string(line);
    }
  }
  return audit;
}

// Audits of the host's record kinds, with their own key tables.
KeyedAudit AuditMaterialRecord(std::u16string_view text);
KeyedAudit AuditLightRecord(std::u16string_view text);
KeyedAudit AuditCameraRecord(std::u16string_view text);

}  // namespace tarnwick
