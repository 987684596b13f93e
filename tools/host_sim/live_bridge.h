// A resident Tarnwick.exe under Wine with the host's and the renderer's windows
// held by the test itself, for tests that act at moments a script cannot reach:
// while a message box is up, during the start-up export, between 1137 and 1027.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host_sim/e2e_support.h"
#include "host_sim/exchange_files.h"
#include "host_sim/host_window.h"
#include "test_host/bridge_process.h"
#include "test_host/host_windows.h"
#include "test_host/message_boxes.h"
#include "test_host/message_boxes.h"

#include "test_host/protocol_names.h"

namespace tarnwick::host_sim {

// The resident bridge's window class.
inline const wchar_t* const kBridgeClass = test_host::Wide(protocol::kBridgeWindowClass);
// Generous limits for a busy machine; the tests wait for events, never for time.
inline constexpr DWORD kBridgeStartMs = 15000;
inline constexpr DWORD kBridgeEndMs = 6000;

// A file of the house sample ("" when it cannot be read).
inline std::string HouseSample(const wchar_t* name) {
  return ReadWholeFile(test_host::WindowsPathOf(TARNWICK_SAMPLE_FOLDER) / name).value_or("");
}

// "Views.cam" with two saved views and none active: a views request then ends
// with D5API_EndExport and never sends the current camera, so the camera
// request's D5API_SendCurrentActiveCamera tells the two apart in the journal.
inline std::string TwoViewsNoneActive() {
  std::string text = "Cameras_Start\nCameras_Version [1]\nCameras_nActCamera [-1]\n";
  for (const char* name : {"North", "South"}) {
    text += std::string("Cameras_Camera_ObjectSTART\nCamera_Start\nCamera_Version [1]\n") +
            "Camera_nType [0]\nCamera__fov [45]\nCamera_Name [" + name +
            "]\nCamera__from [0 -20 2]\nCamera__to [0 0 1]\nCamera__up [0 0 1]\n" +
            "Camera__fNerClipp [0.1]\nCamera_End\nCameras_Camera_ObjectEND\n";
  }
  return text + "Cameras_End\n";
}

class LiveBridge : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host_->handle(), nullptr);
    ASSERT_NE(renderer_->handle(), nullptr);
    ASSERT_TRUE(files_.Write(test_host::Wide(protocol::kModelFile), HouseSample(L"_model.cvm")));
    ASSERT_TRUE(files_.Write(L"camera.cam", HouseSample(L"camera.cam")));
    ASSERT_TRUE(files_.Write(L"Views.cam", TwoViewsNoneActive()));
  }

  // Sets a variable for every Tarnwick.exe started later.
  void Env(const std::wstring& name, const std::wstring& value) {
    environment_.emplace_back(name, value);
  }

  std::vector<std::pair<std::wstring, std::wstring>> Environment() const {
    std::vector<std::pair<std::wstring, std::wstring>> variables = {
        {L"APPDATA", files_.appdata().wstring()},
        {L"RENDERER_STANDIN_JOURNAL", files_.journal().wstring()},
        {L"RENDERER_STANDIN_NO_WINDOW", L"1"}};
    variables.insert(variables.end(), environment_.begin(), environment_.end());
    return variables;
  }

  // Starts a Tarnwick.exe with the word; true once its window exists (resident) or at once.
  bool Start(test_host::BridgeProcess& process, const std::wstring& word, bool resident = true) {
    if (!process.Start(test_host::TarnwickBesideMe(), word, Environment())) return false;
    if (!resident) return true;
    return test_host::PumpUntil([&] { return process.FindWindowOfClass(kBridgeClass) != nullptr; },
                                kBridgeStartMs);
  }

  // Starts the resident with a renderer that cannot be started and waits for the box that
  // says so; null when the bridge or its box does not come up.
  HWND StartWithRendererMissing(const std::wstring& word) {
    Env(L"RENDERER_STANDIN_START_RESULT", L"1");
    Env(L"RENDERER_STANDIN_START_ERROR", L"-3");
    return Start(resident_, word) ? WaitForMessageBox() : nullptr;
  }

  // Waits for the resident's first message box; null when none comes up.
  HWND WaitForMessageBox() {
    HWND box = nullptr;
    test_host::PumpUntil([&] {
      const std::vector<HWND> boxes = test_host::MessageBoxesOf({resident_.id()});
      box = boxes.empty() ? nullptr : boxes.front();
      return box != nullptr;
    }, kBridgeStartMs);
    return box;
  }

  // Starts the resident bridge and waits until it has served its own request,
  // whose last renderer call is given (the export's flush comes first: the
  // model's own cameras are sent before it).
  bool StartServed(const std::wstring& word, const std::string& last_call) {
    return Start(resident_, word) && test_host::PumpUntil([&] {
             const std::vector<std::string> lines = Journal();
             std::size_t flush = 0;
             while (flush < lines.size() && FunctionOf(lines[flush]) != "D5API_FlushData") ++flush;
             return flush < lines.size() && CountCalls(lines, last_call, flush) > 0;
           }, kBridgeStartMs);
  }

  // Posts requests to the resident bridge's window.
  void Post(const std::vector<UINT>& messages) const {
    const HWND window = resident_.FindWindowOfClass(kBridgeClass);
    for (UINT message : messages) PostMessageW(window, message, 0, 0);
  }

  // The renderer calls journalled so far, one line each.
  std::vector<std::string> Journal() const {
    const std::string text = ReadWholeFile(files_.journal()).value_or("");
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
      std::size_t end = text.find('\n', at);
      if (end == std::string::npos) break;  // a line still being written
      lines.push_back(text.substr(at, end - at));
      at = end + 1;
    }
    return lines;
  }

  // The log's messages, the rotated part first.
  std::vector<std::string> Log() const {
    return LogMessages(files_.Read(L"D5_Log.logOld").value_or("") +
                       files_.Read(test_host::Wide(protocol::kLogFile)).value_or(""));
  }

  // Waits for the resident bridge's end; true when it ended with exit code 0.
  ::testing::AssertionResult EndsCleanly() {
    if (!resident_.WaitForExit(kBridgeEndMs)) {
      return ::testing::AssertionFailure() << "the bridge is still running";
    }
    if (resident_.ExitCode() != 0) {
      return ::testing::AssertionFailure() << "exit code " << resident_.ExitCode();
    }
    return ::testing::AssertionSuccess();
  }

  ExchangeFiles files_;
  int sync_ready_ = 0;
  std::unique_ptr<HostWindow> host_ =
      std::make_unique<HostWindow>([this](WPARAM, LPARAM) { ++sync_ready_; });
  std::unique_ptr<test_host::FakeWindow> renderer_ =
      std::make_unique<test_host::FakeWindow>(test_host::kRendererClass);
  test_host::BridgeProcess resident_;
  std::vector<std::pair<std::wstring, std::wstring>> environment_;
};

}  // namespace tarnwick::host_sim
