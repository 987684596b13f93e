// The steps that involve the bridge: starting it, asking it for work by
// forwarding or posting a request, the model-sync handshake seen from the
// host's side, its message boxes and its end.
#include <cstdlib>

#include "host_sim/host_simulator.h"
#include "host_sim/wide_text.h"

namespace tarnwick::host_sim {

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kForwardTimeoutMs = 10000;
constexpr DWORD kBoxTimeoutMs = 15000;
constexpr DWORD kDefaultEndMs = 3000;
constexpr UINT kModelSyncApply = WM_USER + 3;  // 1027
constexpr wchar_t kBridgeClass[] = L"Tarnwick";

std::string WordsOf(unsigned message) {
  switch (message) {
    case 1025:
      return "1025, camera sync";
    case 1026:
      return "1026, model sync";
    case 1027:
      return "1027, apply the changes";
    case 1028:
      return "1028, light sync";
    case 1029:
      return "1029, views sync";
    default:
      return std::to_string(message);
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
    return resident_->FindWindowOfClass(kBridgeClass) != nullptr &&
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
  if (message == 0 || message == 1027) return true;
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
      (closed_at_ != 0 ? " " + std::to_string(*end_delay_ms_) + " ms after the window closed"
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
  if (lparam != 10) {
    Say("receives message 1137 with lParam " + std::to_string(lparam) +
        ": not the sync record, ignored");
    return;
  }
  ++sync_ready_;
  const std::string record = files_.Read(L"_mod.sync").value_or("");
  Say("receives message 1137: the bridge's sync record _mod.sync lists " +
      std::to_string(CountLinesStartingWith(record, "ID3D:")) + " solids and " +
      std::to_string(CountLinesStartingWith(record, "Material:")) + " materials");
  if (!answer_) {
    Say("has no changes to send and does not answer");
    return;
  }
  if (!files_.Write(L"_mod.sm", *answer_)) {
    Say("cannot write _mod.sm and does not answer");
    return;
  }
  PostMessageW(BridgeWindow(), kModelSyncApply, 0, 0);
  Say("writes the changes to _mod.sm (" + std::to_string(answer_->size()) +
      " bytes) and posts message 1027 to the bridge");
}

}  // namespace tarnwick::host_sim
