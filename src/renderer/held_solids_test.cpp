#include "renderer/held_solids.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <span>
#include <vector>

namespace tarnwick {
namespace {

using Held = std::map<std::uint32_t, std::uint32_t>;  // id -> stamp, unsigned order

Held Contents(const HeldSolids& solids) {
  Held held;
  std::uint32_t previous = 0;
  bool first = true;
  for (const SyncSolidLine& solid : solids.InOrder()) {
    EXPECT_TRUE(first || solid.id > previous) << "ids ascend, each once";
    first = false;
    previous = solid.id;
    held[solid.id] = solid.time_stamp;
  }
  return held;
}

// Bodies of every shape (ascending, descending, ids sent twice, ids already held) and
// removal lists of every shape against a plain map: the record holds what the map holds.
TEST(HeldSolidsTest, BodiesAndRemovalsKeepEveryIdOnceInUnsignedOrder) {
  std::mt19937 random(7);
  for (int trial = 0; trial < 300; ++trial) {
    HeldSolids solids;
    Held expected;
    for (int body = 0; body < 4; ++body) {
      std::vector<std::uint32_t> listed;
      for (int i = random() % 6; i > 0; --i) listed.push_back(random() % 40);
      for (const std::uint32_t id : solids.RemoveListed(listed)) {
        EXPECT_EQ(expected.erase(id), 1u) << "removed once, and only when held";
      }
      // Some bodies only remove, and the record is read between the removal and the body.
      if (random() % 4 == 0) {
        ASSERT_EQ(Contents(solids), expected) << trial << " " << body;
        ASSERT_EQ(solids.size(), expected.size());
      }
      solids.BeginBody();
      const int count = random() % 30;
      if (random() % 2) solids.Expect(random() % 2 ? count : random() % 60);
      const bool ascending = random() % 2;
      const bool trusted = random() % 4 != 0;
      for (int i = 0; i < count; ++i) {
        std::uint32_t id = ascending ? static_cast<std::uint32_t>(i * 3 + random() % 3)
                                     : static_cast<std::uint32_t>(random() % 40);
        if (id == 39) id = 0xFFFFFFFFu;
        const auto stamp = static_cast<std::uint32_t>(random());
        solids.Record(id, stamp);
        expected[id] = trusted ? stamp : 0;
      }
      solids.EndBody(trusted);
      ASSERT_EQ(solids.size(), expected.size());
      ASSERT_EQ(Contents(solids), expected) << trial << " " << body;
      for (std::uint32_t id = 0; id < 40; ++id) {
        const SyncSolidLine* found = solids.Find(id);
        ASSERT_EQ(found != nullptr, expected.count(id) == 1) << id;
        if (found) {
          ASSERT_EQ(found->time_stamp, expected[id]);
        }
      }
    }
  }
}

// Room is made at once for the solids of a first body, and they are recorded without the
// record moving; a count beyond a model of kRoomAtOnce solids is not taken at its word, and
// a record that holds solids already grows only as they come.
TEST(HeldSolidsTest, RoomIsMadeAtOnceOnlyForAFirstBodyAndWithinReason) {
  HeldSolids solids;
  solids.BeginBody();
  solids.Expect(1000);
  solids.Record(1, 1);
  const SyncSolidLine* room = solids.InOrder().data();
  for (std::uint32_t id = 2; id <= 1000; ++id) solids.Record(id, id);
  EXPECT_EQ(solids.InOrder().data(), room);
  solids.EndBody(true);
  solids.BeginBody();
  solids.Expect(1u << 20);
  EXPECT_EQ(solids.InOrder().data(), room);

  HeldSolids crafted;
  crafted.BeginBody();
  crafted.Expect(0xFFFFFFFFu);
  for (std::uint32_t id = 1; id <= HeldSolids::kRoomAtOnce; ++id) crafted.Record(id, 0);
  room = crafted.InOrder().data();
  crafted.Record(0xFFFFFFFFu, 0);
  EXPECT_NE(crafted.InOrder().data(), room);
  crafted.EndBody(true);
  EXPECT_EQ(crafted.size(), HeldSolids::kRoomAtOnce + 1);
}

TEST(HeldSolidsTest, RemovalsGoInListOrderEachOnce) {
  HeldSolids solids;
  solids.BeginBody();
  for (std::uint32_t id = 10; id < 110; ++id) solids.Record(id, id);
  solids.EndBody(true);
  const std::uint32_t listed[] = {12, 13, 50, 51, 200, 90, 11, 90, 109, 12};
  const std::span<const std::uint32_t> removed = solids.RemoveListed(listed);
  EXPECT_EQ(std::vector<std::uint32_t>(removed.begin(), removed.end()),
            (std::vector<std::uint32_t>{12, 13, 50, 51, 90, 11, 109}));
  EXPECT_EQ(solids.size(), 93u);
  EXPECT_EQ(solids.Find(12), nullptr);
  ASSERT_NE(solids.Find(14), nullptr);
  EXPECT_EQ(solids.Find(14)->time_stamp, 14u);
  EXPECT_NE(solids.Find(108), nullptr);
  // A removed solid sent again is held again at once, before its body ends.
  solids.BeginBody();
  solids.Record(50, 500);
  EXPECT_EQ(solids.size(), 94u);
  EXPECT_EQ(solids.Find(50)->time_stamp, 500u);
  solids.EndBody(true);
  EXPECT_EQ(solids.size(), 94u);
}

// A body that is not trusted leaves each of its solids with stamp 0, appended or arrived,
// and those of earlier bodies as they were; the stamp of a solid may be changed until the
// next one is recorded.
TEST(HeldSolidsTest, AnUntrustedBodyListsItsSolidsWithStampZero) {
  HeldSolids solids;
  solids.BeginBody();
  solids.Record(5, 50);
  solids.Record(9, 90);
  solids.EndBody(true);
  solids.BeginBody();
  solids.Record(12, 120);
  solids.Record(7, 70) = 71;
  solids.Record(5, 55);
  solids.EndBody(false);
  EXPECT_EQ(Contents(solids), (Held{{5, 0}, {7, 0}, {9, 90}, {12, 0}}));
  solids.BeginBody();
  solids.Record(3, 30) = 31;
  solids.EndBody(true);
  EXPECT_EQ(solids.Find(3)->time_stamp, 31u);
  // A clear takes the removals still pending with it.
  const std::uint32_t listed[] = {9};
  ASSERT_EQ(solids.RemoveListed(listed).size(), 1u);
  solids.Clear();
  EXPECT_EQ(solids.size(), 0u);
  EXPECT_TRUE(solids.InOrder().empty());
}

}  // namespace
}  // namespace tarnwick
