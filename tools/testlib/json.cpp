#include "testlib/json.h"

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "standin/standin.h"

namespace tarnwick::testing {

namespace {

// Deep enough for any journal; keeps hostile input from exhausting the stack.
constexpr int kMaxDepth = 64;

// The journal keeps a name's exact UTF-16 code units, so a lone surrogate is
// written as its escape ("\\ud800"), which strict JSON parsers refuse. Such an
// escape is carried through the parser as a private-use marker followed by its
// four hex digits, and turned back into the unit's three bytes afterwards.
constexpr std::string_view kMarker = "\xef\xa3\xbf";  // U+F8FF in UTF-8
constexpr std::string_view kMarkerEscape = "\\uf8ff";

int HexValue(std::string_view digits) {
  int value = 0;
  for (const char c : digits) {
    const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return -1;
    value = value * 16 + d;
  }
  return value;
}

bool IsSurrogateEscape(std::string_view text, std::size_t at, bool high) {
  if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return false;
  const int unit = HexValue(text.substr(at + 2, 4));
  return high ? unit >= 0xD800 && unit <= 0xDBFF : unit >= 0xDC00 && unit <= 0xDFFF;
}

std::string MarkLoneSurrogates(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
      out.append(text.substr(i, 2));
      ++i;
      continue;
    }
    const bool high = IsSurrogateEscape(text, i, true);
    if (high && IsSurrogateEscape(text, i + 6, false)) {
      out.append(text.substr(i, 12));  // a proper pair
      i += 11;
    } else if (high || IsSurrogateEscape(text, i, false)) {
      out.append(kMarkerEscape);
      out.append(text.substr(i + 2, 4));
      i += 5;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string UnmarkLoneSurrogates(std::string text) {
  for (std::size_t at = text.find(kMarker); at != std::string::npos; at = text.find(kMarker, at)) {
    const int unit = HexValue(std::string_view(text).substr(at + kMarker.size(), 4));
    if (unit < 0 || at + kMarker.size() + 4 > text.size()) {
      at += kMarker.size();
      continue;
    }
    const char bytes[3] = {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | (unit >> 6 & 0x3F)),
                           static_cast<char>(0x80 | (unit & 0x3F))};
    text.replace(at, kMarker.size() + 4, bytes, 3);
    at += 3;
  }
  return text;
}

// The parsed value in the tests' plain form.
bool Convert(const nlohmann::json& in, Json& out, int depth) {
  if (depth > kMaxDepth) return false;
  using Kind = nlohmann::json::value_t;
  switch (in.type()) {
    case Kind::null: out.type = Json::Type::Null; return true;
    case Kind::boolean: out.type = Json::Type::Bool; out.boolean = in.get<bool>(); return true;
    case Kind::number_integer:
    case Kind::number_unsigned:
    case Kind::number_float:
      out.type = Json::Type::Number;
      out.number = in.get<double>();
      return true;
    case Kind::string:
      out.type = Json::Type::String;
      out.string = UnmarkLoneSurrogates(in.get<std::string>());
      return true;
    case Kind::array:
      out.type = Json::Type::Array;
      for (const nlohmann::json& element : in) {
        out.array.emplace_back();
        if (!Convert(element, out.array.back(), depth + 1)) return false;
      }
      return true;
    case Kind::object:
      out.type = Json::Type::Object;
      for (const auto& [key, member] : in.items()) {
        if (!Convert(member, out.object[key], depth + 1)) return false;
      }
      return true;
    default: return false;
  }
}

// nlohmann's parser recurses per nesting level, so deeper texts are refused before it runs.
bool NestsTooDeep(std::string_view text) {
  int depth = 0;
  bool in_string = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\') ++i;
      else if (c == '"') in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxDepth) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

}  // namespace

const Json& Json::operator[](const std::string& key) const {
  static const Json kNull;
  if (type != Type::Object) return kNull;
  const auto it = object.find(key);
  return it == object.end() ? kNull : it->second;
}

bool Json::Has(const std::string& key) const {
  return type == Type::Object && object.count(key) != 0;
}

std::optional<Json> ParseJson(std::string_view text) {
  if (NestsTooDeep(text)) return std::nullopt;
  const nlohmann::json parsed =
      nlohmann::json::parse(MarkLoneSurrogates(text), nullptr, /*allow_exceptions=*/false);
  if (parsed.is_discarded()) return std::nullopt;
  Json value;
  if (!Convert(parsed, value, 0)) return std::nullopt;
  return value;
}

std::vector<Json> JournalCalls() {
  std::vector<Json> calls;
  for (const std::string& line : standin::JournalLines()) {
    // A line that does not parse stays in place as a null, so indexes match the journal.
    calls.push_back(ParseJson(line).value_or(Json{}));
  }
  return calls;
}

std::vector<std::string> JournalFunctions() {
  std::vector<std::string> names;
  for (const Json& call : JournalCalls()) names.push_back(call["fn"].string);
  return names;
}

}  // namespace tarnwick::testing
