// The host simulator: plays the host CAD application's plug-in for real. It owns
// the host's window, writes the exchange folder, starts Tarnwick.exe with a
// request word, posts or forwards requests, answers the model-sync handshake,
// reads and closes the bridge's message boxes, and says what it does.
#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host_sim/exchange_files.h"
#include "host_sim/host_window.h"
#include "host_sim/scenario.h"
#include "host_sim/traces.h"
#include "test_host/bridge_process.h"
#include "test_host/host_windows.h"
#include "test_host/message_boxes.h"

namespace tarnwick::host_sim {

using test_host::CloseMessageBox;
using test_host::MessageBoxesOf;
using test_host::MessageBoxSeen;
using test_host::OneLine;
using test_host::ReadMessageBox;

// Renderer windows ("Qt5152QWindowIcon") of other processes, such as the stand-in's
// renderer_window.exe.
std::vector<HWND> OtherRendererWindows();

// How a simulator reports.
struct SimulatorOptions {
  bool echo = true;                  // print each step as it happens
  std::filesystem::path out_folder;  // when set: the journal, log and sync record are copied here
};

// One simulated host session; scripts run on it one after another share its state.
class HostSimulator {
 public:
  explicit HostSimulator(SimulatorOptions options = {});
  // The cleanup guard: closes message boxes, ends every process it started
  // (the stand-in's renderer window included) and removes its files.
  ~HostSimulator();
  HostSimulator(const HostSimulator&) = delete;
  HostSimulator& operator=(const HostSimulator&) = delete;

  // Parses and runs a script; stops at the first step that fails. True when all succeeded.
  bool RunScript(std::string_view script);
  // Runs parsed steps in the same way.
  bool Run(const std::vector<Step>& steps);

  // Why the run stopped ("" after a successful run).
  const std::string& error() const { return error_; }
  // Every line said so far.
  const std::vector<std::string>& narration() const { return narration_; }
  // The work and exchange folders.
  const ExchangeFiles& files() const { return files_; }
  // The renderer calls journalled so far.
  const std::vector<std::string>& Journal();
  // The bridge's log ("" when there is none).
  std::string Log() const;
  // The bridge's message boxes seen so far, expected or not.
  const std::vector<MessageBoxSeen>& boxes() const { return boxes_; }
  // Messages 1137 with lParam 10 that the host's window received.
  int sync_ready_count() const { return sync_ready_; }
  // The resident bridge's exit code, once it has ended.
  std::optional<DWORD> resident_exit_code() const;
  // From closing the host's or the renderer's window to the bridge's end (wait-end).
  std::optional<ULONGLONG> end_delay_ms() const { return end_delay_ms_; }
  // Exit codes of the forwarding processes, in order.
  const std::vector<DWORD>& forward_exit_codes() const { return forward_exit_codes_; }

 private:
  // Where the journal, the log and the host stood when a request went out.
  struct Mark {
    std::size_t journal = 0;
    int model_sync_ends = 0;
    int sync_ready = 0;
  };

  bool RunStep(const Step& step);
  bool Folder(const Step& step);
  bool Env(const Step& step);
  bool Renderer(const Step& step);
  bool OpenHost();
  bool CloseHost();
  bool CloseRenderer();
  bool Write(const Step& step);
  bool Remove(const Step& step);
  bool RemoveFolder();
  bool Answer(const Step& step);
  bool Start(const Step& step);
  bool Forward(const Step& step);
  bool Post(const Step& step);
  bool ExpectBox(const Step& step);
  bool WaitEnd(const Step& step);
  bool Pause(const Step& step);

  // The bytes of a source (write, answer) and what they are; false with error_ set.
  bool Source(const Step& step, std::size_t at, std::string& bytes, std::string& about);
  void OnSyncReady(WPARAM wparam, LPARAM lparam);
  std::vector<std::pair<std::wstring, std::wstring>> BridgeEnvironment() const;
  std::vector<DWORD> BridgeProcessIds() const;
  HWND BridgeWindow() const;
  Mark Now();
  // What a wait tolerates besides its condition.
  enum Allow : int { kNothing = 0, kBoxes = 1, kEnd = 2 };
  // Serves messages and follows the journal until done() holds. A message box
  // of the bridge, or the end of the resident bridge, fails the wait unless allowed.
  bool WaitFor(const std::function<bool()>& done, DWORD timeout_ms, const std::string& what,
               int allow = kNothing);
  // Waits until neither the journal nor the log has grown for a moment.
  bool WaitQuiet();
  // Waits until the bridge has served the message posted at mark, and says what the renderer got.
  bool WaitServed(unsigned message, const Mark& mark);
  void Say(const std::string& line);
  bool Fail(const std::string& why);
  void CopyOut();
  void Cleanup();

  SimulatorOptions options_;
  ExchangeFiles files_;
  JournalFollower journal_;
  std::vector<std::pair<std::wstring, std::wstring>> extra_environment_;
  bool standin_renderer_ = false;
  std::unique_ptr<test_host::FakeWindow> renderer_window_;
  std::unique_ptr<HostWindow> host_window_;
  std::vector<HWND> renderer_windows_before_;
  std::unique_ptr<test_host::BridgeProcess> resident_;
  std::vector<std::unique_ptr<test_host::BridgeProcess>> forwarders_;
  std::optional<std::string> answer_;
  std::vector<MessageBoxSeen> boxes_;
  std::vector<DWORD> forward_exit_codes_;
  int sync_ready_ = 0;
  ULONGLONG closed_at_ = 0;
  std::optional<ULONGLONG> end_delay_ms_;
  std::string error_;
  std::vector<std::string> narration_;
};

}  // namespace tarnwick::host_sim
