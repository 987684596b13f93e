// test_host.exe: plays the host CAD application for a short demonstration of
// the bridge under Wine. It opens a host window and a renderer window, starts
// Tarnwick.exe with a request word, starts it again with another word (which is
// forwarded), closes the host window and prints what the bridge logged.
//   test_host.exe [FIRST_WORD [SECOND_WORD]]
#include <cstdio>
#include <string>

#include "test_host/bridge_process.h"
#include "test_host/host_windows.h"

namespace tarnwick::test_host {
namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

void Say(const std::string& line) {
  std::printf("host: %s\n", line.c_str());
  std::fflush(stdout);
}

int Fail(const std::string& why) {
  Say("FAILED: " + why);
  return 1;
}

int RunDemo(const std::wstring& first_word, const std::wstring& second_word) {
  TempAppData appdata;
  appdata.CopySampleFiles(WindowsPathOf(TARNWICK_SAMPLE_FOLDER));
  FakeWindow host(kHostClass);
  FakeWindow renderer(kRendererClass);
  Say("opened windows of class Corvella_class and Qt5152QWindowIcon");

  BridgeProcess resident;
  if (!resident.Start(TarnwickBesideMe(), first_word, BridgeEnvironment(appdata))) {
    return Fail("cannot start " + Narrow(TarnwickBesideMe().wstring()));
  }
  Say("started Tarnwick.exe " + Narrow(first_word) + " (process " +
      std::to_string(resident.id()) + ")");
  if (!PumpUntil([&] { return resident.FindWindowOfClass(L"Tarnwick") != nullptr; }, 15000)) {
    return Fail("the bridge opened no window");
  }
  Say("the bridge is resident: its hidden window of class Tarnwick exists");

  BridgeProcess messenger;
  if (!messenger.Start(TarnwickBesideMe(), second_word, BridgeEnvironment(appdata)) ||
      !messenger.WaitForExit(5000)) {
    return Fail("the second start did not forward and exit");
  }
  Say("second start Tarnwick.exe " + Narrow(second_word) + " forwarded its request and exited (code " +
      std::to_string(messenger.ExitCode()) + ")");

  PumpMessagesFor(1500);
  if (!resident.Running()) return Fail("the bridge ended while the host was open");
  host.Destroy();
  Say("closed the host window");
  const ULONGLONG closed_at = GetTickCount64();
  if (!resident.WaitForExit(5000)) return Fail("the bridge did not end");
  Say("the bridge ended " + std::to_string(GetTickCount64() - closed_at) +
      " ms later (exit code " + std::to_string(resident.ExitCode()) + ")");

  Say("the bridge's log D5_Log.log:");
  std::string log = appdata.ReadLog();
  std::erase(log, '\r');  // the log is text with CR LF; the terminal wants LF
  std::fputs(log.c_str(), stdout);
  return 0;
}

}  // namespace
}  // namespace tarnwick::test_host

int wmain(int argc, wchar_t** argv) {
  const std::wstring first = argc > 1 ? argv[1] : L"cameraSync";
  const std::wstring second = argc > 2 ? argv[2] : L"ModelSync";
  return tarnwick::test_host::RunDemo(first, second);
}
