// An exchange folder of 260 characters or more, under Wine: the bridge reaches
// it through the extended-length prefix, under which Windows no longer
// normalises a path. An APPDATA that holds "\x\..\" or a doubled "\\" (as a
// roaming profile's redirection may give) still names the folder.
#include "host_sim/live_bridge.h"

#include <string>

namespace tarnwick::host_sim {
namespace {

namespace fs = std::filesystem;

// A folder name long enough that the exchange folder below it passes 260 characters.
std::wstring LongName(const fs::path& parent) {
  std::wstring name = L"Roaming";
  while (parent.wstring().size() + name.size() < 230) name += L"_Profile";
  return name;
}

using LongAppData = LiveBridge;

TEST_F(LongAppData, AnAppDataThatIsNotNormalStillNamesTheExchangeFolder) {
  const fs::path work = files_.work_folder();
  const std::wstring name = LongName(work);
  ASSERT_TRUE(files_.UseAppData(work / name));
  ASSERT_TRUE(files_.Write(test_host::Wide(protocol::kModelFile), HouseSample(L"_model.cvm")));
  ASSERT_TRUE(files_.Write(L"camera.cam", HouseSample(L"camera.cam")));
  ASSERT_GE(files_.PathOf(test_host::Wide(protocol::kModelFile)).wstring().size(), 260u);
  // The same folder, through a folder that is not there and back, and a doubled separator.
  Env(L"APPDATA", work.wstring() + L"\\x\\..\\\\" + name);
  ASSERT_TRUE(StartServed(L"cameraSync", "D5API_SendCurrentActiveCamera"))
      << ::testing::PrintToString(Log());
  EXPECT_EQ(CountCalls(Journal(), "D5API_CreateSession"), 1);
  EXPECT_EQ(Log(), (std::vector<std::string>{"Args - ", "cameraSync", "Init Start"}));
  PostMessageW(resident_.FindWindowOfClass(kBridgeClass), WM_COMMAND,
               MAKEWPARAM(protocol::kExitCommand, 0), 0);
  EXPECT_TRUE(EndsCleanly());
}

}  // namespace
}  // namespace tarnwick::host_sim
