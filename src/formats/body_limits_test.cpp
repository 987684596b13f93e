#include "formats/body_limits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "container_writer/container_writer.h"
#include "container_writer/crafted_files.h"
#include "container_writer/golden_model.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "protocol/protocol.h"
#include "testlib/recording_sink.h"

// Each kind of work a body costs is counted as it is done, and bounded in proportion to
// the file: files a host writes stay far below, crafted ones end with one notice.
namespace tarnwick {
namespace {

namespace cw = container_writer;
using testing::RecordingSink;

constexpr std::uint32_t kBody = protocol::kContainerHeaderBytes;

struct Outcome {
  RecordingSink sink;
  BodyWork work;
  std::uint64_t size = 0;
};

// A stream over `bytes`, which must outlive it.
std::unique_ptr<ContainerStream> StreamOver(const std::string& bytes) {
  return ContainerStream::OverMemory(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

// Words laid out as a table's, and a stream over them.
struct Words {
  explicit Words(const std::vector<std::uint32_t>& words) {
    for (const std::uint32_t word : words) {
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(word >> (8 * i)));
    }
    stream = StreamOver(bytes);
  }
  Words(const Words&) = delete;
  Words& operator=(const Words&) = delete;

  std::string bytes;
  std::unique_ptr<ContainerStream> stream;
};

Outcome ReadBody(const std::string& bytes, bool removals = false) {
  auto stream = StreamOver(bytes);
  Outcome outcome;
  outcome.size = bytes.size();
  if (removals) {
    outcome.work = ReadRemovalSection(*stream, kBody, outcome.sink);
  } else {
    outcome.work = ReadModelBody(*stream, kBody, outcome.sink);
  }
  return outcome;
}

void PatchU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

std::uint32_t WordAt(const std::string& bytes, std::size_t at) {
  return LoadU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at);
}

TEST(BodyLimitsTest, EachBoundIsAMultipleOfTheFileWithAFloor) {
  struct Case {
    WorkKind kind;
    std::uint64_t file_size, limit;
  };
  constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
  const Case cases[] = {
      {WorkKind::kEntries, 1000, 32768},        {WorkKind::kEntries, 1 << 20, 1 << 19},
      {WorkKind::kRecords, 1000, 8192},         {WorkKind::kRecords, 12 << 20, 1 << 20},
      {WorkKind::kText, 1000, 1 << 19},         {WorkKind::kText, 1 << 20, 4 << 20},
      {WorkKind::kNames, 1000, 1 << 16},        {WorkKind::kNames, 1 << 20, 2 << 20},
      {WorkKind::kIndices, 1000, 1 << 20},      {WorkKind::kIndices, 1 << 20, 4 << 20},
      {WorkKind::kRemovalIds, 1000, 1 << 16},   {WorkKind::kRemovalIds, 1 << 20, 1 << 20},
      {WorkKind::kArrayBytes, 1000, 64 * kGiB}, {WorkKind::kArrayBytes, 2 * kGiB, 128 * kGiB},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WorkLimit(c.kind, c.file_size), c.limit)
        << kWorkBounds[static_cast<std::size_t>(c.kind)].what << " at " << c.file_size;
  }
}

// The hand-made file: one material of 19 units, one light of 16, one solid with the part
// "A" of 9 floats and 3 indices, and a Cameras record of 25 units on two lines.
TEST(BodyLimitsTest, EveryKindOfWorkIsCountedAsItIsDone) {
  const Outcome outcome = ReadBody(testing::GoldenModelFile());
  const BodyWork& work = outcome.work;
  EXPECT_EQ(work[WorkKind::kEntries], 4u);  // one entry in each of four tables
  EXPECT_EQ(work[WorkKind::kRecords], 5u);  // material, light, solid, part, camera block
  EXPECT_EQ(work[WorkKind::kText], 19u + 16u + 25u + kLineWork);
  EXPECT_EQ(work[WorkKind::kNames], 1u);
  EXPECT_EQ(work[WorkKind::kIndices], 3u);
  EXPECT_EQ(work[WorkKind::kArrayBytes], 4u * (9 + 3));
  EXPECT_EQ(work[WorkKind::kRemovalIds], 0u);

  // A removal section: its entries, lists, names and the ids of the lists acted on.
  cw::RemovalSection removals{{{u"Solid", {1, 2, 3}}, {u"Other", {4}}, {u"Material", {5}}}};
  const Outcome lists =
      ReadBody(cw::BuildContainer(cw::IncrementalFile(u"P", removals, cw::ModelBody{})), true);
  ASSERT_EQ(lists.sink.removals.size(), 3u);
  EXPECT_EQ(lists.work[WorkKind::kEntries], 3u);  // the first word of each pair
  EXPECT_EQ(lists.work[WorkKind::kRecords], 3u);
  EXPECT_EQ(lists.work[WorkKind::kNames], 5u + 5u + 8u);
  EXPECT_EQ(lists.work[WorkKind::kRemovalIds], 3u + 1u);
}

// Entries that are empty, new, or met before are all looked at; an entry met before is not
// read again; remembering begins at the first entry that goes back, which looks at the
// entries before it once more.
TEST(BodyLimitsTest, RepeatedAndEmptyEntriesAreLookedAtAndRepeatsReadOnce) {
  cw::ModelBody body;
  for (std::uint32_t id = 1; id <= 3; ++id) body.solids.push_back(cw::Solid{id, id, u"", {}, false});
  body.solids.insert(body.solids.begin() + 1, cw::Solid{0, 0, u"", {}, true});
  std::string bytes = cw::BuildContainer(cw::ModelFile(u"P", std::move(body)));
  // The solid table: count at B+20, then the entries s1, 0, s2, s3.
  const std::size_t words = kBody + 24;
  const Outcome ascending = ReadBody(bytes);
  EXPECT_EQ(ascending.work[WorkKind::kEntries], 4u);
  PatchU32(bytes, words + 12, WordAt(bytes, words));  // s1, 0, s2, s1
  const Outcome repeated = ReadBody(bytes);
  ASSERT_EQ(repeated.sink.solids.size(), 2u);
  EXPECT_EQ(repeated.sink.solids[1].info.id, 2u);
  EXPECT_EQ(repeated.work[WorkKind::kEntries], 4u + 3u);
  EXPECT_EQ(repeated.work[WorkKind::kRecords], 2u);
}

// A crafted file of each kind ends with one notice that names the bound it passed, having
// done no more of that kind than its bound and the one record that passed it.
TEST(BodyLimitsTest, CraftedFilesEndByTheBoundTheyPass) {
  struct Case {
    const char* what;
    std::string bytes;
    bool removals;
  };
  const Case cases[] = {
      {"records visited", cw::SharedPartTableFile(30, 2000), false},
      {"table entries looked at", cw::RepeatedEntriesFile(100, 2000), false},
      {"removal ids read", cw::OverrunningRemovalListsFile(2000, 4), true},
      {"units of text parsed", cw::OverlappingMaterialFile(1000, 64 << 10), false},
      {"units of part names handed on", cw::LongSharedNameFile(200, 20000), false},
      {"indices checked", cw::CyclingCheckedPartsFile(200, 512, 100), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome outcome = ReadBody(c.bytes, c.removals);
    ASSERT_EQ(outcome.sink.abandoned.size(), 1u);
    EXPECT_NE(outcome.sink.abandoned[0].find(std::string("needs more than ")), std::string::npos);
    EXPECT_NE(outcome.sink.abandoned[0].find(c.what), std::string::npos) << outcome.sink.abandoned[0];
    EXPECT_NE(outcome.sink.abandoned[0].find(std::to_string(outcome.size) + " bytes"),
              std::string::npos);
    // After the notice, at most the end of the solid it stopped in.
    const auto notice = std::find(outcome.sink.events.begin(), outcome.sink.events.end(), "abandoned");
    ASSERT_NE(notice, outcome.sink.events.end());
    const std::vector<std::string> after(notice + 1, outcome.sink.events.end());
    EXPECT_TRUE(after.empty() || after == std::vector<std::string>{"end"});
    if (!c.removals && !after.empty()) {
      EXPECT_FALSE(outcome.sink.solids.back().whole);
    }
  }
}

TEST(BodyLimitsTest, AnEntryNamedAgainIsNotReadAgain) {
  const Outcome materials = ReadBody(cw::RepeatedMaterialFile(1000, 64 << 10));
  EXPECT_EQ(materials.sink.materials.size(), 1u);
  EXPECT_EQ(materials.sink.materials[0].find(u"MaterialID_Name [Shared]"), 0u);
  EXPECT_TRUE(materials.sink.abandoned.empty());

  const Outcome removals = ReadBody(cw::RepeatedRemovalListFile(1000, 50000), true);
  ASSERT_EQ(removals.sink.removals.size(), 1u);
  EXPECT_EQ(removals.sink.removals[0].ids.size(), 50000u);
  EXPECT_TRUE(removals.sink.abandoned.empty());
}

TEST(BodyLimitsTest, ATableRemembersOnlyFromItsFirstStepBack) {
  const Words words({5, 9, 12, 9, 20, 5, 20});
  RecordingSink sink;
  BodyBudget budget(1000, 0, sink);
  WordTable table(*words.stream, 0, 7);
  TableVisits visits;
  std::vector<bool> first;
  for (std::uint32_t i = 0; i < table.size(); ++i) first.push_back(visits.First(table[i], table, i, budget));
  EXPECT_EQ(first, (std::vector<bool>{true, true, true, false, true, false, false}));
  // The three entries before the first step back were looked at again.
  EXPECT_EQ(budget.work()[WorkKind::kEntries], 3u);
  // The next table begins afresh.
  visits.Reset();
  EXPECT_TRUE(visits.First(20, table, 0, budget));
}

// A solid's part table of one entry goes without a table or visits of its own, and must go
// as a table of that one word would: the same entries read, the same work, the same end,
// whatever the word, the budget or the read.
TEST(BodyLimitsTest, ATableOfOneEntryGoesAsAWordTableOfThatWord) {
  struct Run {
    bool result;
    std::vector<std::uint32_t> read;
    BodyWork work;
    bool exhausted;
  };
  const std::uint64_t limit = WorkLimit(WorkKind::kEntries, 1000);
  for (const std::uint32_t word : {0u, 7u}) {
    const Words words({word});
    for (const bool zero_is_empty : {false, true}) {
      // Entries looked at before: none, up to the bound (this one passes it), past it.
      for (const std::uint64_t before : {std::uint64_t{0}, limit, limit + 1}) {
        for (const bool read_goes_on : {true, false}) {
          const auto go = [&](auto& table, auto& visits) {
            RecordingSink sink;
            BodyBudget budget(1000, 0, sink);
            budget.Charge(WorkKind::kEntries, before);
            Run run;
            run.result = ForEachEntry(table, visits, budget, zero_is_empty, [&](std::uint32_t offset) {
              run.read.push_back(offset);
              return read_goes_on;
            });
            run.work = budget.work();
            run.exhausted = budget.Exhausted();
            return run;
          };
          WordTable table(*words.stream, 0, 1);
          TableVisits visits;
          OneEntry one(word);
          const Run expected = go(table, visits), got = go(one, one);
          SCOPED_TRACE(::testing::Message() << word << " " << zero_is_empty << " " << before << " "
                                            << read_goes_on);
          EXPECT_EQ(got.result, expected.result);
          EXPECT_EQ(got.read, expected.read);
          EXPECT_EQ(got.work.done, expected.work.done);
          EXPECT_EQ(got.exhausted, expected.exhausted);
        }
      }
    }
  }
}

// A removal section's words go in pairs, an offset and a word not interpreted: only the
// offsets are remembered, even when a later offset stands as an earlier pair's other word.
TEST(BodyLimitsTest, ARemovalSectionRemembersOnlyTheOffsetsOfItsPairs) {
  const Words words({10, 30, 10, 99, 20, 10, 5, 7, 30, 1});
  RecordingSink sink;
  BodyBudget budget(1000, 0, sink);
  WordTable table(*words.stream, 0, 10);
  TableVisits visits(2);
  std::vector<bool> first;
  for (std::uint32_t i = 0; i < table.size(); i += 2) first.push_back(visits.First(table[i], table, i, budget));
  EXPECT_EQ(first, (std::vector<bool>{true, false, true, true, true}));
  // The one offset before the first step back was looked at again.
  EXPECT_EQ(budget.work()[WorkKind::kEntries], 1u);
}

// Work up to a bound is allowed; the notice names the kind that passed its bound, not an
// earlier one that stands right at its own.
TEST(BodyLimitsTest, TheNoticeNamesTheBoundPassedNotOneReached) {
  RecordingSink sink;
  BodyBudget budget(1000, 640, sink);
  budget.Charge(WorkKind::kEntries, WorkLimit(WorkKind::kEntries, 1000));
  budget.Charge(WorkKind::kRecords, WorkLimit(WorkKind::kRecords, 1000));
  EXPECT_TRUE(budget.Allows());
  budget.Charge(WorkKind::kRecords, 1);
  EXPECT_FALSE(budget.Allows());
  EXPECT_FALSE(budget.Allows());
  ASSERT_EQ(sink.abandoned.size(), 1u);
  EXPECT_EQ(sink.abandoned[0],
            "the body at 640 needs more than 8192 records visited (1 per 12 bytes of the file's "
            "1000 bytes); reading stopped after 8193");
}

// Past the most offsets a table remembers, one remembered before is still not read again;
// only new ones are, each time they come.
TEST(BodyLimitsTest, PastItsMostATableStillKnowsTheOffsetsItRemembered) {
  std::vector<std::uint32_t> offsets = {1, 0};
  for (std::uint32_t word = 2; offsets.size() < TableVisits::kMaxRemembered; ++word) offsets.push_back(word);
  const std::uint32_t fresh = 1u << 30;
  offsets.insert(offsets.end(), {5, fresh, fresh});
  const Words words(offsets);
  RecordingSink sink;
  BodyBudget budget(words.bytes.size(), 0, sink);
  WordTable table(*words.stream, 0, static_cast<std::uint32_t>(offsets.size()));
  TableVisits visits;
  std::vector<bool> first;
  for (std::uint32_t i = 0; i < table.size(); ++i) first.push_back(visits.First(table[i], table, i, budget));
  EXPECT_EQ(std::count(first.begin(), first.end(), false), 1);
  EXPECT_EQ(std::vector<bool>(first.end() - 3, first.end()), (std::vector<bool>{false, true, true}));
}

}  // namespace
}  // namespace tarnwick
