// Requests that reach the bridge before it may serve them, under Wine: those
// posted while the start-up error box is up die with the process; those posted
// during a successful export are served after it, in order. And a forwarding
// process whose resident has no window yet looks again instead of dropping it.
#include "host_sim/live_bridge.h"

#include "protocol/protocol.h"

namespace tarnwick::host_sim {
using namespace protocol;
namespace {

using test_host::BridgeProcess;
using test_host::FakeWindow;
using test_host::PumpMessagesFor;
using test_host::PumpUntil;

// Long enough for the stand-in's start that a test can act during the export.
constexpr wchar_t kSlowStartMs[] = L"1500";
// Enough for a bridge to serve posted requests, were it serving.
constexpr DWORD kWouldBeServedMs = 800;

using RequestHolding = LiveBridge;

TEST_F(RequestHolding, RequestsPostedWhileTheStartErrorBoxIsUpAreNeverServed) {
  const HWND box = StartWithRendererMissing(L"cameraSync");
  ASSERT_NE(box, nullptr) << "no error box";

  // The box's own message loop dispatches whatever reaches the window now.
  Post({MSG_MODEL_SYNC_PREPARE, MSG_CAMERA_SYNC, MSG_MODEL_SYNC_APPLY, MSG_LIGHT_SYNC,
        MSG_VIEWS_SYNC});
  PumpMessagesFor(kWouldBeServedMs);
  const std::vector<std::string> log_while_up = Log();
  ASSERT_TRUE(test_host::CloseMessageBox(box, kBridgeEndMs));
  ASSERT_TRUE(EndsCleanly());

  const std::vector<std::string> expected_log = {"Args - ", "cameraSync", "Init Start",
                                                 "Connection Error: -3"};
  EXPECT_EQ(log_while_up, expected_log);
  EXPECT_EQ(Log(), expected_log);
  EXPECT_EQ(FunctionsFrom(Journal()), std::vector<std::string>{"D5API_StartD5Render"})
      << "no renderer call without a session";
  EXPECT_FALSE(files_.Exists(L"_mod.sync"));
  EXPECT_FALSE(files_.Exists(L"_mod.sm"));
  EXPECT_EQ(sync_ready_, 0) << "the host was told to read a record";
}

TEST_F(RequestHolding, RequestsPostedDuringASuccessfulExportAreServedInOrderBeforeItsOwn) {
  Env(L"RENDERER_STANDIN_START_DELAY_MS", kSlowStartMs);
  ASSERT_TRUE(files_.Write(L"_mod.sm", HouseSample(L"update_mod.sm")));
  ASSERT_TRUE(Start(resident_, L"viewsSync"));
  Post({MSG_CAMERA_SYNC, MSG_MODEL_SYNC_PREPARE, MSG_LIGHT_SYNC});
  ASSERT_TRUE(Journal().empty()) << "the export was over before the requests were posted";

  ASSERT_TRUE(PumpUntil([&] { return CountCalls(Journal(), "D5API_EndExport") > 1; },
                        kBridgeStartMs));
  PumpUntil([&] { return sync_ready_ > 0; }, kBridgeEndMs);
  const std::vector<std::string> journal = Journal();
  const auto at = [&](const std::string& function, std::size_t from) {
    std::size_t i = from;
    while (i < journal.size() && FunctionOf(journal[i]) != function) ++i;
    return i;
  };
  // The model's own cameras and views go out with the export, before its flush.
  const std::size_t export_flush = at("D5API_FlushData", 0);
  const std::size_t camera = at("D5API_SendCurrentActiveCamera", export_flush);
  const std::size_t light_flush = at("D5API_FlushData", camera);
  const std::size_t views = at("D5API_SendSceneViews", export_flush);
  EXPECT_LT(camera, views) << "the camera sync before the bridge's own request";
  EXPECT_LT(camera, light_flush) << "the light sync after the camera";
  EXPECT_LT(light_flush, views) << "the bridge's own request last";
  EXPECT_LT(views, journal.size());
  EXPECT_EQ(CountCalls(journal, "D5API_StartD5Render"), 1);
  EXPECT_EQ(sync_ready_, 1);
  EXPECT_TRUE(files_.Exists(L"_mod.sync"));
  EXPECT_EQ(Log(), (std::vector<std::string>{"Args - ", "viewsSync", "Init Start",
                                             "Sync Model state 0"}));
  EXPECT_TRUE(resident_.Running());
}

// Plays a resident bridge that holds the mutex but has no window yet.
class ResidentWithoutWindow : public LiveBridge {
 protected:
  void SetUp() override {
    LiveBridge::SetUp();
    mutex_ = CreateMutexW(nullptr, TRUE, L"TarnwickMutex");
    ASSERT_NE(mutex_, nullptr);
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "a bridge is running";
  }
  void TearDown() override {
    if (mutex_ == nullptr) return;
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  HANDLE mutex_ = nullptr;
};

TEST_F(ResidentWithoutWindow, AForwardedRequestReachesAWindowThatAppearsLate) {
  BridgeProcess forwarder;
  ASSERT_TRUE(Start(forwarder, L"ModelSync", /*resident=*/false));
  // It logs its word just before it finds the mutex taken and starts looking.
  ASSERT_TRUE(PumpUntil([&] { return Log().size() == 2; }, kBridgeStartMs));
  PumpMessagesFor(300);
  ASSERT_TRUE(forwarder.Running()) << "the forwarding process gave up at once";
  FakeWindow late(kBridgeClass);
  ASSERT_TRUE(forwarder.WaitForExit(kBridgeEndMs));
  EXPECT_EQ(forwarder.ExitCode(), 0u);
  PumpUntil([&] { return late.CountOf(MSG_MODEL_SYNC_PREPARE) > 0; }, 1000);
  EXPECT_EQ(late.CountOf(MSG_MODEL_SYNC_PREPARE), 1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Args - ", "ModelSync"}));
}

// The resident ends (the user closed the renderer) while a forwarding process
// still looks for its window: the host's next start becomes the resident and
// exports, instead of finding the mutex kept alive by the forwarder.
TEST_F(ResidentWithoutWindow, AForwarderStillLookingLetsTheNextStartBecomeResident) {
  BridgeProcess forwarder;
  ASSERT_TRUE(Start(forwarder, L"cameraSync", /*resident=*/false));
  ASSERT_TRUE(PumpUntil([&] { return Log().size() == 2; }, kBridgeStartMs));
  PumpMessagesFor(300);
  ASSERT_TRUE(forwarder.Running()) << "the forwarding process stopped looking at once";
  ReleaseMutex(mutex_);
  CloseHandle(mutex_);
  mutex_ = nullptr;
  ASSERT_TRUE(StartServed(L"viewsSync", "D5API_SendSceneViews"))
      << "the next start did not become the resident";
  EXPECT_EQ(CountCalls(Journal(), "D5API_StartD5Render"), 1);
  ASSERT_TRUE(forwarder.WaitForExit(kBridgeEndMs));
  EXPECT_EQ(forwarder.ExitCode(), 0u);
  PostMessageW(resident_.FindWindowOfClass(kBridgeClass), WM_COMMAND, MAKEWPARAM(kExitCommand, 0), 0);
  EXPECT_TRUE(EndsCleanly());
}

TEST_F(ResidentWithoutWindow, WithNoWindowAtAllTheForwardingProcessGivesUpQuietly) {
  BridgeProcess forwarder;
  ASSERT_TRUE(Start(forwarder, L"cameraSync", /*resident=*/false));
  ASSERT_TRUE(PumpUntil([&] { return Log().size() == 2; }, kBridgeStartMs));
  PumpMessagesFor(1000);
  EXPECT_TRUE(forwarder.Running()) << "it stops looking after 2 s, not at once";
  ASSERT_TRUE(forwarder.WaitForExit(kBridgeEndMs));
  EXPECT_EQ(forwarder.ExitCode(), 0u);
  EXPECT_TRUE(Journal().empty());
}

}  // namespace
}  // namespace tarnwick::host_sim
