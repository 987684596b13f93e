// The bridge's failures at start-up under Wine, each with its message box, its
// log line and a quiet end: the scenarios that host_sim.exe also knows by name.
#include "host_sim/e2e_support.h"
#include "host_sim/wide_text.h"

namespace tarnwick::host_sim {
namespace {

constexpr wchar_t kModelCaption[] = L"Error: D5 Render application!";

std::string BuiltIn(const char* name) { return BuiltInScenario(name).value_or("no such scenario"); }

TEST(BridgeFailures, AModelFileOfVersion6IsRefused) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(host, BuiltIn("old-model")));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].caption, kModelCaption);
  EXPECT_EQ(host.boxes()[0].text, L"Version not supported.");
  EXPECT_EQ(LogMessages(host.Log()),
            (std::vector<std::string>{"Args - ", "cameraSync", "Version not supported."}));
  EXPECT_TRUE(host.Journal().empty()) << "the renderer was not to be started";
  EXPECT_EQ(host.resident_exit_code(), 0u);
}

TEST(BridgeFailures, AMissingModelFileLeavesABlankHeaderBehind) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(host, BuiltIn("missing-model")));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].caption, kModelCaption);
  EXPECT_EQ(host.boxes()[0].text, L"File format error.");
  EXPECT_EQ(LogMessages(host.Log()).back(), "File format error.");
  const std::string blank = host.files().Read(L"_model.cvm").value_or("");
  ASSERT_EQ(blank.size(), 208644u);
  EXPECT_EQ(blank.substr(0, 8), std::string("\x07\0\0\0\x04\x2f\x03\0", 8));
  EXPECT_TRUE(host.Journal().empty());
  EXPECT_EQ(host.resident_exit_code(), 0u);
}

TEST(BridgeFailures, AMissingExchangeFolderIsAFileNotFound) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(
      Ran(host,
          "remove-folder\nstart cameraSync\nexpect-box Error: D5 Render application!\nwait-end\n"));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, L"File not found.");
  EXPECT_EQ(host.resident_exit_code(), 0u);
}

// Windows refuses to open a folder as a file; Wine would open it for reading, and the
// bridge would then find it too short. Both are "File not found.", and the folder stays.
TEST(BridgeFailures, AFolderOfTheModelFilesNameIsAFileNotFound) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(std::filesystem::create_directory(host.files().PathOf(L"_model.cvm")));
  ASSERT_TRUE(Ran(host, "start cameraSync\nexpect-box Error: D5 Render application!\nwait-end\n"));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].text, L"File not found.");
  EXPECT_EQ(LogMessages(host.Log()).back(), "File not found.");
  EXPECT_TRUE(std::filesystem::is_empty(host.files().PathOf(L"_model.cvm")));
  EXPECT_TRUE(host.Journal().empty());
  EXPECT_EQ(host.resident_exit_code(), 0u);
}

TEST(BridgeFailures, ARendererThatCannotStartIsReportedAfterTheModelWasRead) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(Ran(host, BuiltIn("no-renderer")));
  ASSERT_EQ(host.boxes().size(), 1u);
  EXPECT_EQ(host.boxes()[0].caption, L"Error: missing D5 Render application!");
  const std::wstring lead = L"Missing the D5 render. Install it and start the command.\n\n";
  const std::wstring& text = host.boxes()[0].text;
  EXPECT_EQ(text.substr(0, lead.size()), lead) << OneLine(text);
  EXPECT_GT(text.size(), lead.size() + 8) << "a web address follows";
  EXPECT_EQ(
      LogMessages(host.Log()),
      (std::vector<std::string>{"Args - ", "cameraSync", "Init Start", "Connection Error: -3"}));
  EXPECT_EQ(FunctionsFrom(host.Journal()), std::vector<std::string>{"D5API_StartD5Render"});
  EXPECT_EQ(host.resident_exit_code(), 0u);
}

TEST(BridgeFailures, AFailedSessionEndsTheBridgeWithoutAWord) {
  HostSimulator host(Quietly());
  ASSERT_TRUE(
      Ran(host,
          "env RENDERER_STANDIN_SESSION_RESULT 1\nwrite _model.cvm small-model\nstart cameraSync\n"
          "wait-end\n"));
  EXPECT_TRUE(host.boxes().empty());
  EXPECT_EQ(FunctionsFrom(host.Journal()),
            (std::vector<std::string>{"D5API_StartD5Render", "D5API_CreateSession"}));
  EXPECT_EQ(host.resident_exit_code(), 0u);
}

}  // namespace
}  // namespace tarnwick::host_sim
