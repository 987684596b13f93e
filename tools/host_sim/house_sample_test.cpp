// The house sample of an independent writer, run for real under Wine: the
// bridge must send exactly the expected calls, write the expected sync record
// byte for byte and log the expected messages.
//
// The sample's exchange folder is below APPDATA C:\Users\u\AppData\Roaming; the
// simulator makes that folder in the test's private Wine prefix, so that the
// texture paths in the journal are the sample's own.
#include "host_sim/e2e_support.h"
#include "host_sim/wide_text.h"
#include "test_host/bridge_process.h"

namespace tarnwick::host_sim {
namespace {

std::string SampleFile(const char* name) {
  return ReadWholeFile(test_host::WindowsPathOf(TARNWICK_SAMPLE_FOLDER) / name).value_or("");
}

// The messages of expected_log.txt: each line names the log writer, then the message.
std::vector<std::string> ExpectedLogMessages() {
  std::vector<std::string> messages;
  const std::string text = SampleFile("expected_log.txt");
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t kind_end = line.find(' ');
    if (kind_end != std::string::npos) {
      messages.push_back(line.substr(line.find_first_not_of(' ', kind_end)));
    }
    at = end + 1;
  }
  return messages;
}

TEST(HouseSample, StartupCameraSyncModelSyncAndEndMatchTheSample) {
  const std::string expected_journal = SampleFile("expected_journal.jsonl");
  ASSERT_FALSE(expected_journal.empty()) << "the house sample is missing";
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(host, BuiltInScenario("house").value_or("")));
  EXPECT_EQ(Narrow(host.files().appdata().wstring()), "C:\\Users\\u\\AppData\\Roaming");

  const std::vector<testing::Json> expected = testing::ParseJsonLines(expected_journal);
  const std::vector<testing::Json> actual = CallsFrom(host.Journal());
  ASSERT_EQ(actual.size(), expected.size())
      << ::testing::PrintToString(FunctionsFrom(host.Journal()));
  for (std::size_t i = 0; i < actual.size(); ++i) {
    if (expected[i]["fn"].string == "D5API_CreateSession") {
      // The access string is the program's own constant: ten letter-digit pairs.
      EXPECT_EQ(actual[i]["access"].string.size(), 20u);
      EXPECT_EQ(actual[i]["arg"].number, 0.0);
      continue;
    }
    std::string why;
    EXPECT_TRUE(testing::CallMatches(actual[i], expected[i], 2, &why))
        << "call " << i << ": " << why;
  }
  EXPECT_EQ(host.files().Read(L"_mod.sync").value_or(""), SampleFile("expected_mod.sync"));
  EXPECT_EQ(LogMessages(host.Log()), ExpectedLogMessages());
  EXPECT_EQ(host.sync_ready_count(), 1);
  EXPECT_EQ(host.resident_exit_code(), 0u);
}

}  // namespace
}  // namespace tarnwick::host_sim
