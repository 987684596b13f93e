#include <windows.h>
#include <errno.h>
#include <stdlib.h>

#include <vector>

#include "platform/environment.h"

namespace tarnwick {

namespace {

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

}  // namespace

bool ReadEnvironmentVariable(const std::u16string& name, std::u16string& value) {
  std::size_t required = 0;
  // Asked for the size only, Windows' runtime answers 0 and Wine's ERANGE.
  const errno_t sized = _wgetenv_s(&required, nullptr, 0, Wide(name));
  if ((sized != 0 && sized != ERANGE) || required == 0) return false;
  std::vector<wchar_t> buffer(required);
  if (_wgetenv_s(&required, buffer.data(), buffer.size(), Wide(name)) != 0) return false;
  value.assign(reinterpret_cast<const char16_t*>(buffer.data()));
  return true;
}

bool ReadUserRegistryValue(const std::u16string& key, const std::u16string& value_name,
                           std::size_t max_bytes, std::u16string& data) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
    return false;
  }
  std::vector<BYTE> buffer(max_bytes);
  DWORD size = static_cast<DWORD>(max_bytes);
  const LONG result =
      RegQueryValueExW(handle, Wide(value_name), nullptr, nullptr, buffer.data(), &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return false;
  data.assign(reinterpret_cast<const char16_t*>(buffer.data()), size / 2);
  return true;
}

void SetFakeRegistryValue(const std::u16string&, const std::u16string&, const std::u16string&) {}

void ClearFakeRegistry() {}

}  // namespace tarnwick
