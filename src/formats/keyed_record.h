// The reading rules shared by every keyed text record of the host (cameras,
// views, lights, materials and material extensions). A kind is described by
// its syntax and a table of keys; ReadKeyedRecord is the one reading loop.
//
// A line is a key line when it begins with prefix + key + separator, the
// separator being " " (bare form) or " [" (bracketed form). Keys are tried in
// table order and the first that holds is applied. Numbers follow the C
// library's formatted input: each conversion skips white space, stores its value
// at once, and the first failed conversion ends the scan. String values are the
// rest of the line with one closing "]" removed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace tarnwick {

// Where a key's value stands: "key value" (bare) or "key [value]" (bracketed).
enum class KeyForm : std::uint8_t { Bare, Bracketed };

// The syntax of one record kind.
struct KeyedKind {
  std::u16string_view name;    // kind name of the marker lines ("Camera"); empty for bare kinds
  std::u16string_view prefix;  // put before every key ("Camera_"); empty for bare kinds
  bool bracketed;              // only lines between name + "_Start" and name + "_End" are read
};

// A key whose value is read and not used (the version lines).
struct UnusedValue {};

// A child object whose kind is the row's key: its body, collected between
// prefix + key + "_ObjectSTART" and the matching prefix + key + "_ObjectEND",
// is handed to `append`.
template <class Record>
struct ChildObject {
  void (*append)(Record& parent, std::u16string_view body);
};

// The field a key fills; the member's type fixes the value form
// (integer "%d", float "%f", triple "%f %f %f", string).
template <class Record>
using KeyTarget = std::variant<UnusedValue, std::int32_t Record::*, float Record::*,
                               std::array<float, 3> Record::*, std::u16string Record::*,
                               ChildObject<Record>>;

// One row of a kind's key table (a child object's row tests its own lines and
// ignores `form`).
template <class Record>
struct KeyRow {
  std::u16string_view key;
  KeyForm form;
  KeyTarget<Record> target;
};

// Walks the lines of a record text and keeps the "inside" flag of bracketed kinds.
class KeyedLineReader {
 public:
  KeyedLineReader(const KeyedKind& kind, std::u16string_view text);

  // The next line that goes to the key tests; false after the last line.
  bool NextKeyLine(std::u16string_view& line);

  // Collects the body of a child object whose opening line was just returned.
  // Nothing when the text ends first; the reader is then at its end.
  std::optional<std::u16string_view> TakeChildBody(std::u16string_view open,
                                                   std::u16string_view close);

 private:
  bool NextLine(std::u16string_view& line);

  KeyedKind kind_;
  std::u16string_view text_;
  std::size_t next_ = 0;
  bool at_end_ = false;
  bool inside_ = false;
};

// The text after prefix + key + separator when the line is a key line of that key.
std::optional<std::u16string_view> MatchKeyLine(std::u16string_view line,
                                                std::u16string_view prefix,
                                                std::u16string_view key, KeyForm form);

// True when the line begins with prefix + child kind + suffix.
bool MatchChildLine(std::u16string_view line, std::u16string_view prefix,
                    std::u16string_view child, std::u16string_view suffix);

// "%d": stores into `value` and returns true when an integer was converted.
bool ScanInt32(std::u16string_view text, std::int32_t& value);

// "%f" repeated `values.size()` times: each converted value is stored at once,
// the first failure stops the scan; a value that is not finite is a failure.
// Returns how many values were converted.
std::size_t ScanFloats(std::u16string_view text, std::span<float> values);

// The string value: the text with one closing "]" at its very end removed.
std::u16string_view StringValue(std::u16string_view text);

namespace keyed_detail {

template <class Record>
void ApplyValue(Record& record, const KeyTarget<Record>& target, std::u16string_view value) {
  if (auto* integer = std::get_if<std::int32_t Record::*>(&target)) {
    ScanInt32(value, record.**integer);
  } else if (auto* real = std::get_if<float Record::*>(&target)) {
    ScanFloats(value, std::span<float>(&(record.**real), 1));
  } else if (auto* triple = std::get_if<std::array<float, 3> Record::*>(&target)) {
    ScanFloats(value, record.**triple);
  } else if (auto* text = std::get_if<std::u16string Record::*>(&target)) {
    record.**text = std::u16string(StringValue(value));
  }
}

// Applies the first key of the table whose test holds; false when none does.
template <class Record>
bool ApplyFirstKey(Record& record, const KeyedKind& kind, std::span<const KeyRow<Record>> keys,
                   KeyedLineReader& reader, std::u16string_view line) {
  // No key is empty: a line no longer than the prefix is no key line, and a key line's
  // unit after the prefix is its key's first. Crafted texts hold millions of lines.
  if (line.size() <= kind.prefix.size()) return false;
  const char16_t first = line[kind.prefix.size()];
  for (const KeyRow<Record>& row : keys) {
    if (row.key.front() != first) continue;
    if (auto* child = std::get_if<ChildObject<Record>>(&row.target)) {
      if (!MatchChildLine(line, kind.prefix, row.key, u"_ObjectSTART")) continue;
      std::u16string open = std::u16string(kind.prefix) + std::u16string(row.key);
      std::u16string close = open + u"_ObjectEND";
      open += u"_ObjectSTART";
      if (auto body = reader.TakeChildBody(open, close)) child->append(record, *body);
      return true;
    }
    if (auto value = MatchKeyLine(line, kind.prefix, row.key, row.form)) {
      ApplyValue(record, row.target, *value);
      return true;
    }
  }
  return false;
}

}  // namespace keyed_detail

// Reads a record text into a record that holds its defaults; never fails.
template <class Record>
void ReadKeyedRecord(Record& record, const KeyedKind& kind,
                     std::span<const KeyRow<Record>> keys, std::u16string_view text) {
  KeyedLineReader reader(kind, text);
  std::u16string_view line;
  while (reader.NextKeyLine(line)) {
    keyed_detail::ApplyFirstKey(record, kind, keys, reader, line);
  }
}

}  // namespace tarnwick
