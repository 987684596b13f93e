#include "test_host/bridge_process.h"

#include <fstream>
#include <iterator>
#include <map>

#include "test_host/host_windows.h"

namespace tarnwick::test_host {

namespace fs = std::filesystem;

namespace {

// Environment names compare without regard to case, as Windows does.
struct NameLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
  }
};

// This process's environment with the variables replaced, as a sorted block.
std::wstring EnvironmentBlock(const std::vector<std::pair<std::wstring, std::wstring>>& variables) {
  std::map<std::wstring, std::wstring, NameLess> entries;
  wchar_t* current = GetEnvironmentStringsW();
  for (const wchar_t* p = current; p != nullptr && *p != L'\0'; p += wcslen(p) + 1) {
    const std::wstring entry(p);
    const std::size_t equals = entry.find(L'=', 1);  // "=C:=C:\..." entries start with '='
    if (equals == std::wstring::npos) continue;
    entries[entry.substr(0, equals)] = entry.substr(equals + 1);
  }
  if (current != nullptr) FreeEnvironmentStringsW(current);
  for (const auto& [name, value] : variables) entries[name] = value;
  std::wstring block;
  for (const auto& [name, value] : entries) block += name + L"=" + value + L'\0';
  block += L'\0';
  return block;
}

struct ClassSearch {
  const wchar_t* class_name;
  std::vector<HWND> found;
};

BOOL CALLBACK MatchClass(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ClassSearch*>(data);
  wchar_t class_name[256] = {};
  GetClassNameW(window, class_name, 256);
  if (wcscmp(class_name, search->class_name) == 0) search->found.push_back(window);
  return TRUE;
}

}  // namespace

TempAppData::TempAppData() {
  static int counter = 0;
  const fs::path base = fs::temp_directory_path();
  root_ = base / (L"tarnwick-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++counter));
  data_ = root_ / L"Brevane" / L"Corvella2026_D5Plugin" / L"Data";
  std::error_code error;
  fs::create_directories(data_, error);
}

TempAppData::~TempAppData() {
  std::error_code error;
  fs::remove_all(root_, error);
}

std::string TempAppData::ReadLog() const {
  std::ifstream in(data_ / L"D5_Log.log", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TempAppData::CopySampleFiles(const fs::path& sample_folder) const {
  std::error_code error;
  for (const wchar_t* name : {L"_model.cvm", L"camera.cam"}) {
    if (fs::exists(sample_folder / name, error)) {
      fs::copy_file(sample_folder / name, data_ / name, fs::copy_options::overwrite_existing, error);
    }
  }
}

std::vector<std::pair<std::wstring, std::wstring>> BridgeEnvironment(const TempAppData& appdata) {
  return {{L"APPDATA", appdata.root().wstring()},
          {L"RENDERER_STANDIN_NO_WINDOW", L"1"},
          {L"RENDERER_STANDIN_JOURNAL", appdata.journal().wstring()}};
}

BridgeProcess::~BridgeProcess() {
  if (process_ == nullptr) return;
  if (Running()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

bool BridgeProcess::Start(const fs::path& program, const std::wstring& arguments,
                          const std::vector<std::pair<std::wstring, std::wstring>>& variables) {
  std::wstring command = L"\"" + program.wstring() + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  std::wstring environment = EnvironmentBlock(variables);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  id_ = info.dwProcessId;
  return true;
}

bool BridgeProcess::WaitForExit(DWORD timeout_ms) {
  return PumpUntil([this] { return !Running(); }, timeout_ms);
}

bool BridgeProcess::Running() const {
  return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD BridgeProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_ != nullptr) GetExitCodeProcess(process_, &code);
  return code;
}

HWND BridgeProcess::FindWindowOfClass(const wchar_t* class_name) const {
  return FindProcessWindow(id_, class_name);
}

HWND FindProcessWindow(DWORD process_id, const wchar_t* class_name) {
  for (HWND window : WindowsOfClass(class_name)) {
    if (WindowProcessId(window) == process_id) return window;
  }
  return nullptr;
}

std::vector<HWND> WindowsOfClass(const wchar_t* class_name) {
  ClassSearch search{class_name, {}};
  EnumWindows(&MatchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

DWORD WindowProcessId(HWND window) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  return owner;
}

fs::path TarnwickBesideMe() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path() / L"Tarnwick.exe";
}

fs::path WindowsPathOf(const std::string& path) {
  if (path.empty() || path.front() != '/') return fs::path(path);
  std::wstring wide = L"Z:";
  for (char c : path) wide.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return fs::path(wide);
}

}  // namespace tarnwick::test_host
