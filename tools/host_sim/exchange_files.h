// The files of one simulated host session: a private work folder (it holds the
// stand-in renderer's journal) and the exchange folder
// below APPDATA as the host's plug-in names it, by default below the work folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "test_host/protocol_names.h"

namespace tarnwick::host_sim {

// The exchange files that the host and the bridge write.
inline const wchar_t* const kExchangeFileNames[] = {
    test_host::Wide(protocol::kModelFile),      test_host::Wide(protocol::kIncrementalFile),
    test_host::Wide(protocol::kSyncRecordFile), test_host::Wide(protocol::kCameraFile),
    test_host::Wide(protocol::kViewsFile),      test_host::Wide(protocol::kLogFile),
    L"D5_Log.logOld"};

class ExchangeFiles {
 public:
  // A fresh work folder in the temporary folder, which is also APPDATA.
  ExchangeFiles();
  // Removes the work folder and whatever it created below a chosen APPDATA.
  ~ExchangeFiles();
  ExchangeFiles(const ExchangeFiles&) = delete;
  ExchangeFiles& operator=(const ExchangeFiles&) = delete;

  // Moves the exchange folder below appdata, creating the folders that are
  // missing and removing stale exchange files; false when it cannot be made.
  bool UseAppData(const std::filesystem::path& appdata);
  // Removes the exchange folder and everything in it.
  bool RemoveDataFolder();

  const std::filesystem::path& work_folder() const { return work_; }
  const std::filesystem::path& appdata() const { return appdata_; }
  const std::filesystem::path& data_folder() const { return data_; }
  std::filesystem::path journal() const { return work_ / L"journal.jsonl"; }
  std::filesystem::path PathOf(const std::wstring& name) const { return data_ / name; }

  // Writes a whole exchange file; false when it cannot be written.
  bool Write(const std::wstring& name, const std::string& bytes) const;
  // A whole exchange file; nothing when it cannot be read.
  std::optional<std::string> Read(const std::wstring& name) const;
  bool Exists(const std::wstring& name) const;
  // Removes an exchange file; true when it is gone.
  bool Remove(const std::wstring& name) const;

 private:
  void RemoveCreated();

  std::filesystem::path work_;
  std::filesystem::path appdata_;
  std::filesystem::path data_;
  // Below a chosen APPDATA: the outermost folder that this object created, if any.
  std::filesystem::path created_;
};

// A whole file; nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Writes a whole file; false on failure.
bool WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace tarnwick::host_sim
