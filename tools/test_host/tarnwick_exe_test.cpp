// Tarnwick.exe as a whole, under Wine: this test program plays the host (it owns
// the "Corvella_class" and "Qt5152QWindowIcon" windows) and starts the bridge.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "protocol/protocol.h"
#include "test_host/bridge_process.h"
#include "test_host/host_windows.h"
#include "test_host/text_search.h"

namespace tarnwick::test_host {
namespace {

constexpr wchar_t kBridgeClass[] = L"Tarnwick";
constexpr DWORD kStartTimeoutMs = 15000;
// The watchdog ticks every second; allow for a slow machine.
constexpr DWORD kWatchdogEndMs = 2500;

class TarnwickExeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(TarnwickBesideMe())) << TarnwickBesideMe();
    // With a real model the start-up export succeeds once the renderer is the stand-in.
    appdata_.CopySampleFiles(WindowsPathOf(TARNWICK_SAMPLE_FOLDER));
    ASSERT_NE(host_->handle(), nullptr);
    ASSERT_NE(renderer_->handle(), nullptr);
  }

  // Starts a bridge and, for a resident one, waits for its window.
  void Start(BridgeProcess& process, const std::wstring& arguments, bool resident = true) {
    ASSERT_TRUE(process.Start(TarnwickBesideMe(), arguments, BridgeEnvironment(appdata_)));
    if (resident) {
      ASSERT_TRUE(PumpUntil([&] { return process.FindWindowOfClass(kBridgeClass) != nullptr; },
                            kStartTimeoutMs))
          << "no window of class Tarnwick";
    }
  }

  // Ends a resident bridge by its exit command and checks that it went quietly.
  void EndByCommand(BridgeProcess& process) {
    const HWND window = process.FindWindowOfClass(kBridgeClass);
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(105, 0), 0);
    ASSERT_TRUE(process.WaitForExit(kWatchdogEndMs));
    EXPECT_EQ(process.ExitCode(), 0u);
  }

  TempAppData appdata_;
  std::unique_ptr<FakeWindow> host_ = std::make_unique<FakeWindow>(kHostClass);
  std::unique_ptr<FakeWindow> renderer_ = std::make_unique<FakeWindow>(kRendererClass);
};

TEST_F(TarnwickExeTest, FirstStartStaysResidentLogsItsWordAndEndsOnCommand105) {
  BridgeProcess bridge;
  Start(bridge, L"cameraSync");
  // Several watchdog ticks pass while the host and the renderer are open.
  PumpMessagesFor(2500);
  EXPECT_TRUE(bridge.Running());
  const std::string log = appdata_.ReadLog();
  EXPECT_EQ(CountOf(log, "]: Args - \r\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "]: cameraSync\r\n"), 1) << log;
  EXPECT_LT(log.find("Args - "), log.find("cameraSync"));
  EndByCommand(bridge);
}

TEST_F(TarnwickExeTest, SecondStartLogsForwardsAndExitsWhileTheFirstServes) {
  BridgeProcess resident;
  Start(resident, L"cameraSync");
  BridgeProcess messenger;
  Start(messenger, L"ModelSync", /*resident=*/false);
  ASSERT_TRUE(messenger.WaitForExit(5000)) << "the forwarding process stayed";
  EXPECT_EQ(messenger.ExitCode(), 0u);
  EXPECT_EQ(FindProcessWindow(messenger.id(), kBridgeClass), nullptr);

  // The resident bridge serves the model sync: the host is told that it may write.
  ASSERT_TRUE(PumpUntil([&] { return host_->CountOf(protocol::MSG_HOST_SYNC_READY) > 0; }, 5000));
  EXPECT_EQ(host_->LastLParamOf(protocol::MSG_HOST_SYNC_READY), 10);
  EXPECT_TRUE(resident.Running());
  const std::string log = appdata_.ReadLog();
  EXPECT_EQ(CountOf(log, "]: Args - \r\n"), 2) << log;
  EXPECT_LT(log.find("]: cameraSync\r\n"), log.find("]: ModelSync\r\n")) << log;
  EndByCommand(resident);
}

TEST_F(TarnwickExeTest, EndsSoonAfterTheHostWindowCloses) {
  BridgeProcess bridge;
  Start(bridge, L"viewsSync");
  PumpMessagesFor(1200);
  ASSERT_TRUE(bridge.Running());
  host_->Destroy();
  ASSERT_TRUE(bridge.WaitForExit(kWatchdogEndMs));
  EXPECT_EQ(bridge.ExitCode(), 0u);
}

TEST_F(TarnwickExeTest, EndsSoonAfterTheRendererWindowCloses) {
  BridgeProcess bridge;
  Start(bridge, L"lightSync");
  PumpMessagesFor(1200);
  ASSERT_TRUE(bridge.Running());
  renderer_->Destroy();
  ASSERT_TRUE(bridge.WaitForExit(kWatchdogEndMs));
  EXPECT_EQ(bridge.ExitCode(), 0u);
}

TEST_F(TarnwickExeTest, WithoutAHostWindowEndsAtTheFirstTick) {
  host_.reset();
  BridgeProcess bridge;
  Start(bridge, L"cameraSync", /*resident=*/false);
  ASSERT_TRUE(bridge.WaitForExit(kStartTimeoutMs));
  EXPECT_EQ(bridge.ExitCode(), 0u);
}

TEST_F(TarnwickExeTest, EmptyCommandLineLogsNothingAndServes) {
  BridgeProcess bridge;
  Start(bridge, L"");
  PumpMessagesFor(1200);
  EXPECT_TRUE(bridge.Running());
  EXPECT_EQ(appdata_.ReadLog().find("Args - "), std::string::npos);
  EndByCommand(bridge);
}

TEST_F(TarnwickExeTest, UnknownWordsAreLoggedAndForwardNothing) {
  BridgeProcess resident;
  Start(resident, L"\"cameraSync\"");
  for (const wchar_t* word : {L"CameraSync", L"colorMode", L"ModelSync\t"}) {
    BridgeProcess messenger;
    Start(messenger, word, /*resident=*/false);
    ASSERT_TRUE(messenger.WaitForExit(5000));
    EXPECT_EQ(messenger.ExitCode(), 0u);
  }
  PumpMessagesFor(500);
  EXPECT_EQ(host_->CountOf(protocol::MSG_HOST_SYNC_READY), 0);
  const std::string log = appdata_.ReadLog();
  EXPECT_EQ(CountOf(log, "]: Args - \r\n"), 4) << log;
  EXPECT_EQ(CountOf(log, "]: \"cameraSync\"\r\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "]: CameraSync\r\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "]: ModelSync\t\r\n"), 1) << log;
  EndByCommand(resident);
}

// The registry's folder is read through advapi32, which Tarnwick.exe loads only then.
TEST_F(TarnwickExeTest, WithoutAppDataTheRegistryNamesTheExchangeFolder) {
  const wchar_t* const key = L"SOFTWARE\\Brevane\\Corvella2026_D5Plugin";
  const std::wstring folder = appdata_.data_folder().wstring();
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key, L"TempPath", REG_SZ, folder.c_str(),
                            static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
  auto variables = BridgeEnvironment(appdata_);
  for (auto& [name, value] : variables) {
    if (name == L"APPDATA") value.clear();
  }
  BridgeProcess bridge;
  ASSERT_TRUE(bridge.Start(TarnwickBesideMe(), L"cameraSync", variables));
  const bool resident = PumpUntil(
      [&] { return bridge.FindWindowOfClass(kBridgeClass) != nullptr; }, kStartTimeoutMs);
  RegDeleteKeyW(HKEY_CURRENT_USER, key);
  ASSERT_TRUE(resident);
  const std::string log = appdata_.ReadLog();
  EXPECT_EQ(CountOf(log, "]: Args - \r\n"), 1) << log;
  EXPECT_EQ(CountOf(log, "]: cameraSync\r\n"), 1) << log;
  EndByCommand(bridge);
}

TEST(TarnwickResourcesTest, TitleClassNameAndBothIconGroups) {
  const HMODULE module = LoadLibraryExW(TarnwickBesideMe().c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  for (UINT id : {103u, 109u}) {
    wchar_t text[100] = {};
    EXPECT_EQ(LoadStringW(module, id, text, 100), 8) << id;
    EXPECT_STREQ(text, L"Tarnwick") << id;
  }
  for (WORD id : {107, 108}) {
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14)), nullptr) << id;
  }
  FreeLibrary(module);
}

}  // namespace
}  // namespace tarnwick::test_host
