// The host's files are the host's while the bridge waits, under Wine: while the
// renderer takes its time to start and while the missing-renderer box is up,
// the host rewrites "_model.cvm" as its plug-in does (fopen "wb"). Windows
// refuses to cut a file while any view of it is mapped (error 1224), so any
// view or handle of it held across the wait would break the host's save.
#include <cstdio>

#include "host_sim/live_bridge.h"

namespace tarnwick::host_sim {
namespace {

using test_host::PumpUntil;

// Long enough for the stand-in's start that the test acts while the bridge waits for it.
constexpr wchar_t kSlowStartMs[] = L"3000";

// Rewrites the file as the host's plug-in does; "" when it worked, else what failed.
std::string RewriteAsTheHostDoes(const std::filesystem::path& path, const std::string& bytes) {
  SetLastError(0);
  std::FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return "fopen(\"wb\") failed, error " + std::to_string(GetLastError());
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed ? "" : "the rewrite was cut short";
}

using HostFilesFree = LiveBridge;

TEST_F(HostFilesFree, TheHostRewritesTheModelWhileTheRendererStarts) {
  Env(L"RENDERER_STANDIN_START_DELAY_MS", kSlowStartMs);
  ASSERT_TRUE(Start(resident_, L""));
  // "Init Start" is logged right before the renderer is started.
  ASSERT_TRUE(PumpUntil([&] { return !Log().empty() && Log().back() == "Init Start"; },
                        kBridgeStartMs));
  ASSERT_TRUE(Journal().empty()) << "the renderer started before the host could save";
  const std::string model = HouseSample(L"_model.cvm");
  EXPECT_EQ(RewriteAsTheHostDoes(files_.data_folder() / L"_model.cvm", model), "");
  EXPECT_TRUE(Journal().empty()) << "the rewrite came after the renderer's start";
  ASSERT_TRUE(PumpUntil([&] { return CountCalls(Journal(), "D5API_FlushData") > 0; },
                        kBridgeStartMs));
  PostMessageW(resident_.FindWindowOfClass(kBridgeClass), WM_COMMAND, MAKEWPARAM(105, 0), 0);
  EXPECT_TRUE(EndsCleanly());
}

TEST_F(HostFilesFree, TheHostRewritesTheModelWhileTheMissingRendererBoxIsUp) {
  const HWND box = StartWithRendererMissing(L"");
  ASSERT_NE(box, nullptr) << "no error box";
  const std::string model = HouseSample(L"_model.cvm");
  EXPECT_EQ(RewriteAsTheHostDoes(files_.data_folder() / L"_model.cvm", model), "");
  ASSERT_TRUE(test_host::CloseMessageBox(box, kBridgeEndMs));
  EXPECT_TRUE(EndsCleanly());
}

}  // namespace
}  // namespace tarnwick::host_sim
