#include "host_sim/host_simulator.h"

#include <algorithm>
#include <cstdio>

#include "host_sim/demo_assets.h"
#include "test_host/protocol_names.h"

namespace tarnwick::host_sim {

namespace fs = std::filesystem;

namespace {

constexpr DWORD kServeTimeoutMs = 20000;
constexpr DWORD kQuietMs = 400;

}  // namespace

std::vector<HWND> OtherRendererWindows() {
  std::vector<HWND> found;
  for (HWND window : test_host::WindowsOfClass(test_host::kRendererClass)) {
    if (test_host::WindowProcessId(window) != GetCurrentProcessId()) found.push_back(window);
  }
  return found;
}

namespace {

void EndRendererWindows(const std::vector<HWND>& windows) {
  std::vector<DWORD> owners;
  for (HWND window : windows) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    owners.push_back(owner);
    PostMessageW(window, WM_CLOSE, 0, 0);
  }
  for (DWORD owner : owners) {
    const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, owner);
    if (process == nullptr) continue;
    if (WaitForSingleObject(process, 2000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
    CloseHandle(process);
  }
}

}  // namespace

HostSimulator::HostSimulator(SimulatorOptions options)
    : options_(std::move(options)), journal_(files_.journal()) {
  renderer_windows_before_ = OtherRendererWindows();
  host_window_ = std::make_unique<HostWindow>([this](WPARAM w, LPARAM l) { OnSyncReady(w, l); });
  renderer_window_ = std::make_unique<test_host::FakeWindow>(test_host::kRendererClass);
}

HostSimulator::~HostSimulator() { Cleanup(); }

bool HostSimulator::RunScript(std::string_view script) {
  const Script parsed = ParseScript(script);
  if (!parsed.error.empty()) {
    error_ = "script " + parsed.error;
    Say("cannot run the " + error_);
    return false;
  }
  return Run(parsed.steps);
}

bool HostSimulator::Run(const std::vector<Step>& steps) {
  error_.clear();
  for (const Step& step : steps) {
    if (!RunStep(step)) {
      error_ = "line " + std::to_string(step.line) + " (" + step.command + "): " + error_;
      Say("FAILED at " + error_);
      CopyOut();
      return false;
    }
  }
  CopyOut();
  return true;
}

bool HostSimulator::RunStep(const Step& step) {
  const std::string& c = step.command;
  if (c == "#") {
    narration_.push_back("# " + step.text);
    if (options_.echo) std::printf("# %s\n", step.text.c_str());
    return true;
  }
  if (c == "folder") return Folder(step);
  if (c == "env") return Env(step);
  if (c == "renderer") return Renderer(step);
  if (c == "open-host") return OpenHost();
  if (c == "close-host") return CloseHost();
  if (c == "close-renderer") return CloseRenderer();
  if (c == "write") return Write(step);
  if (c == "remove") return Remove(step);
  if (c == "remove-folder") return RemoveFolder();
  if (c == "answer") return Answer(step);
  if (c == "start") return Start(step);
  if (c == "forward") return Forward(step);
  if (c == "post") return Post(step);
  if (c == "expect-box") return ExpectBox(step);
  if (c == "wait-end") return WaitEnd(step);
  if (c == "pause") return Pause(step);
  return Fail("unknown command " + c);
}

const std::vector<std::string>& HostSimulator::Journal() {
  journal_.Update();
  return journal_.lines();
}

std::string HostSimulator::Log() const { return files_.Read(test_host::Wide(protocol::kLogFile)).value_or(""); }

std::optional<DWORD> HostSimulator::resident_exit_code() const {
  if (!resident_ || resident_->Running()) return std::nullopt;
  return resident_->ExitCode();
}

std::vector<std::pair<std::wstring, std::wstring>> HostSimulator::BridgeEnvironment() const {
  std::vector<std::pair<std::wstring, std::wstring>> variables = {
      {L"APPDATA", files_.appdata().wstring()},
      {L"RENDERER_STANDIN_JOURNAL", files_.journal().wstring()},
      {L"RENDERER_STANDIN_NO_WINDOW", standin_renderer_ ? L"0" : L"1"}};
  // Later settings win: the process environment block keeps the last value of a name.
  variables.insert(variables.end(), extra_environment_.begin(), extra_environment_.end());
  return variables;
}

std::vector<DWORD> HostSimulator::BridgeProcessIds() const {
  std::vector<DWORD> ids;
  if (resident_) ids.push_back(resident_->id());
  for (const auto& forwarder : forwarders_) ids.push_back(forwarder->id());
  return ids;
}

HWND HostSimulator::BridgeWindow() const { return FindWindowW(test_host::Wide(protocol::kBridgeWindowClass), nullptr); }

HostSimulator::Mark HostSimulator::Now() {
  journal_.Update();
  return {journal_.size(), CountLogEntries(Log(), "Sync Model state 1 _ End"), sync_ready_};
}

bool HostSimulator::WaitFor(const std::function<bool()>& done, DWORD timeout_ms,
                            const std::string& what, int allow) {
  HWND unexpected = nullptr;
  const bool watch_end = (allow & kEnd) == 0 && resident_ && resident_->Running();
  bool ended = false;
  const bool ok = test_host::PumpUntil(
      [&] {
        journal_.Update();
        if ((allow & kBoxes) == 0) {
          const std::vector<HWND> found = MessageBoxesOf(BridgeProcessIds());
          if (!found.empty()) unexpected = found.front();
        }
        ended = watch_end && !resident_->Running();
        return unexpected != nullptr || ended || done();
      },
      timeout_ms);
  if (unexpected != nullptr) {
    const MessageBoxSeen seen = ReadMessageBox(unexpected);
    boxes_.push_back(seen);
    CloseMessageBox(unexpected, 2000);
    return Fail("the bridge showed an unexpected message box \"" + OneLine(seen.caption) +
                "\": \"" + OneLine(seen.text) + "\"");
  }
  if (ended && !done()) {
    return Fail("the bridge ended (exit code " + std::to_string(resident_->ExitCode()) +
                ") while the host waited for " + what);
  }
  if (!ok) {
    return Fail("no sign of " + what + " within " + std::to_string(timeout_ms / 1000) + " s");
  }
  return true;
}

bool HostSimulator::WaitQuiet() {
  std::size_t lines = journal_.size();
  std::size_t log = Log().size();
  ULONGLONG since = GetTickCount64();
  return WaitFor(
      [&] {
        const std::size_t log_now = Log().size();
        if (journal_.size() != lines || log_now != log) {
          lines = journal_.size();
          log = log_now;
          since = GetTickCount64();
        }
        return GetTickCount64() - since >= kQuietMs;
      },
      kServeTimeoutMs, "a pause in the bridge's work");
}

bool HostSimulator::WaitServed(unsigned message, const Mark& mark) {
  const auto called = [&](const char* function) {
    return [this, &mark, function] { return journal_.CountFrom(mark.journal, function) > 0; };
  };
  const auto model_sync_ended = [&] {
    return CountLogEntries(Log(), "Sync Model state 1 _ End") > mark.model_sync_ends;
  };
  bool ok = true;
  if (message == protocol::MSG_CAMERA_SYNC && files_.Exists(test_host::Wide(protocol::kCameraFile))) {
    ok = WaitFor(called("D5API_SendCurrentActiveCamera"), kServeTimeoutMs,
                 "the camera in the renderer");
  } else if (message == protocol::MSG_VIEWS_SYNC && files_.Exists(test_host::Wide(protocol::kViewsFile))) {
    ok = WaitFor(called("D5API_EndExport"), kServeTimeoutMs, "the saved views in the renderer");
  } else if (message == protocol::MSG_MODEL_SYNC_PREPARE) {
    ok = WaitFor([&] { return sync_ready_ > mark.sync_ready; }, kServeTimeoutMs,
                 "message " + test_host::Number(protocol::MSG_HOST_SYNC_READY) + " from the bridge");
    if (ok && answer_) {
      ok = WaitFor(model_sync_ended, kServeTimeoutMs, "the end of the model sync in the log");
    }
  } else if (message == protocol::MSG_MODEL_SYNC_APPLY) {
    ok = WaitFor(model_sync_ended, kServeTimeoutMs, "the end of the model sync in the log");
  } else if (message == protocol::MSG_LIGHT_SYNC) {
    ok = WaitFor(called("D5API_FlushData"), kServeTimeoutMs, "a flush of the renderer") &&
         WaitQuiet();
  } else {
    if (message == protocol::MSG_CAMERA_SYNC || message == protocol::MSG_VIEWS_SYNC) {
      Say("there is no file to read: the bridge sends nothing");
    }
    ok = WaitQuiet();
  }
  if (!ok) return false;
  Say(journal_.size() > mark.journal
          ? "the renderer received " +
                DescribeCalls(journal_.lines(), mark.journal, journal_.size())
          : "the renderer received nothing");
  return true;
}

void HostSimulator::Say(const std::string& line) {
  narration_.push_back(line);
  if (!options_.echo) return;
  std::printf("host: %s\n", line.c_str());
  std::fflush(stdout);
}

bool HostSimulator::Fail(const std::string& why) {
  error_ = why;
  return false;
}

void HostSimulator::CopyOut() {
  if (options_.out_folder.empty()) return;
  std::error_code error;
  fs::create_directories(options_.out_folder, error);
  fs::copy_file(files_.journal(), options_.out_folder / L"journal.jsonl",
                fs::copy_options::overwrite_existing, error);
  for (const wchar_t* name : kExchangeFileNames) {
    fs::remove(options_.out_folder / name, error);
    if (files_.Exists(name)) {
      fs::copy_file(files_.PathOf(name), options_.out_folder / name,
                    fs::copy_options::overwrite_existing, error);
    }
  }
  CopyDemoAssets(files_.data_folder(), options_.out_folder);
}

void HostSimulator::Cleanup() {
  for (HWND box : MessageBoxesOf(BridgeProcessIds())) CloseMessageBox(box, 1000);
  // Without its host window the bridge ends at its next watchdog tick.
  host_window_.reset();
  renderer_window_.reset();
  if (resident_ && resident_->Running()) resident_->WaitForExit(2500);
  resident_.reset();  // terminated if it is still running
  forwarders_.clear();
  std::vector<HWND> appeared;
  for (HWND window : OtherRendererWindows()) {
    if (std::find(renderer_windows_before_.begin(), renderer_windows_before_.end(), window) ==
        renderer_windows_before_.end()) {
      appeared.push_back(window);
    }
  }
  EndRendererWindows(appeared);
}

}  // namespace tarnwick::host_sim
