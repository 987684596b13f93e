#include "bridge/command_line.h"

#include <gtest/gtest.h>

#include <regex>

#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

using Words = std::vector<std::u16string>;

TEST(CommandLineTest, SplitsOnSingleSpacesOnly) {
  EXPECT_EQ(SplitCommandLine(u""), Words{});
  EXPECT_EQ(SplitCommandLine(u"cameraSync"), Words{u"cameraSync"});
  EXPECT_EQ(SplitCommandLine(u"a  b"), (Words{u"a", u"", u"b"}));
  EXPECT_EQ(SplitCommandLine(u"a "), Words{u"a"});
  EXPECT_EQ(SplitCommandLine(u"a  "), (Words{u"a", u""}));
  EXPECT_EQ(SplitCommandLine(u" "), Words{u""});
  EXPECT_EQ(SplitCommandLine(u" a"), (Words{u"", u"a"}));
  EXPECT_EQ(SplitCommandLine(u"a\tb \"c d\""), (Words{u"a\tb", u"\"c", u"d\""}));
}

TEST(CommandLineTest, MatchesOnlyTheWholeFirstWordCaseSensitively) {
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"cameraSync")).RequestCode, Request::kCamera);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"ModelSync")).RequestCode, Request::kModel);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"lightSync")).RequestCode, Request::kLight);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"viewsSync")).RequestCode, Request::kViews);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"cameraSync lightSync")).RequestCode, Request::kCamera);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"x cameraSync")).RequestCode, Request::kNone);

  for (const char16_t* text : {u"", u"CameraSync", u"\"cameraSync\"", u"cameraSync\t",
                               u"modelSync", u"cameraSyncs", u" cameraSync"}) {
    const CommandRequest request = MatchRequest(SplitCommandLine(text));
    EXPECT_EQ(request.RequestCode, Request::kNone);
    EXPECT_FALSE(request.ColorMode);
  }

  const CommandRequest color = MatchRequest(SplitCommandLine(u"colorMode cameraSync"));
  EXPECT_TRUE(color.ColorMode);
  EXPECT_EQ(color.RequestCode, Request::kNone);
  EXPECT_FALSE(MatchRequest(SplitCommandLine(u"ColorMode")).ColorMode);
}

TEST(CommandLineTest, RequestMessagesNeverUseTheHostsApplyMessage) {
  EXPECT_EQ(RequestMessage(Request::kNone), 0u);
  EXPECT_EQ(RequestMessage(Request::kCamera), 1025u);
  EXPECT_EQ(RequestMessage(Request::kModel), 1026u);
  EXPECT_EQ(RequestMessage(Request::kLight), 1028u);
  EXPECT_EQ(RequestMessage(Request::kViews), 1029u);
  EXPECT_EQ(RequestMessage(static_cast<Request>(5)), 0u);
}

TEST(CommandLineTest, LogsArgsAndTheFirstWordOnlyWhenThereIsOne) {
  testing::TempExchangeFolder folder;
  LogRequestWord({});
  EXPECT_FALSE(folder.Exists("D5_Log.log"));

  LogRequestWord(SplitCommandLine(u"CameraSync lightSync"));
  const std::regex pattern(
      "\\[[^\\]]+\\]: Args - \r\n"
      "\\[[^\\]]+\\]: CameraSync\r\n");
  const std::string log = folder.Read("D5_Log.log");
  EXPECT_TRUE(std::regex_match(log, pattern)) << log;
}

}  // namespace
}  // namespace tarnwick
