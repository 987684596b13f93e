// The native test build of the stand-in: answers set by standin::Configure,
// the journal kept in memory. Tests run on one thread.
#include "standin/standin.h"
#include "standin/standin_host.h"

namespace standin {

namespace {

Options& CurrentOptions() {
  static Options options;
  return options;
}

std::vector<std::string>& Lines() {
  static std::vector<std::string> lines;
  return lines;
}

}  // namespace

void Configure(const Options& options) {
  CurrentOptions() = options;
  Lines().clear();
}

void ResetJournal() { Lines().clear(); }

const std::vector<std::string>& JournalLines() { return Lines(); }

namespace host {

bool Recording() { return CurrentOptions().record; }

bool DigestOnly() { return CurrentOptions().digest_only; }

bool WholeArrays() { return CurrentOptions().whole_arrays; }

void Record(std::string line) { Lines().push_back(std::move(line)); }

int StartResult() { return CurrentOptions().start_result; }

int StartError() { return CurrentOptions().start_error; }

int SessionResult() { return CurrentOptions().session_result; }

// Natively no call crashes: the tests run under the sanitizers.
void FaultIfChosen(const char*) {}

// Natively there is no renderer window to start.
void EnsureRendererWindow() {}

}  // namespace host

}  // namespace standin
