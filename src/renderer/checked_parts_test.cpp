#include "renderer/checked_parts.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

const FileStamp kStamp{1, 2, 300, 4};

CheckedPart PartAt(std::uint64_t position, std::optional<bool> below = true) {
  CheckedPart part;
  part.position = position;
  part.counts = {12, 0, 0, 0, 0, 6, 0, 0};
  part.counts_whole = true;
  part.index_count = 6;
  part.limit = 4;
  part.below = below;
  return part;
}

TEST(CheckedParts, TheExportTakesEachRecordOnlyForTheVeryPartUntilTheReadingsPart) {
  CheckedParts checks;
  checks.Begin(kStamp);
  for (const std::uint64_t position : {100u, 200u, 300u, 400u}) {
    ASSERT_TRUE(checks.Add(PartAt(position, position != 200)));
  }
  const CheckedPart* first = checks.Take(100);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->below, std::optional<bool>(true));
  const CheckedPart* second = checks.Take(200);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->below, std::optional<bool>(false));
  EXPECT_TRUE(checks.Wanted());
  // The export has come to a part the checker did not read next: from here on it reads
  // every part itself, even those the checker did read.
  EXPECT_EQ(checks.Take(999), nullptr);
  EXPECT_FALSE(checks.Wanted());
  EXPECT_EQ(checks.Take(300), nullptr);
}

TEST(CheckedParts, AnExportThatFindsNoRecordReadyReadsTheRestItselfAndStopsTheChecker) {
  CheckedParts checks;
  checks.Begin(kStamp);
  ASSERT_TRUE(checks.Add(PartAt(100, false)));
  ASSERT_NE(checks.Take(100), nullptr);
  EXPECT_EQ(checks.Take(200), nullptr);
  EXPECT_FALSE(checks.Wanted());
  // A record that comes too late is not taken.
  EXPECT_FALSE(checks.Add(PartAt(200)));
  EXPECT_EQ(checks.Take(200), nullptr);
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

TEST(CheckedParts, TheRecordsStopAtTheirMost) {
  CheckedParts checks;
  checks.Begin(kStamp);
  const std::size_t most = CheckedParts::kBlockParts * CheckedParts::kMaxBlocks;
  for (std::size_t i = 0; i < most; ++i) ASSERT_TRUE(checks.Add(PartAt(i, i % 2 == 0)));
  EXPECT_FALSE(checks.Add(PartAt(most)));
  EXPECT_EQ(checks.Take(0)->below, std::optional<bool>(true));
  EXPECT_EQ(checks.Take(1)->below, std::optional<bool>(false));
}

}  // namespace
}  // namespace tarnwick
