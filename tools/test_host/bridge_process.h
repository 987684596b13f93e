// Starting Tarnwick.exe the way the host's plug-in does, in a private exchange
// folder, and watching it: its windows, its exit, its log.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwick::test_host {

// A fresh APPDATA with Brevane\Corvella2026_D5Plugin\Data below it; removed with the object.
class TempAppData {
 public:
  TempAppData();
  ~TempAppData();
  TempAppData(const TempAppData&) = delete;
  TempAppData& operator=(const TempAppData&) = delete;

  const std::filesystem::path& root() const { return root_; }
  const std::filesystem::path& data_folder() const { return data_; }
  // The stand-in renderer's call journal, beside the Data folder.
  std::filesystem::path journal() const { return root_ / L"journal.jsonl"; }
  // The whole log "D5_Log.log" ("" when missing).
  std::string ReadLog() const;
  // Copies the sample model and camera files into the Data folder when they exist.
  void CopySampleFiles(const std::filesystem::path& sample_folder) const;

 private:
  std::filesystem::path root_;
  std::filesystem::path data_;
};

// The environment of a bridge started by the host: APPDATA and the stand-in's settings.
std::vector<std::pair<std::wstring, std::wstring>> BridgeEnvironment(const TempAppData& appdata);

// One Tarnwick.exe process; terminated with the object if it is still running.
class BridgeProcess {
 public:
  BridgeProcess() = default;
  ~BridgeProcess();
  BridgeProcess(const BridgeProcess&) = delete;
  BridgeProcess& operator=(const BridgeProcess&) = delete;

  // Starts program with the argument text ("" for none) and the given variables set.
  bool Start(const std::filesystem::path& program, const std::wstring& arguments,
             const std::vector<std::pair<std::wstring, std::wstring>>& variables);
  // Serves this thread's messages until the process has exited; false on timeout.
  bool WaitForExit(DWORD timeout_ms);
  bool Running() const;
  // The exit code once it has exited (STILL_ACTIVE before).
  DWORD ExitCode() const;
  DWORD id() const { return id_; }
  // Its top-level window of the class, or null.
  HWND FindWindowOfClass(const wchar_t* class_name) const;

 private:
  HANDLE process_ = nullptr;
  DWORD id_ = 0;
};

// A top-level window of the class that belongs to the process, or null.
HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name);

// Every top-level window of the class, of any process.
std::vector<HWND> WindowsOfClass(const wchar_t* class_name);

// The process that owns a window.
DWORD WindowProcessId(HWND window);

// Tarnwick.exe beside the running program.
std::filesystem::path TarnwickBesideMe();

// A POSIX path as Wine's drive Z: shows it; other paths unchanged.
std::filesystem::path WindowsPathOf(const std::string& path);

}  // namespace tarnwick::test_host
