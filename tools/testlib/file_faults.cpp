#include "testlib/file_faults.h"

#include <optional>
#include <thread>

namespace tarnwick::testing {

namespace {

struct State {
  std::uint64_t calls = 0;
  std::uint64_t fail_at = 0;
  std::optional<FileCall> fail_kind;
  std::optional<FileCall> fail_every;
  std::optional<FileCall> pause_kind;
  std::chrono::milliseconds pause{0};
  bool failed = false;
};

State g_state;

bool Hook(FileCall call) {
  ++g_state.calls;
  if (g_state.pause_kind == call) {
    g_state.pause_kind.reset();
    std::this_thread::sleep_for(g_state.pause);
  }
  bool fail = g_state.calls == g_state.fail_at;
  if (g_state.fail_kind == call) {
    g_state.fail_kind.reset();
    fail = true;
  }
  if (g_state.fail_every == call) fail = true;
  if (fail) g_state.failed = true;
  return fail;
}

}  // namespace

FileFaults::FileFaults() {
  g_state = State{};
  SetFileCallHook(&Hook);
}

FileFaults::~FileFaults() {
  SetFileCallHook(nullptr);
  g_state = State{};
}

void FileFaults::FailNth(std::uint64_t n) {
  g_state.calls = 0;
  g_state.fail_at = n;
}

void FileFaults::FailNext(FileCall call) { g_state.fail_kind = call; }

void FileFaults::FailEvery(FileCall call) { g_state.fail_every = call; }

void FileFaults::PauseBefore(FileCall call, std::chrono::milliseconds pause) {
  g_state.pause_kind = call;
  g_state.pause = pause;
}

std::uint64_t FileFaults::calls() const { return g_state.calls; }

bool FileFaults::failed() const { return g_state.failed; }

}  // namespace tarnwick::testing
