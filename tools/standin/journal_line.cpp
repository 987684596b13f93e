#include "standin/journal_line.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/text.h"

namespace standin {

namespace {

void AppendEscape(std::string& out, std::uint32_t unit) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(unit));
  out += buffer;
}

// Appends one code point that is not a surrogate, escaped as JSON requires.
void AppendJsonCodePoint(std::string& out, std::uint32_t cp) {
  switch (cp) {
    case '"': out += "\\\""; return;
    case '\\': out += "\\\\"; return;
    case '\b': out += "\\b"; return;
    case '\f': out += "\\f"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
  }
  if (cp < 0x20) {
    AppendEscape(out, cp);
  } else {
    tarnwick::AppendUtf8(out, cp);
  }
}

bool IsHigh(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

}  // namespace

std::string QuoteUtf16(const char16_t* text) {
  std::string out = "\"";
  for (const char16_t* p = text; *p != 0; ++p) {
    std::uint32_t unit = *p;
    if (IsHigh(unit) && IsLow(p[1])) {
      tarnwick::AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (p[1] - 0xDC00));
      ++p;
    } else if (IsHigh(unit) || IsLow(unit)) {
      // Kept visible rather than replaced, so that a test sees what was sent.
      AppendEscape(out, unit);
    } else {
      AppendJsonCodePoint(out, unit);
    }
  }
  out += '"';
  return out;
}

std::string FormatFloat(float value) {
  if (std::isnan(value)) return "\"nan\"";
  if (std::isinf(value)) return value < 0 ? "\"-inf\"" : "\"inf\"";
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
  std::string text = buffer;
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

namespace {

constexpr std::uint64_t kFnvOffset = 0xcbf29ce484222325ULL;

std::uint64_t Fnv1a64From(std::uint64_t hash, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

}  // namespace

std::uint64_t Fnv1a64(const void* data, std::size_t size) {
  return Fnv1a64From(kFnvOffset, data, size);
}

void JournalLine::Fold(const void* data, std::size_t size) {
  digest_ = Fnv1a64From(digest_, data, size);
}

JournalLine::JournalLine(const char* function, bool digest)
    : digest_only_(digest), digest_(kFnvOffset) {
  if (digest_only_) return;
  text_ = "{\"fn\": \"";
  text_ += function;
  text_ += '"';
}

void JournalLine::Key(const char* key) {
  text_ += ", \"";
  text_ += key;
  text_ += "\": ";
}

JournalLine& JournalLine::Session(std::intptr_t handle) {
  return Integer("session", static_cast<long long>(handle));
}

JournalLine& JournalLine::Text(const char* key, const char16_t* text) {
  if (digest_only_) {
    if (text) Fold(text, std::char_traits<char16_t>::length(text) * sizeof(char16_t));
    return *this;
  }
  return Raw(key, text ? QuoteUtf16(text) : "null");
}

JournalLine& JournalLine::Narrow(const char* key, const char* text) {
  if (digest_only_) {
    if (text) Fold(text, std::strlen(text));
    return *this;
  }
  if (!text) return Raw(key, "null");
  std::u16string wide;
  for (const char* p = text; *p != 0; ++p) wide.push_back(static_cast<unsigned char>(*p));
  return Raw(key, QuoteUtf16(wide.c_str()));
}

JournalLine& JournalLine::Integer(const char* key, long long value) {
  if (digest_only_) return *this;
  return Raw(key, std::to_string(value));
}

JournalLine& JournalLine::Unsigned(const char* key, unsigned long long value) {
  if (digest_only_) return *this;
  return Raw(key, std::to_string(value));
}

JournalLine& JournalLine::Boolean(const char* key, bool value) {
  return Raw(key, value ? "true" : "false");
}

JournalLine& JournalLine::Float(const char* key, float value) {
  if (digest_only_) return *this;
  return Raw(key, FormatFloat(value));
}

JournalLine& JournalLine::Floats(const char* key, const float* values, std::size_t count) {
  if (digest_only_) return Hash(key, values, count * sizeof(float));
  if (!values) return Raw(key, "null");
  std::string array = "[";
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) array += ", ";
    array += FormatFloat(values[i]);
  }
  array += ']';
  return Raw(key, array);
}

JournalLine& JournalLine::Words(const char* key, const std::uint32_t* values,
                                std::size_t count) {
  if (digest_only_) return Hash(key, values, count * sizeof(std::uint32_t));
  if (!values) return Raw(key, "null");
  std::string array = "[";
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) array += ", ";
    array += std::to_string(values[i]);
  }
  array += ']';
  return Raw(key, array);
}

JournalLine& JournalLine::Hash(const char* key, const void* data, std::size_t size) {
  if (digest_only_) {
    if (data) Fold(data, size);
    return *this;
  }
  if (!data) return Raw(key, "null");
  std::string quoted = "\"";
  quoted += Fnv1a64Hex(data, size);
  quoted += '"';
  return Raw(key, quoted);
}

std::string Fnv1a64Hex(const void* data, std::size_t size) {
  char buffer[17];
  std::snprintf(buffer, sizeof buffer, "%016llx",
                static_cast<unsigned long long>(Fnv1a64(data, size)));
  return buffer;
}

JournalLine& JournalLine::Raw(const char* key, const std::string& json) {
  if (digest_only_) return *this;
  Key(key);
  text_ += json;
  return *this;
}

std::string JournalLine::Finish() {
  if (digest_only_) return {};
  text_ += '}';
  return std::move(text_);
}

}  // namespace standin
