// The bridge under load and at awkward moments, under Wine: a thousand posted
// requests, fifty forwarding processes in a row, the renderer's window gone
// during the start-up export, the host's window gone between 1137 and 1027.
#include "host_sim/live_bridge.h"

#include <algorithm>
#include <cstdint>

#include "protocol/protocol.h"

namespace tarnwick::host_sim {
using namespace protocol;

namespace {

using test_host::BridgeProcess;
using test_host::PumpMessagesFor;
using test_host::PumpUntil;

constexpr int kPostedRequests = 1000;
constexpr int kForwardingProcesses = 50;
// Time for all the posted requests: they are served at some hundreds a second.
constexpr DWORD kAllServedMs = 60000;
constexpr wchar_t kSlowStartMs[] = L"1500";

// The requests in a fixed mixed order (a small linear congruential sequence).
std::vector<UINT> MixedRequests(int count, const std::vector<UINT>& kinds) {
  std::vector<UINT> requests;
  std::uint32_t state = 12345;
  for (int i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    requests.push_back(kinds[(state >> 16) % kinds.size()]);
  }
  return requests;
}

// Which request each journal line from first on ends: the camera's, the views' or an apply's.
std::vector<UINT> RequestsSeenInJournal(const std::vector<std::string>& lines, std::size_t first) {
  std::vector<UINT> seen;
  for (std::size_t i = first; i < lines.size(); ++i) {
    const std::string_view function = FunctionOf(lines[i]);
    if (function == "D5API_SendCurrentActiveCamera") seen.push_back(MSG_CAMERA_SYNC);
    if (function == "D5API_EndExport") seen.push_back(MSG_VIEWS_SYNC);
    if (function == "D5API_FlushData") seen.push_back(MSG_MODEL_SYNC_APPLY);
  }
  return seen;
}

// Which request each log message from first on belongs to (1026, or 1027's two).
std::vector<UINT> RequestsSeenInLog(const std::vector<std::string>& messages, std::size_t first) {
  std::vector<UINT> seen;
  for (std::size_t i = first; i < messages.size(); ++i) {
    if (messages[i] == "Sync Model state 0") seen.push_back(MSG_MODEL_SYNC_PREPARE);
    if (messages[i] == "Sync Model state 1 _ Start") seen.push_back(MSG_MODEL_SYNC_APPLY);
    if (messages[i] == "Sync Model state 1 _ End") seen.push_back(MSG_MODEL_SYNC_APPLY);
  }
  return seen;
}

std::vector<UINT> Only(const std::vector<UINT>& requests, const std::vector<UINT>& kinds,
                       int repeat_apply = 1) {
  std::vector<UINT> kept;
  for (UINT request : requests) {
    if (std::find(kinds.begin(), kinds.end(), request) == kinds.end()) continue;
    const int times = request == MSG_MODEL_SYNC_APPLY ? repeat_apply : 1;
    kept.insert(kept.end(), times, request);
  }
  return kept;
}

using BridgeStress = LiveBridge;

TEST_F(BridgeStress, AThousandPostedRequestsAreAllServedInOrder) {
  // Without "_mod.sm" an apply sends nothing but its flush and logs its two lines.
  ASSERT_TRUE(StartServed(L"cameraSync", "D5API_SendCurrentActiveCamera"));
  const std::size_t journal_start = Journal().size();
  const std::size_t log_start = Log().size();
  const std::vector<UINT> requests =
      MixedRequests(kPostedRequests, {MSG_CAMERA_SYNC, MSG_MODEL_SYNC_PREPARE,
                                      MSG_MODEL_SYNC_APPLY, MSG_VIEWS_SYNC});
  Post(requests);
  const int prepares = static_cast<int>(Only(requests, {MSG_MODEL_SYNC_PREPARE}).size());
  const std::vector<UINT> in_log =
      Only(requests, {MSG_MODEL_SYNC_PREPARE, MSG_MODEL_SYNC_APPLY}, /*repeat_apply=*/2);
  const std::vector<UINT> in_journal =
      Only(requests, {MSG_CAMERA_SYNC, MSG_MODEL_SYNC_APPLY, MSG_VIEWS_SYNC});
  // The log and the journal are written by the same requests but not at the same moments.
  ASSERT_TRUE(PumpUntil([&] {
    return RequestsSeenInLog(Log(), log_start).size() >= in_log.size() &&
           RequestsSeenInJournal(Journal(), journal_start).size() >= in_journal.size() &&
           sync_ready_ >= prepares;
  }, kAllServedMs)) << RequestsSeenInLog(Log(), log_start).size() << " of " << in_log.size()
                    << " log lines, " << RequestsSeenInJournal(Journal(), journal_start).size()
                    << " of " << in_journal.size() << " journalled requests";

  EXPECT_EQ(RequestsSeenInLog(Log(), log_start), in_log);
  EXPECT_EQ(RequestsSeenInJournal(Journal(), journal_start), in_journal);
  EXPECT_EQ(sync_ready_, prepares);
  EXPECT_TRUE(resident_.Running());
}

TEST_F(BridgeStress, FiftyForwardingProcessesInARowAreAllServedInOrder) {
  ASSERT_TRUE(StartServed(L"cameraSync", "D5API_SendCurrentActiveCamera"));
  const std::size_t journal_start = Journal().size();
  const std::vector<UINT> requests = MixedRequests(
      kForwardingProcesses, {MSG_CAMERA_SYNC, MSG_MODEL_SYNC_PREPARE, MSG_VIEWS_SYNC});
  std::vector<std::string> words;
  for (UINT request : requests) {
    const std::wstring word = request == MSG_CAMERA_SYNC          ? L"cameraSync"
                              : request == MSG_MODEL_SYNC_PREPARE ? L"ModelSync"
                                                                  : L"viewsSync";
    BridgeProcess forwarder;
    ASSERT_TRUE(Start(forwarder, word, /*resident=*/false));
    ASSERT_TRUE(forwarder.WaitForExit(kBridgeEndMs)) << "forwarding process " << words.size();
    ASSERT_EQ(forwarder.ExitCode(), 0u);
    words.emplace_back(word.begin(), word.end());
  }
  const std::vector<UINT> in_journal = Only(requests, {MSG_CAMERA_SYNC, MSG_VIEWS_SYNC});
  const int prepares = static_cast<int>(requests.size() - in_journal.size());
  // The host hears of a model sync a moment before its log line is written.
  ASSERT_TRUE(PumpUntil([&] {
    return RequestsSeenInJournal(Journal(), journal_start).size() >= in_journal.size() &&
           sync_ready_ >= prepares &&
           static_cast<int>(RequestsSeenInLog(Log(), 0).size()) >= prepares;
  }, kAllServedMs));

  EXPECT_EQ(RequestsSeenInJournal(Journal(), journal_start), in_journal);
  EXPECT_EQ(sync_ready_, prepares);
  const std::vector<std::string> log = Log();
  std::vector<std::string> forwarded_words;
  for (std::size_t i = 2; i + 1 < log.size(); ++i) {
    if (log[i] == "Args - ") forwarded_words.push_back(log[i + 1]);
  }
  EXPECT_EQ(forwarded_words, words);
  EXPECT_EQ(static_cast<int>(RequestsSeenInLog(log, 0).size()), prepares);
  EXPECT_TRUE(resident_.Running());
}

TEST_F(BridgeStress, TheRendererWindowClosingDuringTheStartUpExportEndsTheBridgeCleanly) {
  Env(L"RENDERER_STANDIN_START_DELAY_MS", kSlowStartMs);
  ASSERT_TRUE(Start(resident_, L"cameraSync"));
  Post({MSG_MODEL_SYNC_PREPARE});
  ASSERT_TRUE(Journal().empty()) << "the export was over before the renderer closed";
  renderer_->Destroy();
  ASSERT_TRUE(PumpUntil([&] { return !resident_.Running(); }, kBridgeStartMs));
  ASSERT_TRUE(EndsCleanly());

  // The export was finished and what was asked for meanwhile was served; nothing logged is lost.
  const std::vector<std::string> journal = Journal();
  EXPECT_EQ(CountCalls(journal, "D5API_StartD5Render"), 1);
  ASSERT_EQ(CountCalls(journal, "D5API_FlushData"), 1);
  const std::size_t export_flush =
      std::find_if(journal.begin(), journal.end(),
                   [](const std::string& line) { return FunctionOf(line) == "D5API_FlushData"; }) -
      journal.begin();
  EXPECT_EQ(CountCalls(journal, "D5API_SendCurrentActiveCamera", export_flush), 1)
      << "the camera sync after the export";
  EXPECT_EQ(FunctionOf(journal.back()), "D5API_DestroySession");
  EXPECT_EQ(Log(), (std::vector<std::string>{"Args - ", "cameraSync", "Init Start",
                                             "Sync Model state 0"}));
  EXPECT_EQ(sync_ready_, 1);
  EXPECT_TRUE(files_.Exists(L"_mod.sync"));
}

TEST_F(BridgeStress, TheHostWindowClosingBetween1137And1027EndsTheBridgeCleanly) {
  ASSERT_TRUE(files_.Write(L"_mod.sm", HouseSample(L"update_mod.sm")));
  ASSERT_TRUE(StartServed(L"cameraSync", "D5API_SendCurrentActiveCamera"));
  Post({MSG_MODEL_SYNC_PREPARE});
  ASSERT_TRUE(PumpUntil([&] { return sync_ready_ > 0; }, kBridgeStartMs));
  const std::string record = files_.Read(L"_mod.sync").value_or("");
  host_.reset();
  // The host's plug-in still answers as its window goes.
  Post({MSG_MODEL_SYNC_APPLY});
  ASSERT_TRUE(EndsCleanly());

  // Whether the apply came before the watchdog's next tick or not, it was never cut short.
  std::vector<std::string> expected = {"Args - ", "cameraSync", "Init Start",
                                       "Sync Model state 0"};
  const std::vector<std::string> log = Log();
  if (log.size() > expected.size()) {
    expected.insert(expected.end(), {"Sync Model state 1 _ Start", "Sync Model state 1 _ End"});
    const std::vector<std::string> journal = Journal();
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(FunctionOf(journal[journal.size() - 2]), "D5API_FlushData");
  }
  EXPECT_EQ(log, expected);
  EXPECT_FALSE(record.empty());
  EXPECT_EQ(files_.Read(L"_mod.sync").value_or(""), record) << "the record was changed";
}

}  // namespace
}  // namespace tarnwick::host_sim
