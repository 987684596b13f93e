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
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"cameraSync")).RequestCode, 1);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"ModelSync")).RequestCode, 2);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"lightSync")).RequestCode, 3);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"viewsSync")).RequestCode, 4);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"cameraSync lightSync")).RequestCode, 1);
  EXPECT_EQ(MatchRequest(SplitCommandLine(u"x cameraSync")).RequestCode, 0);

  for (const char16_t* text : {u"", u"CameraSync", u"\"cameraSync\"", u"cameraSync\t",
                               u"modelSync", u"cameraSyncs", u" cameraSync"}) {
    const CommandRequest request = MatchRequest(SplitCommandLine(text));
    EXPECT_EQ(request.RequestCode, 0);
    EXPECT_FALSE(request.ColorMode);
  }

  const CommandRequest color = MatchRequest(SplitCommandLine(u"colorMode cameraSync"));
  EXPECT_TRUE(color.ColorMode);
  EXPECT_EQ(color.RequestCode, 0);
  EXPECT_FALSE(MatchRequest(SplitCommandLine(u"ColorMode")).ColorMode);
}

TEST(CommandLineTest, RequestMessagesNeverUseTheHostsApplyMessage) {
  EXPECT_EQ(RequestMessage(0), 0u);
  EXPECT_EQ(RequestMessage(1), 1025u);
  EXPECT_EQ(RequestMessage(2), 1026u);
  EXPECT_EQ(RequestMessage(3), 1028u);
  EXPECT_EQ(RequestMessage(4), 1029u);
  EXPECT_EQ(RequestMessage(5), 0u);
  EXPECT_EQ(RequestMessage(-1), 0u);
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
