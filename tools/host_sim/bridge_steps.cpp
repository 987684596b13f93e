// The steps that involve the bridge: starting it, asking it for work by
// forwarding or posting a request, the model-sync handshake seen from the
// host's side, its message boxes and its end.
#include <cstdlib>

#include "host_sim/host_simulator.h"
#include "test_host/protocol_names.h"
#include "host_sim/wide_text.h"

namespace tarnwick::host_sim {

namespace {

using test_host::Number;
using test_host::Wide;

// A safety net only: the stand-in journals every call in a file of its own opening, and a
// model of 50,000 solids takes some 25 s to export under Wine, more beside another test.
constexpr DWORD kStartTimeoutMs = 90000;
constexpr DWORD kForwardTimeoutMs = 10000;
constexpr DWORD kBoxTimeoutMs = 15000;
constexpr DWORD kDefaultEndMs = 3000;

std::string WordsOf(unsigned message) {
  switch (message) {
    case protocol::MSG_CAMERA_SYNC:
      return Number(message) + ", camera sync";
    case protocol::MSG_MODEL_SYNC_PREPARE:
      return Number(message) + ", model sync";
    case protocol::MSG_MODEL_SYNC_APPLY:
      return Number(message) + ", apply the changes";
    case protocol::MSG_LIGHT_SYNC:
      return Number(message) + ", light sync";
    case protocol::MSG_VIEWS_SYNC:
      return Number(message) + ", views sync";
    default:
      return Number(message);
  }
}

}  // namespace

bool HostSimulator::Start(const Step& step) {
  if (resident_ && resident_->Running()) return Fail("a resident bridge is running already");
  // A bridge left over from elsewhere would take the request and the new process only forward it.
  if (BridgeWindow() != nullptr) {
    return Fail("another bridge is running (a window of class Tarnwick exists)");
  }
  const std::string word = step.words.empty() ? "" : step.words[0];
  const Mark mark = Now();
  resident_ = std::make_unique<test_host::BridgeProcess>();
  if (!resident_->Start(test_host::TarnwickBesideMe(), Widen(word), BridgeEnvironment())) {
    return Fail("cannot start " + Narrow(test_host::TarnwickBesideMe().wstring()));
  }
  const DWORD id = resident_->id();
  Say("starts Tarnwick.exe " + (word.empty() ? "without a word" : word) + " (process " +
      std::to_string(id) + ")");
  // The bridge opens its window before its start-up export; the export ends with a flush.
  const auto exported = [&] {
    return resident_->FindWindowOfClass(Wide(protocol::kBridgeWindowClass)) != nullptr &&
           journal_.Find("D5API_FlushData", mark.journal) < journal_.size();
  };
  if (!WaitFor([&] { return !resident_->Running() || !MessageBoxesOf({id}).empty() || exported(); },
               kStartTimeoutMs, "the start-up export", kBoxes | kEnd)) {
    return false;
  }
  if (!resident_->Running() || !MessageBoxesOf({id}).empty()) {
    const std::string got = DescribeCalls(journal_.lines(), mark.journal, journal_.size());
    Say(resident_->Running()
            ? "the bridge shows a message box (the renderer received " + got + ")"
            : "the bridge ended during its start-up, exit code " +
                  std::to_string(resident_->ExitCode()) + " (the renderer received " + got + ")");
    return true;
  }
  const std::size_t flush = journal_.Find("D5API_FlushData", mark.journal);
  Say("the bridge is resident (hidden window of class Tarnwick) and has sent the whole model: the "
      "renderer received " +
      DescribeCalls(journal_.lines(), mark.journal, flush + 1));
  const unsigned message = RequestMessage(word);
  if (message == 0 || message == protocol::MSG_MODEL_SYNC_APPLY) return true;
  Say("the bridge serves its own request " + word + " (message " + WordsOf(message) + ")");
  return WaitServed(message, Mark{flush + 1, mark.model_sync_ends, mark.sync_ready});
}

bool HostSimulator::Forward(const Step& step) {
  if (!resident_ || !resident_->Running()) return Fail("no resident bridge to forward to");
  const std::string& word = step.words[0];
  const Mark mark = Now();
  auto forwarder = std::make_unique<test_host::BridgeProcess>();
  if (!forwarder->Start(test_host::TarnwickBesideMe(), Widen(word), BridgeEnvironment())) {
    return Fail("cannot start a second Tarnwick.exe");
  }
  test_host::BridgeProcess& started = *forwarder;
  forwarders_.push_back(std::move(forwarder));
  Say("starts a second Tarnwick.exe " + word + " (process " + std::to_string(started.id()) + ")");
  if (!WaitFor([&] { return !started.Running(); }, kForwardTimeoutMs,
               "the second Tarnwick.exe's end")) {
    return false;
  }
  forward_exit_codes_.push_back(started.ExitCode());
  Say("the second Tarnwick.exe passed " + word +
      " on to the resident bridge and ended (exit code " + std::to_string(started.ExitCode()) +
      ")");
  // A forwarding process posts only for the four request words, never a number.
  const bool is_word = word.find_first_not_of("0123456789") != std::string::npos;
  return WaitServed(is_word ? RequestMessage(word) : 0, mark);
}

bool HostSimulator::Post(const Step& step) {
  const HWND bridge = BridgeWindow();
  if (bridge == nullptr) return Fail("no window of class Tarnwick");
  const unsigned message = RequestMessage(step.words[0]);
  if (message == 0) return Fail("no message for " + step.words[0]);
  const Mark mark = Now();
  PostMessageW(bridge, message, 0, 0);
  Say("posts message " + WordsOf(message) + " to the bridge's window");
  return WaitServed(message, mark);
}

bool HostSimulator::ExpectBox(const Step& step) {
  const std::wstring caption = Widen(step.text);
  HWND found = nullptr;
  const auto appeared = [&] {
    for (HWND box : MessageBoxesOf(BridgeProcessIds())) {
      if (ReadMessageBox(box).caption == caption) found = box;
    }
    return found != nullptr;
  };
  if (!WaitFor(appeared, kBoxTimeoutMs, "a message box \"" + step.text + "\"", kBoxes | kEnd)) {
    return false;
  }
  const MessageBoxSeen seen = ReadMessageBox(found);
  boxes_.push_back(seen);
  Say("the bridge shows a message box \"" + OneLine(seen.caption) + "\" saying \"" +
      OneLine(seen.text) + "\"; the user presses OK");
  return CloseMessageBox(found, 3000) || Fail("the message box stayed open");
}

bool HostSimulator::WaitEnd(const Step& step) {
  if (!resident_) return Fail("no bridge was started");
  const DWORD timeout =
      step.words.empty() ? kDefaultEndMs : static_cast<DWORD>(std::atol(step.words[0].c_str()));
  const ULONGLONG since = closed_at_ != 0 ? closed_at_ : GetTickCount64();
  const Mark mark = Now();
  if (!WaitFor([&] { return !resident_->Running(); }, timeout, "the bridge's end", kBoxes | kEnd)) {
    return false;
  }
  end_delay_ms_ = GetTickCount64() - since;
  journal_.Update();
  const std::string got = journal_.size() > mark.journal
                              ? "; the renderer received " +
                                    DescribeCalls(journal_.lines(), mark.journal, journal_.size())
                              : "";
  Say("the bridge ended" +
      (closed_at_ != 0 ? std::string(" ") + std::to_string(*end_delay_ms_) + " ms after the window closed"
                       : std::string()) +
      " (exit code " + std::to_string(resident_->ExitCode()) + ")" + got);
  return true;
}

bool HostSimulator::Pause(const Step& step) {
  const DWORD ms = static_cast<DWORD>(std::atol(step.words[0].c_str()));
  Say("waits " + step.words[0] + " ms");
  const ULONGLONG until = GetTickCount64() + ms;
  // While the host and the renderer are open the bridge must stay; after one of
  // them has closed its end is expected.
  return WaitFor([&] { return GetTickCount64() >= until; }, ms + 1000, "the end of the pause",
                 closed_at_ != 0 ? kEnd : kNothing);
}

void HostSimulator::OnSyncReady(WPARAM, LPARAM lparam) {
  if (lparam != protocol::kHostSyncReadyLParam) {
    Say("receives message " + Number(protocol::MSG_HOST_SYNC_READY) + " with lParam " + std::to_string(lparam) +
        ": not the sync record, ignored");
    return;
  }
  ++sync_ready_;
  const std::string record = files_.Read(Wide(protocol::kSyncRecordFile)).value_or("");
  Say("receives message " + Number(protocol::MSG_HOST_SYNC_READY) + ": the bridge's sync record " +
      std::string(protocol::kSyncRecordFile.narrow) + " lists " +
      std::to_string(CountLinesStartingWith(record, "ID3D:")) + " solids and " +
      std::to_string(CountLinesStartingWith(record, "Material:")) + " materials");
  if (!answer_) {
    Say("has no changes to send and does not answer");
    return;
  }
  if (!files_.Write(Wide(protocol::kIncrementalFile), *answer_)) {
    Say("cannot write " + std::string(protocol::kIncrementalFile.narrow) + " and does not answer");
    return;
  }
  PostMessageW(BridgeWindow(), protocol::MSG_MODEL_SYNC_APPLY, 0, 0);
  Say("writes the changes to " + std::string(protocol::kIncrementalFile.narrow) + " (" + std::to_string(answer_->size()) +
      " bytes) and posts message " + Number(protocol::MSG_MODEL_SYNC_APPLY) + " to the bridge");
}

}  // namespace tarnwick::host_sim
