#include "formats/body_limits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "container_writer/container_writer.h"
#include "container_writer/crafted_files.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "host_sim/demo_model.h"
#include "protocol/protocol.h"
#include "testlib/recording_sink.h"
#include "platform/text.h"
#include "testlib/samples.h"
#include "testlib/temp_exchange.h"

// The work of reading one body stays within a small multiple of the file's
// size whatever its tables point at; the files a host writes never meet the limit.
namespace tarnwick {
namespace {

namespace cw = container_writer;
using testing::RecordingSink;

constexpr std::uint32_t kBody = protocol::kContainerHeaderBytes;
constexpr std::size_t kMiB = std::size_t{1} << 20;

// Counts what a large body hands over without keeping it.
class CountingSink : public ModelSink {
 public:
  void OnMaterialText(const std::u16string&) override { ++materials; }
  void OnSolidBegin(const SolidInfo&) override { ++solids; }
  void OnPart(const std::u16string&, const PartGeometry&) override { ++parts; }
  void OnSolidEnd(bool whole) override { whole_solids += whole; }
  void OnCameraText(const std::u16string&) override { ++cameras; }
  void OnBodyAbandoned(const std::string& why) override {
    ++abandoned;
    reason = why;
  }
  int materials = 0, solids = 0, parts = 0, whole_solids = 0, cameras = 0, abandoned = 0;
  std::string reason;
};

// What one body cost: the sink's record and the body's work.
template <typename Sink = RecordingSink>
struct Outcome {
  Sink sink;
  BodyWork work;
  double per_file_byte = 0;
};

template <typename Sink = RecordingSink>
Outcome<Sink> ReadBody(const std::string& bytes, bool removals = false) {
  auto stream = ContainerStream::OverMemory(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  Outcome<Sink> outcome;
  if (removals) {
    ReadRemovalSection(*stream, kBody, outcome.sink);
  } else {
    outcome.work = ReadModelBody(*stream, kBody, outcome.sink);
  }
  outcome.per_file_byte =
      static_cast<double>(outcome.work.handed) / static_cast<double>(bytes.size());
  return outcome;
}

TEST(BodyLimitsTest, TheBoundIsEightTimesTheFileOrFourGiB) {
  EXPECT_EQ(BodyWorkLimit(1000), std::uint64_t{4} << 30);
  EXPECT_EQ(BodyWorkLimit(std::uint64_t{1} << 30), std::uint64_t{8} << 30);
  EXPECT_EQ(BodyTextLimit(1000), 8u * 65536);
  EXPECT_EQ(BodyTextLimit(std::uint64_t{1} << 20), 8u << 20);
}

TEST(BodyLimitsTest, EntriesPointingAtTheSameBytesAreReadOnce) {
  const auto materials = ReadBody(cw::RepeatedMaterialFile(1000, 2 * kMiB));
  EXPECT_EQ(materials.sink.materials.size(), 1u);
  EXPECT_EQ(materials.sink.materials[0].find(u"MaterialID_Name [Shared]"), 0u);
  EXPECT_TRUE(materials.sink.abandoned.empty());
  EXPECT_LT(materials.per_file_byte, 2);

  const auto removals = ReadBody(cw::RepeatedRemovalListFile(1000, 500000), true);
  ASSERT_EQ(removals.sink.removals.size(), 1u);
  EXPECT_EQ(removals.sink.removals[0].name, u"Solid");
  EXPECT_EQ(removals.sink.removals[0].ids.size(), 500000u);
  EXPECT_EQ(removals.sink.removals[0].ids.back(), 499999u);
  EXPECT_TRUE(removals.sink.abandoned.empty());
}

TEST(BodyLimitsTest, SharedPartsAreHandedOnUntilTheBoundEndsTheBody) {
  const std::string file = cw::TwoSharedPartsFile(1500, 1000000, 9);
  const auto outcome = ReadBody<CountingSink>(file);
  const std::uint64_t copy = 4 * 1000000;  // the large part's attribute array
  ASSERT_EQ(outcome.sink.abandoned, 1);
  // Some 1,070 solids, far more than 8 times the file's size allows, but no more than 4 GiB.
  EXPECT_GT(outcome.sink.solids, 1000);
  EXPECT_LT(outcome.sink.solids, 1500);
  EXPECT_LE(outcome.work.handed, (std::uint64_t{4} << 30) + copy + 4096);
  EXPECT_GT(outcome.work.handed, std::uint64_t{4} << 30);
  // The large part of the last solid passed the bound: its small part was not read.
  EXPECT_EQ(outcome.sink.parts, 2 * outcome.sink.solids - 1);
  EXPECT_EQ(outcome.sink.whole_solids, outcome.sink.solids - 1);
  EXPECT_NE(outcome.sink.reason.find("the body at 208644 needs more than 4294967296 bytes of "
                                     "work (8 times the file's " +
                                     std::to_string(file.size()) + " bytes, at least 4 GiB)"),
            std::string::npos)
      << outcome.sink.reason;
  EXPECT_EQ(outcome.sink.cameras, 0);
}

// The crafted file of parts named again and again by each solid: each solid reads the
// part once, and the bound ends the body with one notice, after which only the end of
// the solid cut short follows.
TEST(BodyLimitsTest, ASharedPartIsSentOncePerSolidUntilTheBudgetEndsTheBody) {
  const std::string file = cw::SharedPartFile(1500, 1000, 100000);
  const auto outcome = ReadBody<CountingSink>(file);
  EXPECT_EQ(outcome.sink.parts, outcome.sink.solids);
  EXPECT_GT(outcome.sink.solids, 1000);
  EXPECT_LT(outcome.sink.solids, 1500);
  EXPECT_EQ(outcome.sink.abandoned, 1);
  EXPECT_LE(outcome.work.handed, BodyWorkLimit(file.size()) + 36 * 100000 + 1000 * kEntryWorkBytes);

  // The events around the notice, on a file small enough to record.
  const std::string small = cw::SharedPartFile(3, 1000, 10);
  const auto recorded = ReadBody(small);
  ASSERT_EQ(recorded.sink.solids.size(), 3u);
  for (const auto& solid : recorded.sink.solids) {
    ASSERT_EQ(solid.parts.size(), 1u);
    EXPECT_EQ(solid.parts[0].name, u"Shared");
    EXPECT_EQ(solid.parts[0].indices.size(), 60u);
    EXPECT_TRUE(solid.whole);
  }
  EXPECT_TRUE(recorded.sink.abandoned.empty());
}

// Texts are parsed a character at a time: however small the arrays, a body parses no more
// than 8 times the file's size of text, and texts overlapping one another end it early.
TEST(BodyLimitsTest, OverlappingTextsEndTheBodyWithinTheBudget) {
  const std::string file = cw::OverlappingMaterialFile(1000, 2 * kMiB);
  const auto outcome = ReadBody<CountingSink>(file);
  ASSERT_EQ(outcome.sink.abandoned, 1);
  EXPECT_NE(outcome.sink.reason.find("bytes of text (8 times the file's"), std::string::npos)
      << outcome.sink.reason;
  // Each text is most of the file, so only a few are read before the body ends.
  EXPECT_GE(outcome.sink.materials, 2);
  EXPECT_LE(outcome.sink.materials, 10);
  EXPECT_LE(outcome.work.text, BodyTextLimit(file.size()) + file.size());
}

// A windowed stream fetches a page for each far read, not a window.
TEST(BodyLimitsTest, EntriesAlternatingBetweenFarPlacesFetchAPageEach) {
  const std::string file = cw::AlternatingMaterialFile(1000, 2700000);
  ASSERT_GT(file.size(), 2 * ContainerStream::kWindowBytes / 2 + kBody);
  testing::TempDir dir;
  const std::string path = dir.path() + "/m.cvm";
  testing::WriteNativeFile(path, file);
  auto stream = ContainerStream::Open(Utf16FromUtf8(path), "rb", false);
  ASSERT_TRUE(stream);
  RecordingSink sink;
  ReadModelBody(*stream, kBody, sink);
  ASSERT_EQ(sink.materials.size(), 2001u);
  EXPECT_EQ(sink.materials[0].find(u"MaterialID_Name [A]"), 0u);
  EXPECT_EQ(sink.materials[1].find(u"MaterialID_Name [B]"), 0u);
  EXPECT_TRUE(sink.abandoned.empty());
  // A refill of the whole window for each would be some 4 GiB.
  EXPECT_LT(stream->FetchedBytes(), 2 * file.size() + 2000 * 2 * ContainerStream::kJumpRefillBytes);
}

TEST(BodyLimitsTest, ATableRemembersWhereItsEntriesEndedUpToItsLimit) {
  const std::string bytes(64, '\0');
  auto stream = ContainerStream::OverMemory(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  TableVisits visits;
  for (std::uint32_t offset = 0; offset < TableVisits::kMaxRemembered + 2; ++offset) {
    ASSERT_TRUE(visits.First(offset, *stream));
    stream->Seek(offset + 7);  // where this entry's reading ends
    visits.Finish(*stream);
  }
  stream->Seek(1);
  EXPECT_FALSE(visits.First(5, *stream));
  EXPECT_EQ(stream->Position(), 12u);
  // Past the limit, entries are read again (the budget bounds them).
  EXPECT_TRUE(visits.First(TableVisits::kMaxRemembered + 1, *stream));
}

TEST(BodyLimitsTest, ModelsAHostWritesStayFarBelowTheBudget) {
  std::vector<std::pair<std::string, std::string>> models = {
      {"demo", cw::BuildContainer(host_sim::DemoModel())}};
  if (const auto house = testing::ReadSampleFile("house/_model.cvm")) {
    models.emplace_back("house", *house);
  }
  // A larger model: 200 solids of 3 parts of 3 000 vertices, some 100 MB.
  cw::ModelBody large;
  large.materials = {u"MaterialID_Name [Oak]\n"};
  large.generated_solids = 200;
  large.generate_solid = [](std::size_t i, cw::Solid& solid) {
    solid.id = static_cast<std::uint32_t>(i + 1);
    solid.parts.resize(3);
    for (cw::Part& part : solid.parts) {
      part.name = u"P";
      part.positions.assign(9000, 1.0f);
      part.attributes1.assign(9000, 0);
      part.attributes2.assign(6000, 0);
      part.indices.assign(18000, 0);
    }
  };
  large.cameras = u"";
  models.emplace_back("large", cw::BuildContainer(cw::ModelFile(u"C:\\Large.pro", large)));
  for (const auto& [name, bytes] : models) {
    SCOPED_TRACE(name);
    const auto outcome = ReadBody<CountingSink>(bytes);
    EXPECT_EQ(outcome.sink.abandoned, 0);
    EXPECT_EQ(outcome.sink.whole_solids, outcome.sink.solids);
    EXPECT_GT(outcome.sink.parts, 0);
    EXPECT_EQ(outcome.sink.cameras, 1);
    std::printf("%s: %zu bytes, work %.2f x the file's size\n", name.c_str(), bytes.size(),
                outcome.per_file_byte);
    EXPECT_LT(outcome.per_file_byte, 3);
  }
}

}  // namespace
}  // namespace tarnwick
