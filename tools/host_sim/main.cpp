// host_sim.exe: plays the host CAD application's plug-in for the bridge under
// Wine, step by step, and says what it does.
//   host_sim.exe [--quiet] [--out FOLDER] SCENARIO      a built-in scenario
//   host_sim.exe [--quiet] [--out FOLDER] --script FILE a script file (see host_sim/scenario.h)
//   host_sim.exe --list                                 the built-in scenarios
// --out copies the renderer's journal and the exchange files (the host's and the
// bridge's log and sync record) into FOLDER at the end. The exit code is 0 when every step succeeded.
#include <cstdio>
#include <string>

#include "host_sim/exchange_files.h"
#include "host_sim/host_simulator.h"
#include "host_sim/wide_text.h"

namespace {

using namespace tarnwick::host_sim;

int Usage() {
  std::fprintf(stderr,
               "usage: host_sim.exe [--quiet] [--out FOLDER] SCENARIO | --script FILE | --list\n");
  return 2;
}

int List() {
  for (const auto& [name, about] : BuiltInScenarios()) {
    std::printf("%-14s %s\n", name.c_str(), about.c_str());
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SimulatorOptions options;
  std::string scenario;
  std::string script;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--list") return List();
    if (arg == L"--quiet") {
      options.echo = false;
    } else if (arg == L"--out" && i + 1 < argc) {
      options.out_folder = tarnwick::test_host::WindowsPathOf(Narrow(argv[++i]));
    } else if (arg == L"--script" && i + 1 < argc) {
      const auto text = ReadWholeFile(tarnwick::test_host::WindowsPathOf(Narrow(argv[++i])));
      if (!text) {
        std::fprintf(stderr, "host_sim: cannot read the script %ls\n", argv[i]);
        return 2;
      }
      script = *text;
      scenario = Narrow(argv[i]);
    } else if (scenario.empty() && !arg.starts_with(L"--")) {
      scenario = Narrow(arg);
      const auto text = BuiltInScenario(scenario);
      if (!text) {
        std::fprintf(stderr, "host_sim: no scenario %s (--list shows them)\n", scenario.c_str());
        return 2;
      }
      script = *text;
    } else {
      return Usage();
    }
  }
  if (script.empty()) return Usage();
  if (options.echo) std::printf("host_sim: scenario %s\n", scenario.c_str());
  HostSimulator simulator(options);
  const bool ok = simulator.RunScript(script);
  if (options.echo) {
    std::printf(ok ? "host_sim: every step succeeded\n" : "host_sim: the scenario failed: %s\n",
                simulator.error().c_str());
  } else if (!ok) {
    std::fprintf(stderr, "host_sim: %s\n", simulator.error().c_str());
  }
  std::fflush(stdout);
  return ok ? 0 : 1;
}
