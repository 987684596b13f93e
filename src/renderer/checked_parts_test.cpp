#include "renderer/checked_parts.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

const FileStamp kStamp{1, 2, 300, 4};

TEST(CheckedParts, TheExportTakesEachResultOnlyForTheVeryPartChecked) {
  CheckedParts checks;
  checks.Begin(kStamp);
  ASSERT_TRUE(checks.Add(100, 6, 4, true));
  ASSERT_TRUE(checks.Add(200, 3, 3, false));
  ASSERT_TRUE(checks.Add(300, 9, 8, true));
  ASSERT_TRUE(checks.Add(400, 9, 8, true));
  EXPECT_EQ(checks.Next(100, 6, 4), std::optional<bool>(true));
  EXPECT_EQ(checks.Next(200, 3, 3), std::optional<bool>(false));
  // Another count or limit is another list: the export checks it for itself.
  EXPECT_EQ(checks.Next(300, 9, 9), std::nullopt);
  EXPECT_EQ(checks.Next(400, 10, 8), std::nullopt);
  EXPECT_TRUE(checks.Wanted());
}

TEST(CheckedParts, AnExportThatFindsNoResultReadyChecksTheRestItselfAndStopsTheChecker) {
  CheckedParts checks;
  checks.Begin(kStamp);
  ASSERT_TRUE(checks.Add(100, 6, 4, false));
  EXPECT_EQ(checks.Next(100, 6, 4), std::optional<bool>(false));
  EXPECT_EQ(checks.Next(200, 6, 4), std::nullopt);
  EXPECT_FALSE(checks.Wanted());
  // A result that comes too late is not taken.
  EXPECT_FALSE(checks.Add(200, 6, 4, false));
  EXPECT_EQ(checks.Next(200, 6, 4), std::nullopt);
}

TEST(CheckedParts, ResultsHoldOnlyForTheFileStateTheyWereMadeOn) {
  CheckedParts checks;
  EXPECT_FALSE(checks.MadeOn(kStamp));
  checks.Begin(kStamp);
  EXPECT_TRUE(checks.MadeOn(kStamp));
  for (FileStamp other : {FileStamp{9, 2, 300, 4}, FileStamp{1, 9, 300, 4},
                          FileStamp{1, 2, 301, 4}, FileStamp{1, 2, 300, 5}}) {
    EXPECT_FALSE(checks.MadeOn(other));
  }
}

TEST(CheckedParts, TheResultsStopAtTheirMost) {
  CheckedParts checks;
  checks.Begin(kStamp);
  const std::size_t most = CheckedParts::kBlockParts * CheckedParts::kMaxBlocks;
  for (std::size_t i = 0; i < most; ++i) ASSERT_TRUE(checks.Add(i, 3, 3, i % 2 == 0));
  EXPECT_FALSE(checks.Add(most, 3, 3, true));
  EXPECT_EQ(checks.Next(0, 3, 3), std::optional<bool>(true));
  EXPECT_EQ(checks.Next(1, 3, 3), std::optional<bool>(false));
}

}  // namespace
}  // namespace tarnwick
