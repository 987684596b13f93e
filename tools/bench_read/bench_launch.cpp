// Starts Tarnwick.exe for the benchmark as the host would, with the exit
// command 105 queued behind its start-up export, and times it from process
// start to exit, in pairs with bench_read.exe reading the same model file.
// Each pair is followed by the start-ups alone: bench_window.exe (what
// Tarnwick.exe loads, and its window) and bench_read.exe on a one-byte file.
//
//   bench_launch time PAIRS APPDATA MODEL [--once]   medians and their ratio
//   bench_launch memory APPDATA [--once]              one export, watched by scripts/bench_memory.py
//   bench_launch check APPDATA JOURNAL                one export with the journal on
//
// APPDATA holds Brevane\Corvella2026_D5Plugin\Data\_model.cvm. With --once the
// stand-in runs as shipped, reading its settings once, so that its calls cost
// nothing; without, it reads them at every call (RENDERER_STANDIN_SETTINGS_EACH_CALL),
// as the tests that change them in their own process have it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "test_host/bridge_process.h"
#include "test_host/host_windows.h"

namespace {

using namespace tarnwick::test_host;

constexpr wchar_t kBridgeClass[] = L"Tarnwick";
constexpr WPARAM kExitCommand = 105;
constexpr DWORD kRunTimeoutMs = 600000;
constexpr DWORD kPollMs = 1;
// Failed runs that are run again before the benchmark gives up.
constexpr int kRunsAgain = 2;
// Pause before each timed start. A Wine process goes on ending, and Wine's own processes
// tidy up after a process with windows, for some tens of milliseconds after its end has
// been signalled: a program started at once shares the cores with that work.
constexpr DWORD kSettleMs = 250;

using Variables = std::vector<std::pair<std::wstring, std::wstring>>;

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Variables BridgeVariables(const std::wstring& appdata, const std::wstring& journal, bool once) {
  return {{L"APPDATA", WindowsPathOf(std::string(appdata.begin(), appdata.end())).wstring()},
          {L"RENDERER_STANDIN_NO_WINDOW", L"1"},
          {L"RENDERER_STANDIN_JOURNAL", journal},
          {L"RENDERER_STANDIN_SETTINGS_EACH_CALL", once ? L"" : L"1"}};
}

// Waits for the process to end, or for the time to pass, serving this thread's windows
// meanwhile; true when it has ended.
bool WaitServing(HANDLE process, DWORD timeout_ms) {
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(1, &process, FALSE, timeout_ms, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

// One bridge from CreateProcess to exit; the exit command is posted as soon as its window
// exists.
double RunBridge(const Variables& variables) {
  Sleep(kSettleMs);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  BridgeProcess bridge;
  if (!bridge.Start(TarnwickBesideMe(), L"", variables)) return -1;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, bridge.id());
  bool posted = false;
  const ULONGLONG deadline = GetTickCount64() + kRunTimeoutMs;
  while (!WaitServing(process, posted ? kRunTimeoutMs : kPollMs)) {
    if (!posted) {
      if (const HWND window = bridge.FindWindowOfClass(kBridgeClass)) {
        posted = PostMessageW(window, WM_COMMAND, MAKEWPARAM(kExitCommand, 0), 0) != 0;
      }
    }
    if (GetTickCount64() > deadline) break;
  }
  QueryPerformanceCounter(&end);
  CloseHandle(process);
  return bridge.Running() || bridge.ExitCode() != 0 ? -1 : Seconds(start, end);
}

// One run of a program beside Tarnwick.exe from CreateProcess to exit; -1 unless it exits with 0.
double RunProgram(const wchar_t* name, const std::wstring& arguments) {
  Sleep(kSettleMs);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  BridgeProcess program;
  if (!program.Start(TarnwickBesideMe().parent_path() / name, arguments, {})) return -1;
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, program.id());
  const bool ended = WaitServing(process, kRunTimeoutMs);
  QueryPerformanceCounter(&end);
  CloseHandle(process);
  if (!ended) return -1;
  return program.ExitCode() != 0 ? -1 : Seconds(start, end);
}

double RunReader(const std::wstring& file) { return RunProgram(L"bench_read.exe", L"\"" + file + L"\""); }

// A file of one byte beside the model, for the reader's start-up alone.
std::wstring WriteOneByteFile(const std::wstring& model) {
  const std::wstring path = model + L".byte";
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, "x", 1, &written, nullptr);
  CloseHandle(file);
  return path;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int TimePairs(int pairs, const std::wstring& appdata, const std::wstring& model, bool once) {
  const Variables variables = BridgeVariables(appdata, L"", once);
  const std::wstring model_path =
      WindowsPathOf(std::string(model.begin(), model.end())).wstring();
  const std::wstring one_byte = WriteOneByteFile(model_path);
  std::vector<double> bridge_times, read_times, ratios, start_times, read_start_times;
  int failures = 0;
  for (int i = 0; i < pairs; ++i) {
    const double bridge = RunBridge(variables);
    const double read = RunReader(model_path);
    // What starting costs alone: Tarnwick.exe's loads and window, and a plain program's.
    const double start = RunProgram(L"bench_window.exe", L"");
    const double read_start = RunReader(one_byte);
    if (bridge < 0 || read < 0 || start < 0 || read_start < 0) {
      std::printf("run %d failed (bridge %.3f, read %.3f, start-ups %.3f %.3f)\n", i, bridge, read,
                  start, read_start);
      // A program that Wine once fails to start is run again; a bridge that fails again and
      // again ends the benchmark.
      if (++failures > kRunsAgain) {
        DeleteFileW(one_byte.c_str());
        return 1;
      }
      --i;
      continue;
    }
    std::printf("pair %d: tarnwick %.4f s, read %.4f s\n", i, bridge, read);
    bridge_times.push_back(bridge);
    read_times.push_back(read);
    ratios.push_back(bridge / read);
    start_times.push_back(start);
    read_start_times.push_back(read_start);
  }
  DeleteFileW(one_byte.c_str());
  // The ratio within each pair shares the moment's load, so its median is steadier on a busy
  // machine than the ratio of the medians.
  const double bridge = Median(bridge_times), read = Median(read_times);
  std::printf("median: tarnwick %.4f s, read %.4f s, ratio %.2f (median of pair ratios %.2f)\n",
              bridge, read, bridge / read, Median(ratios));
  // The same without what starting costs each program: the export's own work against the
  // read's own work.
  const double start = Median(start_times), read_start = Median(read_start_times);
  std::printf("start-up alone: tarnwick %.4f s, read %.4f s; beyond it: tarnwick %.4f s, "
              "read %.4f s, ratio %.2f\n",
              start, read_start, bridge - start, read - read_start,
              (bridge - start) / (read - read_start));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  const bool once = std::find(args.begin(), args.end(), L"--once") != args.end();
  // The bridge watches for the host's and the renderer's windows.
  FakeWindow host(kHostClass);
  FakeWindow renderer(kRendererClass);
  int result = 2;
  if (args.size() >= 4 && args[0] == L"time") {
    result = TimePairs(std::stoi(args[1]), args[2], args[3], once);
  } else if (args.size() >= 2 && args[0] == L"memory") {
    result = RunBridge(BridgeVariables(args[1], L"", once)) < 0 ? 1 : 0;
  } else if (args.size() == 3 && args[0] == L"check") {
    const std::wstring journal = WindowsPathOf(std::string(args[2].begin(), args[2].end())).wstring();
    result = RunBridge(BridgeVariables(args[1], journal, false)) < 0 ? 1 : 0;
  } else {
    std::fprintf(stderr, "usage: bench_launch time PAIRS APPDATA MODEL [--once] | memory APPDATA "
                         "[--once] | check APPDATA JOURNAL\n");
  }
  std::fflush(stdout);
  return result;
}
