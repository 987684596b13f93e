#include "testlib/journal_match.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace tarnwick::testing {

namespace {

// Maps the float's bits onto a line where neighbouring floats differ by one.
std::int64_t OrderedBits(float value) {
  std::int32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits < 0 ? -static_cast<std::int64_t>(bits & 0x7FFFFFFF) : bits;
}

bool ValuesMatch(const Json& a, const Json& e, int max_ulps, const std::string& where,
                 std::string* why);

bool Fail(std::string* why, const std::string& message) {
  if (why) *why = message;
  return false;
}

bool ArraysMatch(const Json& a, const Json& e, int max_ulps, const std::string& where,
                 std::string* why) {
  if (a.array.size() != e.array.size()) return Fail(why, where + ": array length differs");
  for (std::size_t i = 0; i < a.array.size(); ++i) {
    if (!ValuesMatch(a.array[i], e.array[i], max_ulps, where + "[" + std::to_string(i) + "]", why)) {
      return false;
    }
  }
  return true;
}

bool ObjectsMatch(const Json& a, const Json& e, int max_ulps, const std::string& where,
                  std::string* why) {
  for (const auto& [key, value] : e.object) {
    if (!a.Has(key)) return Fail(why, where + "." + key + ": missing");
    if (!ValuesMatch(a[key], value, max_ulps, where + "." + key, why)) return false;
  }
  for (const auto& [key, value] : a.object) {
    if (key != "session" && !e.Has(key)) return Fail(why, where + "." + key + ": unexpected");
  }
  return true;
}

bool ValuesMatch(const Json& a, const Json& e, int max_ulps, const std::string& where,
                 std::string* why) {
  if (a.type != e.type) return Fail(why, where + ": type differs");
  switch (e.type) {
    case Json::Type::Null:
      return true;
    case Json::Type::Bool:
      return a.boolean == e.boolean || Fail(why, where + ": differs");
    case Json::Type::String:
      return a.string == e.string || Fail(why, where + ": \"" + a.string + "\" != \"" + e.string + "\"");
    case Json::Type::Number:
      return FloatsNear(a.number, e.number, max_ulps) ||
             Fail(why, where + ": " + std::to_string(a.number) + " != " + std::to_string(e.number));
    case Json::Type::Array:
      return ArraysMatch(a, e, max_ulps, where, why);
    case Json::Type::Object:
      return ObjectsMatch(a, e, max_ulps, where, why);
  }
  return false;
}

}  // namespace

std::vector<Json> ParseJsonLines(std::string_view text) {
  std::vector<Json> calls;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
    if (std::optional<Json> call = ParseJson(line)) calls.push_back(*call);
  }
  return calls;
}

bool FloatsNear(double a, double b, int max_ulps) {
  const float fa = static_cast<float>(a);
  const float fb = static_cast<float>(b);
  if (std::isnan(fa) || std::isnan(fb)) return std::isnan(fa) && std::isnan(fb);
  return std::llabs(OrderedBits(fa) - OrderedBits(fb)) <= max_ulps;
}

bool CallMatches(const Json& actual, const Json& expected, int max_ulps, std::string* why) {
  return ValuesMatch(actual, expected, max_ulps, expected["fn"].string, why);
}

std::vector<std::string> CallKeys(const std::vector<Json>& calls) {
  std::vector<std::string> keys;
  for (const Json& call : calls) {
    std::string key = call["fn"].string;
    if (call.Has("prop")) key += " " + call["prop"].string;
    keys.push_back(key);
  }
  return keys;
}

const Json* FindProperty(const std::vector<Json>& calls, const std::string& prop) {
  for (const Json& call : calls) {
    if (call.Has("prop") && call["prop"].string == prop) return &call;
  }
  return nullptr;
}

std::vector<float> FloatsOf(const Json& array) {
  std::vector<float> values;
  for (const Json& value : array.array) values.push_back(static_cast<float>(value.number));
  return values;
}

std::vector<std::string> ConcatKeys(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const std::vector<std::string>& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace tarnwick::testing
