#include "exchange/exchange_folder.h"

#include "platform/environment.h"
#include "protocol/protocol.h"

namespace tarnwick {

namespace {

using namespace protocol;

// _wgetenv_s fills a buffer of 512 characters: a longer value fails to fit.
constexpr std::size_t kEnvironmentBufferChars = 512;
// RegQueryValueExW reads into a buffer with a byte count of 255.
constexpr std::size_t kRegistryBufferBytes = 255;

std::u16string& Cache() {
  static std::u16string cache;
  return cache;
}

void AppendSeparator(std::u16string& text) {
  if (text.empty() || text.back() != u'\\') text.push_back(u'\\');
}

bool FolderFromAppData(std::u16string& folder) {
  std::u16string appdata;
  if (!ReadEnvironmentVariable(kAppDataVariable.wide, appdata)) return false;
  if (appdata.empty() || appdata.size() >= kEnvironmentBufferChars) return false;
  folder = appdata;
  AppendSeparator(folder);
  folder += kVendorFolder.view();
  AppendSeparator(folder);
  folder += kProductName.view();
  folder += kProductRelease.view();
  folder += kPluginDataFolder.view();
  return true;
}

void FolderFromRegistry(std::u16string& folder) {
  std::u16string data;
  if (!ReadUserRegistryValue(RegistryKeyPath(), kRegistryFolderValue.wide, kRegistryBufferBytes, data)) return;
  const std::size_t nul = data.find(u'\0');
  folder = data.substr(0, nul);
}

}  // namespace

std::u16string RegistryKeyPath() {
  std::u16string key(kRegistryKeyStem.view());
  key += kProductRelease.view();
  key += kRegistryPluginKey.view();
  return key;
}

std::u16string GetExchangeFolder() {
  std::u16string& cache = Cache();
  if (!cache.empty()) return cache;
  if (!FolderFromAppData(cache)) FolderFromRegistry(cache);
  return cache;
}

std::u16string MakeExchangeFilePath(std::u16string_view name) {
  std::u16string path = GetExchangeFolder();
  if (!path.empty() && path.back() != u'\\') path.push_back(u'\\');
  path += name;
  return path;
}

void ResetExchangeFolderCache() { Cache().clear(); }

}  // namespace tarnwick
