#include "renderer/camera_sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "platform/text.h"
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
  view._fov = 50.0f;
  view._from = {x, 2.0f, 3.0f};
  view._to = {4.0f, 5.0f, 6.0f};
  view._up = {0.0f, 0.0f, 1.0f};
  view._fNerClipp = 0.25f;
  return view;
}

CameraList List(std::vector<CameraRecord> views, std::int32_t active) {
  CameraList list;
  list.cameras = std::move(views);
  list.nActCamera = active;
  return list;
}

bool SameView(const CameraRecord& a, const CameraRecord& b) {
  return a.Name == b.Name && a._from == b._from && a._to == b._to && a._up == b._up &&
         a._fov == b._fov && a._fNerClipp == b._fNerClipp && a.nType == b.nType;
}

class CameraSyncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Configure({});
    document_.Session.handle = 7;
  }

  std::vector<Json> Sync(const CameraList& list) {
    standin::ResetJournal();
    SyncViews(document_, list);
    return testing::JournalCalls();
  }

  testing::TempExchangeFolder folder_;
  RendererState document_;
};

TEST_F(CameraSyncTest, FillConvertsAxesAndScalesFov) {
  RendererCamera camera{};
  CameraRecord record = View(u"v", 1.0f);
  record._up = {0.5f, -0.25f, 1.0f};
  FillRendererCamera(camera, record);
  EXPECT_EQ(camera, (RendererCamera{2, -1, 3, 5, -4, 6, -0.25f, -0.5f, 1, 50.0f * 1.24f}));
  EXPECT_FLOAT_EQ(camera[9], 62.0f);
}

TEST_F(CameraSyncTest, SingleActiveCameraIsSentAsCamera) {
  const CameraRecord camera = View(u"Current", 1.0f);
  const std::vector<Json> calls = Sync(List({camera}, 0));
  EXPECT_EQ(CallKeys(calls), testing::ConcatKeys({kCameraCalls, {kEnd}}));
  EXPECT_EQ(calls[0]["value"].number, 0.25);
  EXPECT_EQ(testing::FloatsOf(calls[1]["camera"]),
            (std::vector<float>{2, -1, 3, 5, -4, 6, -0.0f, 0, 1, 50.0f * 1.24f}));
  EXPECT_EQ(static_cast<float>(calls[1]["fov"].number), 50.0f * 1.24f);
  ASSERT_EQ(document_.ViewCache.size(), 1u);
  EXPECT_TRUE(SameView(document_.ViewCache[0], camera));
  EXPECT_EQ(document_.Session.camera[9], 50.0f * 1.24f);
}

TEST_F(CameraSyncTest, EmptyListOnlyEndsTheExport) {
  EXPECT_EQ(CallKeys(Sync(List({}, 0))), Keys{kEnd});
  EXPECT_EQ(CallKeys(Sync(List({}, -1))), Keys{kEnd});
  EXPECT_TRUE(document_.ViewCache.empty());
}

TEST_F(CameraSyncTest, ActiveIndexOutsideTheListSendsEveryRecordAsView) {
  for (std::int32_t active : {-1, 2}) {
    document_.ViewCache.clear();
    const std::vector<Json> calls = Sync(List({View(u"A", 1), View(u"B", 2)}, active));
    EXPECT_EQ(CallKeys(calls), testing::ConcatKeys({kViewCalls, kViewCalls, {kEnd}})) << active;
    EXPECT_EQ(calls[0]["name"].string, "A");
    EXPECT_EQ(calls[0]["name2"].string, "A");
    EXPECT_EQ(calls[3]["name"].string, "B");
    ASSERT_EQ(document_.ViewCache.size(), 2u);
    EXPECT_EQ(document_.ViewCache[0].Name, u"A");  // the first view takes entry 0
  }

  // Entry 0 keeps the last active camera when no camera is active.
  document_.ViewCache.clear();
  Sync(List({View(u"Cam", 9)}, 0));
  Sync(List({View(u"A", 1)}, 1));
  ASSERT_EQ(document_.ViewCache.size(), 2u);
  EXPECT_TRUE(SameView(document_.ViewCache[0], View(u"Cam", 9)));
  EXPECT_EQ(document_.ViewCache[1].Name, u"A");
}

TEST_F(CameraSyncTest, RepeatedRequestSendsTheSameAndCacheDoesNotGrow) {
  const CameraList list = List({View(u"A", 1), View(u"Cam", 0), View(u"B", 2)}, 1);
  const std::vector<Json> first = Sync(list);
  EXPECT_EQ(CallKeys(first), testing::ConcatKeys({kCameraCalls, kViewCalls, kViewCalls, {kEnd}}));
  ASSERT_EQ(document_.ViewCache.size(), 3u);
  EXPECT_EQ(document_.ViewCache[0].Name, u"Cam");

  const std::vector<Json> second = Sync(list);
  ASSERT_EQ(second.size(), first.size());
  for (std::size_t i = 0; i < first.size(); ++i) {
    std::string why;
    EXPECT_TRUE(testing::CallMatches(second[i], first[i], 0, &why)) << i << ": " << why;
  }
  EXPECT_EQ(document_.ViewCache.size(), 3u);

  // A view that left the host's list stays cached and is found again.
  Sync(List({View(u"B", 2)}, 5));
  Sync(List({View(u"A", 1), View(u"B", 2)}, 5));
  EXPECT_EQ(document_.ViewCache.size(), 3u);
}

TEST_F(CameraSyncTest, SmallMovesKeepTheCachedView) {
  Sync(List({View(u"A", 1.0f)}, -1));
  std::vector<Json> calls = Sync(List({View(u"A", 1.00005f)}, -1));
  EXPECT_EQ(testing::FloatsOf(calls[0]["camera"])[1], -1.0f);
  EXPECT_EQ(document_.ViewCache[0]._from[0], 1.0f);

  calls = Sync(List({View(u"A", 1.001f)}, -1));
  EXPECT_EQ(testing::FloatsOf(calls[0]["camera"])[1], -1.001f);
  EXPECT_EQ(document_.ViewCache[0]._from[0], 1.001f);
  EXPECT_EQ(document_.ViewCache.size(), 1u);

  // The field of view and the clip distance are checked as well.
  CameraRecord view = View(u"A", 1.001f);
  view._fov = 50.00009f;
  Sync(List({view}, -1));
  EXPECT_EQ(document_.ViewCache[0]._fov, 50.0f);
  view._fov = 50.0f;
  view._fNerClipp = 0.2502f;
  calls = Sync(List({view}, -1));
  EXPECT_EQ(document_.ViewCache[0]._fNerClipp, 0.2502f);
  EXPECT_EQ(static_cast<float>(calls[1]["value"].number), 0.2502f);
}

TEST_F(CameraSyncTest, ViewNamedLikeTheActiveCameraUsesEntryZero) {
  CameraRecord view = View(u"Cam", 5.0f);
  view._fNerClipp = 0.5f;
  const std::vector<Json> calls = Sync(List({View(u"Cam", 1.0f), view}, 0));
  EXPECT_EQ(CallKeys(calls), testing::ConcatKeys({kCameraCalls, kViewCalls, {kEnd}}));
  EXPECT_EQ(testing::FloatsOf(calls[1]["camera"])[1], -1.0f);
  EXPECT_EQ(testing::FloatsOf(calls[3]["camera"])[1], -5.0f);
  EXPECT_EQ(calls[4]["value"].number, 0.5);
  ASSERT_EQ(document_.ViewCache.size(), 1u);
  EXPECT_TRUE(SameView(document_.ViewCache[0], view));
}

TEST_F(CameraSyncTest, NaNInTheCacheIsReplacedByTheHostsValue) {
  CameraRecord broken = View(u"A", std::numeric_limits<float>::quiet_NaN());
  SyncViews(document_, List({broken}, -1));
  const std::vector<Json> calls = Sync(List({View(u"A", 1.0f)}, -1));
  EXPECT_EQ(document_.ViewCache[0]._from[0], 1.0f);
  EXPECT_EQ(testing::FloatsOf(calls[0]["camera"])[1], -1.0f);
}

// What the renderer is told for one list, worked out by a plain search of the
// whole cache from entry 0 on: one text a call, the view's name and the x of
// its renderer position (the host's y).
std::vector<std::string> ExpectedCalls(std::vector<CameraRecord>& cache, const CameraList& list) {
  const auto moved = [](const CameraRecord& a, const CameraRecord& b) {
    for (std::size_t k = 0; k < 3; ++k) {
      if (std::fabs(static_cast<double>(a._from[k] - b._from[k])) > 0.0001) return true;
    }
    return std::fabs(static_cast<double>(a._fov - b._fov)) >= 0.0001;
  };
  std::vector<std::string> calls;
  const auto n = static_cast<std::int32_t>(list.cameras.size());
  const bool has_active = list.nActCamera >= 0 && list.nActCamera < n;
  if (has_active) {
    const CameraRecord& camera = list.cameras[static_cast<std::size_t>(list.nActCamera)];
    calls.push_back("camera " + std::to_string(camera._from[1]));
    if (cache.empty()) cache.push_back(camera); else cache[0] = camera;
  }
  for (std::int32_t i = 0; i < n; ++i) {
    if (has_active && i == list.nActCamera) continue;
    const CameraRecord& view = list.cameras[static_cast<std::size_t>(i)];
    auto found = std::find_if(cache.begin(), cache.end(),
                              [&](const CameraRecord& c) { return c.Name == view.Name; });
    if (found == cache.end()) {
      cache.push_back(view);
      found = cache.end() - 1;
    } else if (moved(*found, view)) {
      *found = view;
    }
    calls.push_back("view " + std::string(found->Name.begin(), found->Name.end()) + " " +
                    std::to_string(found->_from[1]));
  }
  calls.push_back(kEnd);
  return calls;
}

std::vector<std::string> Summary(const std::vector<Json>& calls) {
  std::vector<std::string> out;
  for (const Json& call : calls) {
    const std::string& fn = call["fn"].string;
    if (fn == "D5API_SendSimpleCamera") {
      out.push_back("camera " + std::to_string(testing::FloatsOf(call["camera"])[0]));
    } else if (fn == "D5API_AddSceneView") {
      out.push_back("view " + call["name"].string + " " +
                    std::to_string(testing::FloatsOf(call["camera"])[0]));
    } else if (fn == kEnd) {
      out.push_back(fn);
    }
  }
  return out;
}

// Thousands of views, names repeated within a list and shared with the active
// camera, lists that move some views and change the active one: the index by
// name gives the calls of a search through the whole cache.
TEST_F(CameraSyncTest, LargeListsSendWhatAFullSearchFinds) {
  constexpr int kViews = 2000;
  std::vector<CameraRecord> reference;
  for (int round = 0; round < 4; ++round) {
    std::vector<CameraRecord> views;
    for (int i = 0; i < kViews; ++i) {
      // Names repeat after 1200 views; each round brings new names.
      const int id = (i + round * 200) % 1200 + (i >= 1200 ? round * 1000 : 0);
      float y = 2.0f;
      if ((i + round) % 7 == 0) y += 0.001f * static_cast<float>(round);    // moved
      if ((i + round) % 11 == 0) y += 0.00005f * static_cast<float>(round);  // noise only
      CameraRecord view = View(u"V" + DecimalU16(id), 1.0f);
      view._from[1] = y;
      views.push_back(view);
    }
    // The active camera takes the name of a view further down the list.
    const std::int32_t active = round == 3 ? kViews : 17 * round;
    if (round < 3) views[static_cast<std::size_t>(active)].Name = views[1500].Name;
    const CameraList list = List(views, active);
    const std::vector<std::string> expected = ExpectedCalls(reference, list);
    EXPECT_EQ(Summary(Sync(list)), expected) << "round " << round;
    ASSERT_EQ(document_.ViewCache.size(), reference.size());
    for (std::size_t k = 0; k < reference.size(); ++k) {
      ASSERT_TRUE(SameView(document_.ViewCache[k], reference[k])) << "entry " << k;
    }
  }
}

}  // namespace
}  // namespace tarnwick
