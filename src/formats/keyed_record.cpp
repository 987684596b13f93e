#include "formats/keyed_record.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/text.h"

namespace tarnwick {

namespace {

// White space of the C library's formatted input in the "C" locale. The line
// never holds an LF, but a CR at its end does count as white space.
bool IsScanSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool IsScanSpace(char c) { return IsScanSpace(static_cast<char16_t>(static_cast<unsigned char>(c))); }

// True when `line` equals `name` followed by `suffix`, without building the string.
bool EqualsJoined(std::u16string_view line, std::u16string_view name, std::u16string_view suffix) {
  return line.size() == name.size() + suffix.size() && line.starts_with(name) &&
         line.substr(name.size()) == suffix;
}

// What follows `prefix`, `key` and `separator` at the start of the line, or nothing
// when the line does not begin with them, without building the joined text.
std::optional<std::u16string_view> AfterJoined(std::u16string_view line, std::u16string_view prefix,
                                               std::u16string_view key,
                                               std::u16string_view separator) {
  // Every line is tried against every key of its kind: most fail on their length or on
  // the key's first unit, and are told so without a comparison of the whole text.
  if (line.size() < prefix.size() + key.size() + separator.size()) return std::nullopt;
  if (!key.empty() && line[prefix.size()] != key.front()) return std::nullopt;
  for (const std::u16string_view part : {prefix, key, separator}) {
    if (!line.starts_with(part)) return std::nullopt;
    line.remove_prefix(part.size());
  }
  return line;
}

}  // namespace

KeyedLineReader::KeyedLineReader(const KeyedKind& kind, std::u16string_view text)
    : kind_(kind), text_(text) {}

bool KeyedLineReader::NextLine(std::u16string_view& line) {
  if (at_end_) return false;
  const std::size_t lf = text_.find(u'\n', next_);
  if (lf == std::u16string_view::npos) {
    line = text_.substr(next_);
    next_ = text_.size();
    at_end_ = true;
  } else {
    line = text_.substr(next_, lf - next_);
    next_ = lf + 1;
  }
  return true;
}

bool KeyedLineReader::NextKeyLine(std::u16string_view& line) {
  while (NextLine(line)) {
    if (kind_.bracketed) {
      // The Start line itself goes on to the key tests; no key can match it.
      if (EqualsJoined(line, kind_.name, u"_Start")) {
        inside_ = true;
      } else if (EqualsJoined(line, kind_.name, u"_End")) {
        inside_ = false;
        continue;
      } else if (!inside_) {
        continue;
      }
    }
    return true;
  }
  return false;
}

std::optional<std::u16string_view> KeyedLineReader::TakeChildBody(std::u16string_view open,
                                                                  std::u16string_view close) {
  // Every body line stands in the text followed by its LF, so the body is the
  // stretch of text between the opening and the closing line: no copy is made,
  // and deep nesting costs one pass.
  const std::size_t body_start = next_;
  std::size_t depth = 1;
  std::u16string_view line;
  for (;;) {
    const std::size_t line_start = next_;
    if (!NextLine(line)) return std::nullopt;
    if (line.starts_with(open)) {
      ++depth;
    } else if (line.starts_with(close)) {
      --depth;
    }
    if (depth == 0) return text_.substr(body_start, line_start - body_start);
  }
}

std::optional<std::u16string_view> MatchKeyLine(std::u16string_view line,
                                                std::u16string_view prefix,
                                                std::u16string_view key, KeyForm form) {
  return AfterJoined(line, prefix, key, form == KeyForm::Bare ? u" " : u" [");
}

bool MatchChildLine(std::u16string_view line, std::u16string_view prefix,
                    std::u16string_view child, std::u16string_view suffix) {
  return AfterJoined(line, prefix, child, suffix).has_value();
}

bool ScanInt32(std::u16string_view text, std::int32_t& value) {
  std::size_t i = 0;
  while (i < text.size() && IsScanSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i == text.size() || text[i] < u'0' || text[i] > u'9') return false;
  // A number beyond the 32-bit range saturates to INT32_MIN or INT32_MAX (the C
  // library leaves that case undefined); digits after saturation are still consumed.
  const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                      : std::int64_t{std::numeric_limits<std::int32_t>::max()};
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude > limit) magnitude = limit;
  }
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

std::size_t ScanFloats(std::u16string_view text, std::span<float> values) {
  // strtof wants 8-bit text ending in NUL: code units above U+00FF become '?',
  // which no number contains. A NUL inside the line simply ends the number there.
  const std::string narrow = NarrowLatin1(text);
  const char* cursor = narrow.c_str();
  std::size_t converted_count = 0;
  for (float& value : values) {
    while (IsScanSpace(*cursor)) ++cursor;
    char* end = nullptr;
    const float converted = std::strtof(cursor, &end);
    // "nan", "inf" and numbers too large for a float are unreadable, as any
    // malformed number is: the renderer is never given a value that is not finite.
    if (end == cursor || !std::isfinite(converted)) break;
    value = converted;
    cursor = end;
    ++converted_count;
  }
  return converted_count;
}

std::u16string_view StringValue(std::u16string_view text) {
  if (text.ends_with(u']')) text.remove_suffix(1);
  return text;
}

}  // namespace tarnwick
