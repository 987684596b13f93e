#include "bridge/resident_lookup.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnwick {
namespace {

// A clock that moves only when the lookup waits or a look costs time.
class FakeTime {
 public:
  // look_cost_ms: how long each look takes; found_at_look: the look (from 1) that finds the window.
  FakeTime(std::uint64_t look_cost_ms, int found_at_look)
      : look_cost_ms_(look_cost_ms), found_at_look_(found_at_look) {}

  ResidentLookup Lookup() {
    return {[this] {
              look_times_.push_back(now_);
              now_ += look_cost_ms_;
              return static_cast<int>(look_times_.size()) == found_at_look_;
            },
            [this](std::uint32_t ms) {
              waits_.push_back(ms);
              now_ += ms;
            },
            [this] { return now_; }};
  }

  std::vector<std::uint64_t> look_times_;
  std::vector<std::uint32_t> waits_;
  std::uint64_t now_ = 5000;

 private:
  std::uint64_t look_cost_ms_;
  int found_at_look_;
};

TEST(ResidentLookupTest, AWindowFoundAtOnceIsUsedWithoutWaiting) {
  FakeTime time(0, 1);
  EXPECT_TRUE(LookForResident(time.Lookup()));
  EXPECT_EQ(time.look_times_.size(), 1u);
  EXPECT_TRUE(time.waits_.empty());
}

TEST(ResidentLookupTest, AWindowThatAppearsLateIsFoundEvery20Ms) {
  FakeTime time(0, 4);
  EXPECT_TRUE(LookForResident(time.Lookup()));
  EXPECT_EQ(time.look_times_, (std::vector<std::uint64_t>{5000, 5020, 5040, 5060}));
  EXPECT_EQ(time.waits_, (std::vector<std::uint32_t>{20, 20, 20}));
}

TEST(ResidentLookupTest, NoWindowGivesUpAfterTwoSeconds) {
  FakeTime time(0, 0);
  EXPECT_FALSE(LookForResident(time.Lookup()));
  // A look at once, then one every 20 ms up to and including the 2 s mark.
  ASSERT_EQ(time.look_times_.size(), 101u);
  EXPECT_EQ(time.look_times_.front(), 5000u);
  EXPECT_EQ(time.look_times_.back(), 7000u);
  for (std::uint32_t wait : time.waits_) EXPECT_EQ(wait, 20u);
}

TEST(ResidentLookupTest, SlowLooksDoNotStretchTheTwoSeconds) {
  FakeTime time(35, 0);
  EXPECT_FALSE(LookForResident(time.Lookup()));
  // Each round costs 55 ms; the last look starts before the limit and nothing waits past it.
  EXPECT_LT(time.look_times_.back(), 7000u);
  EXPECT_LE(time.now_, 7000u + 35u);
  EXPECT_EQ(time.look_times_.size(), 37u);
}

TEST(ResidentLookupTest, TheLastWaitEndsAtTheLimit) {
  FakeTime time(10, 0);
  EXPECT_FALSE(LookForResident(time.Lookup()));
  // Rounds of 30 ms: the wait that would cross 2 s is shortened to end on it,
  // and one last look is made there.
  EXPECT_EQ(time.waits_.back(), 10u);
  EXPECT_EQ(time.look_times_.back(), 7000u);
}

}  // namespace
}  // namespace tarnwick
