// The simulator's own parts that need no bridge: the script reader and the
// journal follower.
#include "host_sim/scenario.h"

#include <gtest/gtest.h>

#include "host_sim/exchange_files.h"
#include "host_sim/traces.h"

namespace tarnwick::host_sim {
namespace {

TEST(Scenario, StepsKeepTheirWordsAndTextCommentsAreSaidBlankLinesSkipped) {
  Script script = ParseScript(
      "# the host\n\n  env RENDERER_STANDIN_START_ERROR   -3\r\n"
      "expect-box Error: missing D5 Render application!  \n"
      "write camera.cam text Camera_Start\\nCamera_End\nstart\n");
  ASSERT_EQ(script.error, "");
  ASSERT_EQ(script.steps.size(), 5u);
  EXPECT_EQ(script.steps[0].command, "#");
  EXPECT_EQ(script.steps[0].text, "the host");
  script.steps.erase(script.steps.begin());
  EXPECT_EQ(script.steps[0].line, 3);
  EXPECT_EQ(script.steps[0].command, "env");
  EXPECT_EQ(script.steps[0].words,
            (std::vector<std::string>{"RENDERER_STANDIN_START_ERROR", "-3"}));
  EXPECT_EQ(script.steps[0].TextAfter(1), "-3");
  EXPECT_EQ(script.steps[1].text, "Error: missing D5 Render application!");
  EXPECT_EQ(script.steps[2].TextAfter(2), "Camera_Start\\nCamera_End");
  EXPECT_TRUE(script.steps[3].words.empty());
}

TEST(Scenario, MistakesAreFoundBeforeAnythingRuns) {
  const std::pair<const char*, const char*> cases[] = {
      {"start\nlaunch cameraSync\n", "line 2: unknown command launch"},
      {"forward\n", "line 1: forward takes 1 words"},
      {"start cameraSync viewsSync\n", "line 1: start takes 0 to 1 words"},
      {"write _model.cvm demo-house\n", "line 1: unknown source demo-house"},
      {"answer sample\n", "line 1: sample needs a name"},
      {"renderer real\n", "line 1: renderer is own or standin"},
      {"pause soon\n", "line 1: pause takes milliseconds"},
      {"expect-box\n", "line 1: expect-box takes at least 1 words"},
  };
  for (const auto& [text, error] : cases) {
    const Script script = ParseScript(text);
    EXPECT_EQ(script.error, error) << text;
    EXPECT_TRUE(script.steps.empty()) << text;
  }
}

TEST(Scenario, BuiltInScenariosParseAndRequestWordsMapToTheirMessages) {
  for (const auto& [name, about] : BuiltInScenarios()) {
    const std::optional<std::string> text = BuiltInScenario(name);
    ASSERT_TRUE(text.has_value()) << name;
    EXPECT_EQ(ParseScript(*text).error, "") << name;
  }
  EXPECT_FALSE(BuiltInScenario("nonsense").has_value());
  EXPECT_EQ(RequestMessage("cameraSync"), 1025u);
  EXPECT_EQ(RequestMessage("ModelSync"), 1026u);
  EXPECT_EQ(RequestMessage("lightSync"), 1028u);
  EXPECT_EQ(RequestMessage("viewsSync"), 1029u);
  EXPECT_EQ(RequestMessage("1027"), 1027u);
  EXPECT_EQ(RequestMessage("colorMode"), 0u);
  EXPECT_EQ(RequestMessage("CameraSync"), 0u);
}

TEST(Traces, TheFollowerTakesOnlyCompleteLinesAsTheJournalGrows) {
  ExchangeFiles files;
  JournalFollower follower(files.journal());
  follower.Update();  // no file yet
  EXPECT_EQ(follower.size(), 0u);
  ASSERT_TRUE(
      WriteWholeFile(files.journal(), "{\"fn\": \"D5API_FlushData\"}\n{\"fn\": \"D5API_Send"));
  follower.Update();
  ASSERT_EQ(follower.size(), 1u);
  ASSERT_TRUE(WriteWholeFile(files.journal(),
                             "{\"fn\": \"D5API_FlushData\"}\n{\"fn\": \"D5API_SendLights\"}\n"
                             "{\"fn\": \"D5API_FlushData\", \"session\": 1}\n"));
  follower.Update();
  ASSERT_EQ(follower.size(), 3u);
  EXPECT_EQ(FunctionOf(follower.lines()[1]), "D5API_SendLights");
  EXPECT_EQ(follower.CountFrom(1, "D5API_FlushData"), 1u);
  EXPECT_EQ(follower.Find("D5API_SendLights"), 1u);
  EXPECT_EQ(follower.Find("D5API_EndNode"), 3u);
  EXPECT_EQ(DescribeCalls(follower.lines(), 0, 3), "3 calls: 2 flushes");
}

TEST(Traces, LogEntriesCountOnlyWholeMessages) {
  const std::string log =
      "[2026. 01. 02 - 03:04:05]: Sync Model state 1 _ End\r\n"
      "[2026. 01. 02 - 03:04:05]: Sync Model state 1 _ Ended\r\n"
      "[2026. 01. 02 - 03:04:06]: Sync Model state 1 _ End\r\n";
  EXPECT_EQ(CountLogEntries(log, "Sync Model state 1 _ End"), 2);
  EXPECT_EQ(CountLogEntries(log, "Sync Model state 0"), 0);
  EXPECT_EQ(PlainLines("a\r\nb\r\n"), "a\nb\n");
}

}  // namespace
}  // namespace tarnwick::host_sim
