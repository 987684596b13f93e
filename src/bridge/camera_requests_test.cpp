// The camera and views requests: the files of the exchange folder to the renderer.
#include <gtest/gtest.h>

#include <optional>

#include "bridge/requests.h"
#include "standin/standin.h"
#include "testlib/journal_match.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

using testing::CallKeys;
using testing::Json;
using Keys = std::vector<std::string>;

const Keys& kCameraCalls = testing::kCameraCallKeys;
const Keys& kViewCalls = testing::kViewCallKeys;
const std::string kEnd = "D5API_EndExport";

CameraRecord View(const std::u16string& name, float x) {
  CameraRecord view;
  view.Name = name;
  view._from = {x, 2.0f, 3.0f};
  return view;
}

class CameraRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Configure({});
    document_.Session.handle = 7;
  }
  testing::TempExchangeFolder folder_;
  ExchangeDocument document_;
};

TEST_F(CameraRequestTest, CameraRequestSendsTheSampleCamera) {
  const std::optional<std::string> camera = testing::ReadSampleFile("house/camera.cam");
  const std::optional<std::string> journal =
      testing::ReadSampleFile("house/expected_journal.jsonl");
  if (!camera || !journal) GTEST_SKIP() << "TARNWICK_SAMPLES is not set";
  const std::vector<Json> step1 = testing::ParseJsonLines(journal->substr(0, journal->find("\n\n")));
  ASSERT_GE(step1.size(), 3u);
  folder_.Write("camera.cam", *camera);
  document_.ViewCache.push_back(View(u"Kept", 1.0f));

  standin::ResetJournal();
  ServeCameraSync(document_);
  const std::vector<Json> calls = testing::JournalCalls();
  ASSERT_EQ(calls.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    std::string why;
    EXPECT_TRUE(testing::CallMatches(calls[i], step1[step1.size() - 3 + i], 0, &why)) << why;
  }
  ASSERT_EQ(document_.ViewCache.size(), 1u);
  EXPECT_EQ(document_.ViewCache[0].Name, u"Kept");
}

TEST_F(CameraRequestTest, MissingFilesSendNothing) {
  standin::ResetJournal();
  ServeCameraSync(document_);
  ServeViewsSync(document_);
  EXPECT_TRUE(testing::JournalCalls().empty());

  // A file that holds nothing valid still sends a camera from the defaults.
  folder_.Write("camera.cam", "nothing here\n");
  ServeCameraSync(document_);
  EXPECT_EQ(CallKeys(testing::JournalCalls()), kCameraCalls);
}

TEST_F(CameraRequestTest, ViewsRequestSyncsTheFilesViews) {
  folder_.Write("Views.cam",
                "Cameras_Start\r\nCameras_Version [1]\r\nCameras_nActCamera [1]\r\n"
                "Cameras_Camera_ObjectSTART\r\nCamera_Start\r\nCamera_Name [Side]\r\n"
                "Camera__from [1 2 3]\r\nCamera__fov [45]\r\nCamera_End\r\n"
                "Cameras_Camera_ObjectEND\r\n"
                "Cameras_Camera_ObjectSTART\r\nCamera_Start\r\nCamera_Name [Current]\r\n"
                "Camera_End\r\nCameras_Camera_ObjectEND\r\nCameras_End\r\n");
  standin::ResetJournal();
  ServeViewsSync(document_);
  const std::vector<Json> calls = testing::JournalCalls();
  EXPECT_EQ(CallKeys(calls), testing::ConcatKeys({kCameraCalls, kViewCalls, {kEnd}}));
  ASSERT_EQ(calls.size(), 7u);
  EXPECT_EQ(calls[3]["name"].string, "Side");
  EXPECT_EQ(testing::FloatsOf(calls[3]["camera"])[0], 2.0f);
  ASSERT_EQ(document_.ViewCache.size(), 2u);
  EXPECT_EQ(document_.ViewCache[0].Name, u"Current");
  EXPECT_EQ(document_.ViewCache[1].Name, u"Side");
}

}  // namespace
}  // namespace tarnwick
