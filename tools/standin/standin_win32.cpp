// The D5Api.dll build of the stand-in: answers and the journal file come from
// the environment. The journal's path is read once, at the first call, so that
// a call of a program whose environment is fixed when it starts (Tarnwick.exe)
// costs nothing; RENDERER_STANDIN_SETTINGS_EACH_CALL, set before the first call,
// has it read at every call, for a test that changes it in its own process and
// for the benchmark's figure of what that costs. The answers are
// read when the calls that give them are made. The renderer's main window is a
// program installed beside the DLL.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

#include "protocol/protocol.h"
#include "standin/standin_host.h"
#include "standin/standin_win32.h"

namespace standin::host {

namespace {

const wchar_t* const kRendererWindowClass =
    reinterpret_cast<const wchar_t*>(tarnwick::protocol::kRendererWindowClass.wide);
constexpr wchar_t kRendererWindowProgram[] = L"renderer_window.exe";
constexpr DWORD kWindowWaitMs = 5000;
constexpr DWORD kWindowPollMs = 20;

}  // namespace

std::wstring Environment(const wchar_t* name) {
  std::wstring value(64, L'\0');
  for (;;) {
    const DWORD size =
        GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
    if (size == 0) return {};
    if (size < value.size()) {
      value.resize(size);
      return value;
    }
    value.resize(size);
  }
}

int EnvironmentNumber(const wchar_t* name) {
  const std::wstring text = Environment(name);
  return text.empty() ? 0 : static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

namespace {

// The folder of this DLL, whatever the process's current directory.
std::wstring ModuleFolder() {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&ModuleFolder), &module)) {
    return {};
  }
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (size == 0) return {};
    if (size < path.size()) {
      path.resize(size);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

bool StartRendererWindowProgram() {
  const std::wstring program = ModuleFolder() + kRendererWindowProgram;
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool SettingsEachCall() {
  static const bool each_call = !Environment(L"RENDERER_STANDIN_SETTINGS_EACH_CALL").empty();
  return each_call;
}

// The journal's path: kept from the first call, or from the environment at each call.
std::wstring JournalPath() {
  if (SettingsEachCall()) return Environment(L"RENDERER_STANDIN_JOURNAL");
  static const std::wstring kept = Environment(L"RENDERER_STANDIN_JOURNAL");
  return kept;
}

}  // namespace

bool Recording() {
  if (SettingsEachCall()) return !JournalPath().empty();
  static const bool kept = !JournalPath().empty();
  return kept;
}

// Open, append, close: each line is in the file before the call returns, and
// a crash of the caller loses nothing that was recorded.
void Record(std::string line) {
  const std::wstring path = JournalPath();
  if (path.empty()) return;
  line += '\n';
  const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

// The DLL always writes its journal when it records.
bool DigestOnly() { return false; }

// Off by default: whole arrays make the journal of a large model many times longer.
bool WholeArrays() {
  const std::wstring whole = Environment(L"RENDERER_STANDIN_WHOLE_ARRAYS");
  return !whole.empty() && whole != L"0";
}

int StartResult() { return EnvironmentNumber(L"RENDERER_STANDIN_START_RESULT"); }

int StartError() { return EnvironmentNumber(L"RENDERER_STANDIN_START_ERROR"); }

int SessionResult() { return EnvironmentNumber(L"RENDERER_STANDIN_SESSION_RESULT"); }

// Whether the renderer's window is open. user32 is looked up at the first use, not
// imported: a renderer library that costs nothing must not load the window libraries
// ahead of the bridge's entry (the bridge loads them when it first needs them).
bool RendererWindowOpen() {
  using FindWindowFunction = HWND(WINAPI*)(const wchar_t*, const wchar_t*);
  static const auto find_window = reinterpret_cast<FindWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"user32.dll"), "FindWindowW")));
  return find_window != nullptr && find_window(kRendererWindowClass, nullptr) != nullptr;
}

void EnsureRendererWindow() {
  // A renderer that takes its time to start (RENDERER_STANDIN_START_DELAY_MS):
  // tests post requests and close windows while the bridge's export waits here.
  const int delay_ms = EnvironmentNumber(L"RENDERER_STANDIN_START_DELAY_MS");
  if (delay_ms > 0) Sleep(static_cast<DWORD>(delay_ms));
  const std::wstring no_window = Environment(L"RENDERER_STANDIN_NO_WINDOW");
  if (!no_window.empty() && no_window != L"0") return;
  if (RendererWindowOpen()) return;
  if (!StartRendererWindowProgram()) return;
  // Bounded: a renderer window that never appears is the watchdog's business.
  for (DWORD waited = 0; waited < kWindowWaitMs; waited += kWindowPollMs) {
    if (RendererWindowOpen()) return;
    Sleep(kWindowPollMs);
  }
}

}  // namespace standin::host
