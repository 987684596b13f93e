#include "host_sim/exchange_files.h"

#include <windows.h>

#include <fstream>
#include <iterator>

#include "test_host/protocol_names.h"

namespace tarnwick::host_sim {

namespace fs = std::filesystem;

namespace {

fs::path DataFolderBelow(const fs::path& appdata) {
  using protocol::kProductName, protocol::kProductRelease, protocol::kPluginDataFolder;
  const std::u16string plugin_data = std::u16string(kProductName.view()) +
                                     std::u16string(kProductRelease.view()) +
                                     std::u16string(kPluginDataFolder.view());
  // "Corvella2026_D5Plugin\Data", as the bridge joins it.
  const std::wstring below(plugin_data.begin(), plugin_data.end());
  return appdata / test_host::Wide(protocol::kVendorFolder) / below;
}

// The outermost folder of path that does not exist yet (empty when path exists).
fs::path FirstMissing(const fs::path& path) {
  std::error_code error;
  fs::path missing;
  for (fs::path p = path; !p.empty() && !fs::exists(p, error); p = p.parent_path()) {
    missing = p;
    if (p == p.parent_path()) break;
  }
  return missing;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

ExchangeFiles::ExchangeFiles() {
  static int counter = 0;
  work_ = fs::temp_directory_path() /
          (L"host_sim-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter));
  appdata_ = work_;
  data_ = DataFolderBelow(work_);
  std::error_code error;
  fs::create_directories(data_, error);
}

ExchangeFiles::~ExchangeFiles() {
  RemoveCreated();
  std::error_code error;
  fs::remove_all(work_, error);
}

bool ExchangeFiles::UseAppData(const fs::path& appdata) {
  RemoveCreated();
  appdata_ = appdata;
  data_ = DataFolderBelow(appdata);
  created_ = FirstMissing(data_);
  std::error_code error;
  fs::create_directories(data_, error);
  // A folder that existed may hold files of an earlier session.
  for (const wchar_t* name : kExchangeFileNames) Remove(name);
  return fs::is_directory(data_, error);
}

bool ExchangeFiles::RemoveDataFolder() {
  std::error_code error;
  fs::remove_all(data_, error);
  return !fs::exists(data_, error);
}

bool ExchangeFiles::Write(const std::wstring& name, const std::string& bytes) const {
  return WriteWholeFile(PathOf(name), bytes);
}

std::optional<std::string> ExchangeFiles::Read(const std::wstring& name) const {
  return ReadWholeFile(PathOf(name));
}

bool ExchangeFiles::Exists(const std::wstring& name) const {
  std::error_code error;
  return fs::exists(PathOf(name), error);
}

bool ExchangeFiles::Remove(const std::wstring& name) const {
  std::error_code error;
  fs::remove(PathOf(name), error);
  return !fs::exists(PathOf(name), error);
}

// Only what this object made goes; of a folder that existed before, only the
// known exchange files are removed.
void ExchangeFiles::RemoveCreated() {
  std::error_code error;
  if (appdata_ == work_) return;
  if (!created_.empty()) {
    fs::remove_all(created_, error);
  } else {
    for (const wchar_t* name : kExchangeFileNames) Remove(name);
  }
  created_.clear();
}

}  // namespace tarnwick::host_sim
