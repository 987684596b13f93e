// The stand-in's journal as plain values for tests and tools, parsed by nlohmann/json.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::testing {

// One JSON value.
struct Json {
  enum class Type { Null, Bool, Number, String, Array, Object };
  Type type = Type::Null;
  bool boolean = false;
  double number = 0.0;
  std::string string;                 // UTF-8
  std::vector<Json> array;
  std::map<std::string, Json> object;

  // Member of an object; a Null value when absent or not an object.
  const Json& operator[](const std::string& key) const;
  // Whether an object has the member.
  bool Has(const std::string& key) const;
};

// Parses one JSON text; nothing when it is not valid JSON.
std::optional<Json> ParseJson(std::string_view text);

// The stand-in's in-memory journal, parsed.
std::vector<Json> JournalCalls();

// The "fn" of each journal call, in order.
std::vector<std::string> JournalFunctions();

}  // namespace tarnwick::testing
