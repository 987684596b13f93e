#include "bridge/requests.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "container_writer/container_writer.h"
#include "exchange/exchange_folder.h"
#include "exchange/log_file.h"
#include "platform/message_box.h"
#include "standin/standin.h"
#include "testlib/journal_match.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;
using testing::TempExchangeFolder;


class StartupExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Configure({});
    TakeRecordedMessageBoxes();
  }
  void ExpectFailure(const std::string& text) {
    ExchangeDocument document;
    EXPECT_FALSE(RunStartupExport(document));
    EXPECT_FALSE(document.ContainerFile);
    EXPECT_TRUE(standin::JournalLines().empty());
    const auto boxes = TakeRecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, u"Error: D5 Render application!");
    EXPECT_EQ(boxes[0].text, cw::Widen(text));
  }
};

TEST_F(StartupExportTest, EachHeaderFailureIsShownAndLoggedWithoutRendererCalls) {
  {
    TempExchangeFolder missing_folder(/*create_folder=*/false);
    ExpectFailure("File not found.");
  }
  {
    TempExchangeFolder folder;
    std::filesystem::create_directory(folder.PathOf("_model.cvm"));
    ExpectFailure("File not found.");  // a folder of the model's name is no file
  }
  TempExchangeFolder folder;
  ExpectFailure("File format error.");  // a blank header is left in the file's place
  EXPECT_EQ(folder.Read("_model.cvm").size(), 208644u);
  cw::Container old = cw::ModelFile(u"C:\\P.pro", {});
  old.format_version = 6;
  ASSERT_TRUE(cw::WriteContainerFile(old, folder.PathOf("_model.cvm")));
  ExpectFailure("Version not supported.");
  EXPECT_EQ(folder.LogMessages(), (std::vector<std::string>{"File format error.", "Version not supported."}));
}

TEST_F(StartupExportTest, RendererThatCannotStart) {
  TempExchangeFolder folder;
  ASSERT_TRUE(cw::WriteContainerFile(cw::ModelFile(u"C:\\P\\House.pro", {}), folder.PathOf("_model.cvm")));
  standin::Configure({.start_result = 1, .start_error = -3});
  ExchangeDocument document;
  EXPECT_FALSE(RunStartupExport(document));
  EXPECT_FALSE(document.ContainerFile);
  EXPECT_EQ(testing::JournalFunctions(), std::vector<std::string>{"D5API_StartD5Render"});
  EXPECT_EQ(TakeRecordedMessageBoxes().at(0).caption, u"Error: missing D5 Render application!");
  EXPECT_EQ(folder.LogMessages(), (std::vector<std::string>{"Init Start", "Connection Error: -3"}));
}

TEST_F(StartupExportTest, ModelSyncRequestsWithoutHandshake) {
  TempExchangeFolder folder;
  ASSERT_TRUE(cw::WriteContainerFile(cw::ModelFile(u"C:\\P\\House.pro", {}), folder.PathOf("_model.cvm")));
  ExchangeDocument document;
  ASSERT_TRUE(RunStartupExport(document));
  const cw::Container update = cw::IncrementalFile(u"C:\\P\\House.pro", {}, {});
  ASSERT_TRUE(cw::WriteContainerFile(update, folder.PathOf("_mod.sm")));

  // 1027 without an earlier 1026 applies what "_mod.sm" holds, between its log lines.
  standin::ResetJournal();
  ServeModelSyncApply(document);
  EXPECT_EQ(testing::JournalFunctions(), (std::vector<std::string>{"D5API_FlushData", "D5API_FlushData"}));
  // 1028 does the same apply and logs nothing.
  standin::ResetJournal();
  ServeLightSync(document);
  EXPECT_EQ(testing::JournalFunctions(), (std::vector<std::string>{"D5API_FlushData", "D5API_FlushData"}));
  EXPECT_EQ(folder.LogMessages(), (std::vector<std::string>{"Init Start", "Sync Model state 1 _ Start",
                                                           "Sync Model state 1 _ End"}));
  // Two 1026 in a row write the record twice and notify the host twice.
  int notified = 0;
  ServeModelSyncPrepare(document, [&] { ++notified; });
  ServeModelSyncPrepare(document, [&] { EXPECT_TRUE(folder.Exists("_mod.sync")); ++notified; });
  EXPECT_EQ(notified, 2);
  EXPECT_EQ(folder.Read("_mod.sync"), "SourceProject: [C:\\P\\House.pro]\r\n");

  // A record that can be neither replaced nor written in place is never announced to the host.
  ASSERT_TRUE(std::filesystem::remove(folder.PathOf("_mod.sync")));
  std::filesystem::create_directories(folder.PathOf("_mod.sync") + "/inner");
  ServeModelSyncPrepare(document, [&] { ++notified; });
  EXPECT_EQ(notified, 2);
  const std::vector<std::string> messages = folder.LogMessages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_TRUE(messages[messages.size() - 2].starts_with("Sync Record Error: cannot replace "));
  EXPECT_EQ(messages.back(), "Sync Model state 0");
}

// The sample of the independent writer: the exchange folder of a user whose APPDATA is
// C:\Users\u\AppData\Roaming, laid out below the test's working directory.
class HouseSampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::ReadSampleFile("house/README.md")) GTEST_SKIP() << "TARNWICK_SAMPLES not set";
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    std::filesystem::create_directories(kFolder);
    setenv("APPDATA", "C:\\Users\\u\\AppData\\Roaming", 1);
    ResetExchangeFolderCache();
    ResetLogRotationFlags();
    standin::Configure({});
  }
  void TearDown() override {
    if (previous_.empty()) return;
    std::filesystem::current_path(previous_);
    unsetenv("APPDATA");
    ResetExchangeFolderCache();
  }
  void CopySample(const std::string& name, const std::string& as) {
    testing::WriteNativeFile(dir_.path() + "/" + kFolder + "/" + as, *testing::ReadSampleFile("house/" + name));
  }
  std::string ReadExchange(const std::string& name) {
    return testing::ReadNativeFile(dir_.path() + "/" + kFolder + "/" + name);
  }

  static constexpr const char* kFolder = "C:/Users/u/AppData/Roaming/Brevane/Corvella2026_D5Plugin/Data";
  testing::TempDir dir_;
  std::filesystem::path previous_;
};

void ExpectCalls(const std::vector<testing::Json>& expected) {
  const std::vector<testing::Json> actual = testing::JournalCalls();
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < actual.size(); ++i) {
    std::string why;
    if (expected[i]["fn"].string == "D5API_CreateSession") {
      EXPECT_EQ(actual[i]["access"].string.size(), 20u);
      continue;
    }
    EXPECT_TRUE(testing::CallMatches(actual[i], expected[i], 2, &why)) << "call " << i << ": " << why;
  }
}

TEST_F(HouseSampleTest, StartupCameraSyncAndOneModelSync) {
  const std::string journal = *testing::ReadSampleFile("house/expected_journal.jsonl");
  const std::size_t blank = journal.find("\n\n");
  ASSERT_NE(blank, std::string::npos);
  std::vector<testing::Json> step2 = testing::ParseJsonLines(journal.substr(blank));
  const testing::Json destroy = step2.back();
  step2.pop_back();
  CopySample("_model.cvm", "_model.cvm");
  CopySample("camera.cam", "camera.cam");
  {
    ExchangeDocument document;
    ASSERT_TRUE(RunStartupExport(document));
    ServeCameraSync(document);
    ExpectCalls(testing::ParseJsonLines(journal.substr(0, blank)));

    ServeModelSyncPrepare(document, [] {});
    EXPECT_EQ(ReadExchange("_mod.sync"), *testing::ReadSampleFile("house/expected_mod.sync"));
    CopySample("update_mod.sm", "_mod.sm");
    standin::ResetJournal();
    ServeModelSyncApply(document);
    ExpectCalls(step2);
    standin::ResetJournal();
  }
  ExpectCalls({destroy});
}

}  // namespace
}  // namespace tarnwick
