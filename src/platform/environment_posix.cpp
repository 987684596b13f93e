#include <cstdlib>
#include <map>
#include <utility>

#include "platform/environment.h"
#include "platform/text.h"

namespace tarnwick {

namespace {

std::map<std::pair<std::u16string, std::u16string>, std::u16string>& FakeRegistry() {
  static std::map<std::pair<std::u16string, std::u16string>, std::u16string> store;
  return store;
}

}  // namespace

bool ReadEnvironmentVariable(const std::u16string& name, std::u16string& value) {
  const char* raw = std::getenv(Utf8FromUtf16(name).c_str());
  if (!raw) return false;
  value = Utf16FromUtf8(raw);
  return true;
}

bool ReadUserRegistryValue(const std::u16string& key, const std::u16string& value_name,
                           std::size_t max_bytes, std::u16string& data) {
  const auto it = FakeRegistry().find({key, value_name});
  if (it == FakeRegistry().end()) return false;
  if (it->second.size() * 2 > max_bytes) return false;
  data = it->second;
  return true;
}

void SetFakeRegistryValue(const std::u16string& key, const std::u16string& value_name,
                          const std::u16string& data) {
  FakeRegistry()[{key, value_name}] = data;
}

void ClearFakeRegistry() { FakeRegistry().clear(); }

}  // namespace tarnwick
