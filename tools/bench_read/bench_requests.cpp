// Times the requests a resident bridge serves, against what they cannot do with less:
// the model sync's first step (message 1026: the sync record written) against writing
// the same bytes and replacing a file with them, and the light sync (message 1028: the
// removals and the body of "_mod.sm" applied) against reading "_mod.sm" from front to
// back. Tarnwick.exe starts once, with the no-cost renderer, exports the model of
// APPDATA and then serves the requests of every round, each sent and waited for.
//
//   bench_requests ROUNDS APPDATA
//
// APPDATA holds Brevane\Corvella2026_D5Plugin\Data\_model.cvm and, for the light sync,
// _mod.sm. Exit code 0 when every request was served.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "plain_read.h"
#include "protocol/protocol.h"
#include "test_host/bridge_process.h"
#include "test_host/host_windows.h"

namespace {

using namespace tarnwick::bench;
using namespace tarnwick::test_host;
namespace protocol = tarnwick::protocol;

constexpr wchar_t kBridgeClass[] = L"Tarnwick";
constexpr wchar_t kDataFolder[] = L"\\Brevane\\Corvella2026_D5Plugin\\Data\\";
constexpr DWORD kStartTimeoutMs = 600000;

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// What the sync record's write cannot do with less: the same bytes written to a file of
// their own and moved over the one in place.
double WriteAndReplace(const std::wstring& folder, const std::string& bytes) {
  const std::wstring temporary = folder + L"_mod.sync.floor.tmp";
  const std::wstring target = folder + L"_mod.sync.floor";
  const LARGE_INTEGER start = Now();
  const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool ok = file != INVALID_HANDLE_VALUE &&
                  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  const bool moved =
      ok && MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  const LARGE_INTEGER end = Now();
  return moved ? Seconds(start, end) : -1;
}

// One request sent to the bridge and waited for: its window procedure serves it to the end.
double Serve(HWND bridge, UINT message) {
  const LARGE_INTEGER start = Now();
  DWORD_PTR result = 0;
  const bool served = SendMessageTimeoutW(bridge, message, 0, 0, SMTO_BLOCK, kStartTimeoutMs, &result) != 0;
  const LARGE_INTEGER end = Now();
  return served ? Seconds(start, end) : -1;
}

// Starts the bridge and waits until it serves messages, its start-up export done.
HWND StartBridge(BridgeProcess& bridge, const std::wstring& appdata) {
  if (!bridge.Start(TarnwickBesideMe(), L"", BridgeVariables(appdata, L"", true))) return nullptr;
  HWND window = nullptr;
  const ULONGLONG deadline = GetTickCount64() + kStartTimeoutMs;
  while (window == nullptr && GetTickCount64() < deadline && bridge.Running()) {
    PumpMessagesFor(1);
    window = bridge.FindWindowOfClass(kBridgeClass);
  }
  DWORD_PTR result = 0;
  if (window == nullptr ||
      !SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, kStartTimeoutMs, &result)) {
    return nullptr;
  }
  return window;
}

int TimeRequests(int rounds, const std::wstring& appdata) {
  FakeWindow host(kHostClass);
  FakeWindow renderer(kRendererClass);
  const std::wstring folder =
      WindowsPathOf(std::string(appdata.begin(), appdata.end())).wstring() + kDataFolder;
  const bool light_sync = GetFileAttributesW((folder + L"_mod.sm").c_str()) != INVALID_FILE_ATTRIBUTES;
  BridgeProcess bridge;
  const HWND window = StartBridge(bridge, appdata);
  if (window == nullptr) return 1;
  std::vector<double> sync, written, light, read;
  for (int i = 0; i < rounds; ++i) {
    sync.push_back(Serve(window, protocol::MSG_MODEL_SYNC_PREPARE));
    written.push_back(WriteAndReplace(folder, ReadBytes(folder + L"_mod.sync")));
    if (light_sync) {
      light.push_back(Serve(window, protocol::MSG_LIGHT_SYNC));
      const LARGE_INTEGER start = Now();
      const bool whole = ReadWholeFile((folder + L"_mod.sm").c_str()) > 0;
      read.push_back(whole ? Seconds(start, Now()) : -1);
    }
  }
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(protocol::kExitCommand, 0), 0);
  const bool ended = bridge.WaitForExit(kStartTimeoutMs);
  for (const std::vector<double>* times : {&sync, &written, &light, &read}) {
    for (const double t : *times) {
      if (t < 0) return 1;
    }
  }
  PumpMessagesFor(50);
  std::printf("sync record of %zu bytes, %d times posted to the host\n",
              ReadBytes(folder + L"_mod.sync").size(), host.CountOf(protocol::MSG_HOST_SYNC_READY));
  PrintAgainstFloor("ModelSync", sync, "writing and replacing the same bytes", written);
  if (light_sync) PrintAgainstFloor("lightSync", light, "reading _mod.sm", read);
  return ended ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_requests ROUNDS APPDATA\n");
    return 2;
  }
  const int result = TimeRequests(std::stoi(argv[1]), argv[2]);
  std::fflush(stdout);
  return result;
}
