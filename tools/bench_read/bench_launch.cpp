// Starts Tarnwick.exe for the benchmark as the host would, with the exit
// command 105 queued behind its start-up export, and times it from process
// start to exit, in rounds with bench_read.exe reading the same model file and
// bench_floor.exe (Tarnwick.exe's loads and window, then the same read: the
// floor of any bridge). Each round ends with the start-ups alone:
// bench_window.exe (what Tarnwick.exe loads, and its window) and bench_read.exe
// on a one-byte file.
//
//   bench_launch time ROUNDS APPDATA MODEL [--once]  spreads, medians and ratios
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

#include "bench_timing.h"
#include "test_host/bridge_process.h"
#include "test_host/host_windows.h"

namespace {

using namespace tarnwick::test_host;
using namespace tarnwick::bench;

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

// The times of one round: Tarnwick.exe, the plain read, the floor (window, then the plain
// read), and the start-ups alone.
struct Round {
  double bridge = -1, read = -1, floor = -1, start = -1, read_start = -1;
  bool Ok() const {
    return bridge >= 0 && read >= 0 && floor >= 0 && start >= 0 && read_start >= 0;
  }
};

Round RunRound(const Variables& variables, const std::wstring& model,
               const std::wstring& one_byte) {
  Round round;
  round.bridge = RunBridge(variables);
  round.read = RunReader(model);
  round.floor = RunProgram(L"bench_floor.exe", L"\"" + model + L"\"");
  // What starting costs alone: Tarnwick.exe's loads and window, and a plain program's.
  round.start = RunProgram(L"bench_window.exe", L"");
  round.read_start = RunReader(one_byte);
  return round;
}

void PrintSummary(const std::vector<Round>& rounds) {
  std::vector<double> bridge, read, floor, by_read, by_floor, start, read_start;
  for (const Round& r : rounds) {
    bridge.push_back(r.bridge);
    read.push_back(r.read);
    floor.push_back(r.floor);
    by_read.push_back(r.bridge / r.read);
    by_floor.push_back(r.bridge / r.floor);
    start.push_back(r.start);
    read_start.push_back(r.read_start);
  }
  PrintSpread("tarnwick", bridge, " s");
  PrintSpread("read", read, " s");
  PrintSpread("floor (window, then read)", floor, " s");
  PrintSpread("tarnwick / read, per round", by_read, "");
  PrintSpread("tarnwick / floor, per round", by_floor, "");
  // The ratio within each round shares the moment's load, so its median is steadier on a
  // busy machine than the ratio of the medians.
  std::printf("median: tarnwick %.4f s, read %.4f s, floor %.4f s, ratio to read %.2f, "
              "ratio to floor %.2f\n",
              Median(bridge), Median(read), Median(floor), Median(by_read), Median(by_floor));
  // The same without what starting costs each program: the export's own work against the
  // read's own work.
  const double s = Median(start), rs = Median(read_start);
  std::printf("start-up alone: tarnwick %.4f s, read %.4f s; beyond it: tarnwick %.4f s, "
              "read %.4f s, ratio %.2f\n",
              s, rs, Median(bridge) - s, Median(read) - rs,
              (Median(bridge) - s) / (Median(read) - rs));
}

int TimeRounds(int rounds, const std::wstring& appdata, const std::wstring& model, bool once) {
  const Variables variables = BridgeVariables(appdata, L"", once);
  const std::wstring model_path =
      WindowsPathOf(std::string(model.begin(), model.end())).wstring();
  const std::wstring one_byte = WriteOneByteFile(model_path);
  std::vector<Round> done;
  int failures = 0;
  for (int i = 0; i < rounds; ++i) {
    const Round round = RunRound(variables, model_path, one_byte);
    if (!round.Ok()) {
      std::printf("run %d failed (bridge %.3f, read %.3f, floor %.3f, start-ups %.3f %.3f)\n", i,
                  round.bridge, round.read, round.floor, round.start, round.read_start);
      // A program that Wine once fails to start is run again; a bridge that fails again and
      // again ends the benchmark.
      if (++failures > kRunsAgain) {
        DeleteFileW(one_byte.c_str());
        return 1;
      }
      --i;
      continue;
    }
    std::printf("round %d: tarnwick %.4f s, read %.4f s, floor %.4f s\n", i, round.bridge,
                round.read, round.floor);
    done.push_back(round);
  }
  DeleteFileW(one_byte.c_str());
  PrintSummary(done);
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
    result = TimeRounds(std::stoi(args[1]), args[2], args[3], once);
  } else if (args.size() >= 2 && args[0] == L"memory") {
    result = RunBridge(BridgeVariables(args[1], L"", once)) < 0 ? 1 : 0;
  } else if (args.size() == 3 && args[0] == L"check") {
    const std::wstring journal = WindowsPathOf(std::string(args[2].begin(), args[2].end())).wstring();
    result = RunBridge(BridgeVariables(args[1], journal, false)) < 0 ? 1 : 0;
  } else {
    std::fprintf(stderr, "usage: bench_launch time ROUNDS APPDATA MODEL [--once] | memory APPDATA "
                         "[--once] | check APPDATA JOURNAL\n");
  }
  std::fflush(stdout);
  return result;
}
