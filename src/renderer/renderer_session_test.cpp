#include "renderer/renderer_session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_box.h"
#include "platform/text.h"
#include "standin/standin.h"
#include "testlib/json.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

using testing::Json;
using testing::JournalCalls;
using testing::JournalFunctions;
using testing::TempExchangeFolder;

TEST(RendererSessionTest, ProjectNameAndScenePath) {
  struct Case {
    std::u16string path, name, scene;
  };
  const std::vector<Case> cases = {
      {u"C:\\Projects\\House.pro", u"House", u"C:\\Projects\\House.d5a"},
      {u"C:/Projects/House.pro", u"House", u"C:/Projects/House.d5a"},
      {u"C:\\Projects/Mixed\\House.v2.pro", u"House.v2", u"C:\\Projects/Mixed\\House.v2.d5a"},
      {u"House", u"House", u"House.d5a"},
      {u"House.pro", u"House", u"House.d5a"},
      {u"C:\\Projects\\House", u"House", u"C:\\Projects\\House.d5a"},
      {u"", u"", u".d5a"},
      {u"C:\\Projects\\", u"", u"C:\\Projects\\.d5a"},
      // Only a '.' of the file name cuts the scene path, never one of a folder.
      {u"D:\\Work.2026\\Villa", u"Villa", u"D:\\Work.2026\\Villa.d5a"},
      {u"D:/Work.2026/Villa", u"Villa", u"D:/Work.2026/Villa.d5a"},
      {u"D:\\Work.2026/Villa", u"Villa", u"D:\\Work.2026/Villa.d5a"},
      {u"D:\\Work.2026\\Villa.pro", u"Villa", u"D:\\Work.2026\\Villa.d5a"},
      {u"C:\\a.b\\.hidden", u"", u"C:\\a.b\\.d5a"},
      {u".\\House", u"House", u".\\House.d5a"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeRendererProjectName(c.path), c.name) << Utf8FromUtf16(c.path);
    EXPECT_EQ(MakeRendererScenePath(c.path), c.scene) << Utf8FromUtf16(c.path);
  }
}


class RendererSessionStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Configure({});
    TakeRecordedMessageBoxes();
  }
  void TearDown() override { standin::Configure({}); }

  TempExchangeFolder folder_;
};

TEST_F(RendererSessionStartTest, SuccessfulStartSendsTheSessionSetup) {
  RendererSession session;
  session.project_path = u"C:\\Projects\\House.pro";
  ASSERT_TRUE(StartRendererSession(session));
  EXPECT_NE(session.handle, 0);

  EXPECT_EQ(JournalFunctions(),
            (std::vector<std::string>{"D5API_StartD5Render", "D5API_CreateSession",
                                      "D5API_SetSceneSetting", "D5API_SetModelFilePath",
                                      "D5API_SaveToFiles"}));
  const std::vector<Json> calls = JournalCalls();
  EXPECT_EQ(calls[0]["project"].string, "House");
  EXPECT_EQ(calls[0]["client"].string, "ZavuZAD");
  EXPECT_EQ(calls[0]["version"].string, "1.0");
  EXPECT_EQ(calls[1]["arg"].number, 0.0);
  const std::string access = calls[1]["access"].string;
  ASSERT_EQ(access.size(), 20u);
  for (std::size_t i = 0; i < access.size(); i += 2) {
    EXPECT_TRUE(access[i] >= 'a' && access[i] <= 'z') << access;
    EXPECT_TRUE(access[i + 1] >= '0' && access[i + 1] <= '9') << access;
  }
  EXPECT_EQ(standin::JournalLines()[2],
            "{\"fn\": \"D5API_SetSceneSetting\", \"session\": " +
                std::to_string(session.handle) + ", \"setting\": [1.0, 2, 0]}");
  for (int i = 2; i < 5; ++i) EXPECT_EQ(calls[i]["session"].number, session.handle);
  EXPECT_EQ(calls[3]["path"].string, "C:\\Projects\\House.d5a");
  EXPECT_EQ(calls[4]["path"].string, "C:\\Projects\\House.d5a");
  EXPECT_EQ(folder_.LogMessages(), std::vector<std::string>{"Init Start"});
  EXPECT_TRUE(TakeRecordedMessageBoxes().empty());
}

TEST_F(RendererSessionStartTest, RendererStartFailureIsReportedAndStopsTheStart) {
  standin::Configure({.start_result = 1, .start_error = -3});
  RendererSession session;
  session.project_path = u"C:/Projects/House.pro";
  EXPECT_FALSE(StartRendererSession(session));
  EXPECT_EQ(session.handle, 0);
  EXPECT_EQ(JournalFunctions(), std::vector<std::string>{"D5API_StartD5Render"});
  EXPECT_EQ(folder_.LogMessages(),
            (std::vector<std::string>{"Init Start", "Connection Error: -3"}));
  const auto boxes = TakeRecordedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, u"Error: missing D5 Render application!");
  EXPECT_EQ(boxes[0].text,
            u"Missing the D5 render. Install it and start the command.\n\n"
            u"https://www.d5render.com/");
}

TEST_F(RendererSessionStartTest, SessionFailureIsLoggedButNotShown) {
  standin::Configure({.session_result = 5});
  RendererSession session;
  session.handle = 77;  // whatever the library left behind must not survive
  session.project_path = u"House";
  EXPECT_FALSE(StartRendererSession(session));
  EXPECT_EQ(session.handle, 0);
  EXPECT_EQ(JournalFunctions(),
            (std::vector<std::string>{"D5API_StartD5Render", "D5API_CreateSession"}));
  EXPECT_EQ(folder_.LogMessages(), (std::vector<std::string>{"Init Start", "Session Error: 5"}));
  EXPECT_TRUE(TakeRecordedMessageBoxes().empty());

  standin::Configure({.session_result = -2});
  EXPECT_FALSE(StartRendererSession(session));
  EXPECT_EQ(folder_.LogMessages().back(), "Session Error: -2");
}

TEST_F(RendererSessionStartTest, ModelFileErrorsShowTheirText) {
  const std::vector<std::pair<int, std::string>> cases = {
      {2, "File not found."}, {3, "Version not supported."}, {4, "File format error."},
      {1, ""}, {-7, ""}};
  std::vector<std::string> expected_log;
  for (const auto& [code, text] : cases) {
    ReportError(ErrorKind::kModelFile, code);
    expected_log.push_back(text);
    const auto boxes = TakeRecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << code;
    EXPECT_EQ(boxes[0].caption, u"Error: D5 Render application!");
    EXPECT_EQ(Utf8FromUtf16(boxes[0].text), text);
  }
  EXPECT_EQ(folder_.LogMessages(), expected_log);
  ReportError(static_cast<ErrorKind>(2), 2);  // no such kind: nothing is shown
  ReportError(static_cast<ErrorKind>(-1), 0);
  EXPECT_TRUE(TakeRecordedMessageBoxes().empty());
  EXPECT_EQ(folder_.LogMessages(), expected_log);
  EXPECT_TRUE(standin::JournalLines().empty());
}

TEST_F(RendererSessionStartTest, EndDestroysOnlyAnOpenSession) {
  RendererSession session;
  EndRendererSession(session);
  EXPECT_TRUE(standin::JournalLines().empty());

  session.project_path = u"C:\\Projects\\House.pro";
  ASSERT_TRUE(StartRendererSession(session));
  const D5Session handle = session.handle;
  standin::ResetJournal();
  EndRendererSession(session);
  EXPECT_EQ(session.handle, 0);
  const auto calls = JournalCalls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0]["fn"].string, "D5API_DestroySession");
  EXPECT_EQ(calls[0]["session"].number, handle);
  EndRendererSession(session);
  EXPECT_EQ(standin::JournalLines().size(), 1u);
}

}  // namespace
}  // namespace tarnwick
