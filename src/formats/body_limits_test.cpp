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
#include "testlib/samples.h"

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
  void OnSolidBegin(const SolidInfo&) override { ++solids; }
  void OnPart(const std::u16string&, const PartGeometry&) override { ++parts; }
  void OnCameraText(const std::u16string&) override { ++cameras; }
  void OnBodyAbandoned(const std::string&) override { ++abandoned; }
  int solids = 0, parts = 0, cameras = 0, abandoned = 0;
};

// What one body cost: the sink's record and the stream's work in bytes.
template <typename Sink = RecordingSink>
struct Outcome {
  Sink sink;
  std::uint64_t work = 0;
  double per_file_byte = 0;
};

template <typename Sink = RecordingSink>
Outcome<Sink> ReadBody(const std::string& bytes, bool removals = false) {
  const auto data = std::as_bytes(std::span(bytes.data(), bytes.size()));
  auto stream = ContainerStream::OverMemory(
      std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
  Outcome<Sink> outcome;
  if (removals) {
    ReadRemovalSection(*stream, kBody, outcome.sink);
  } else {
    ReadModelBody(*stream, kBody, outcome.sink);
  }
  outcome.work = stream->WorkBytes();
  outcome.per_file_byte = static_cast<double>(outcome.work) / static_cast<double>(bytes.size());
  return outcome;
}

std::size_t PartCount(const RecordingSink& sink) {
  std::size_t parts = 0;
  for (const auto& solid : sink.solids) parts += solid.parts.size();
  return parts;
}

TEST(BodyLimitsTest, EntriesPointingAtTheSameBytesAreReadOnce) {
  const auto materials = ReadBody(cw::RepeatedMaterialFile(1000, 2 * kMiB));
  EXPECT_EQ(materials.sink.materials.size(), 1u);
  EXPECT_EQ(materials.sink.materials[0].find(u"MaterialID_Name [Shared]"), 0u);
  EXPECT_TRUE(materials.sink.abandoned.empty());
  EXPECT_LT(materials.per_file_byte, 3);

  const auto removals = ReadBody(cw::RepeatedRemovalListFile(1000, 500000), true);
  ASSERT_EQ(removals.sink.removals.size(), 1u);
  EXPECT_EQ(removals.sink.removals[0].name, u"Solid");
  EXPECT_EQ(removals.sink.removals[0].ids.size(), 500000u);
  EXPECT_EQ(removals.sink.removals[0].ids.back(), 499999u);
  EXPECT_TRUE(removals.sink.abandoned.empty());
  EXPECT_LT(removals.per_file_byte, 3);
}

TEST(BodyLimitsTest, ASharedPartIsSentOncePerSolidUntilTheBudgetEndsTheBody) {
  const std::string file = cw::SharedPartFile(100, 1000, 100000);
  const auto outcome = ReadBody(file);
  ASSERT_FALSE(outcome.sink.solids.empty());
  for (const auto& solid : outcome.sink.solids) {
    EXPECT_EQ(solid.parts.size(), 1u);
    EXPECT_TRUE(solid.ended);  // a node cut short is still closed
  }
  EXPECT_EQ(outcome.sink.solids[0].parts[0].name, u"Shared");
  EXPECT_EQ(outcome.sink.solids[0].parts[0].indices.size(), 600000u);
  // Each copy of the part is most of the file: the budget allows a handful of them.
  EXPECT_LE(PartCount(outcome.sink), 6u);
  ASSERT_EQ(outcome.sink.abandoned.size(), 1u);
  // Nothing but the end of the solid cut short follows the notice.
  const auto& events = outcome.sink.events;
  const auto notice = std::find(events.begin(), events.end(), "abandoned");
  EXPECT_EQ(std::vector<std::string>(notice, events.end()),
            (std::vector<std::string>{"abandoned", "end"}));
  EXPECT_NE(outcome.sink.abandoned[0].find("8 times the file's " + std::to_string(file.size())),
            std::string::npos);
  EXPECT_LE(outcome.per_file_byte, 10);
}

TEST(BodyLimitsTest, OverlappingTextsEndTheBodyWithinTheBudget) {
  const auto outcome = ReadBody(cw::OverlappingMaterialFile(1000, 2 * kMiB));
  ASSERT_EQ(outcome.sink.abandoned.size(), 1u);
  // Each text is most of the file, so only a few are read before the body ends.
  EXPECT_GE(outcome.sink.materials.size(), 2u);
  EXPECT_LE(outcome.sink.materials.size(), 8u);
  EXPECT_LE(outcome.per_file_byte, 10);
}

TEST(BodyLimitsTest, EntriesAlternatingBetweenFarPlacesFetchAPageEach) {
  const std::string file = cw::AlternatingMaterialFile(1000, 2700000);
  ASSERT_GT(file.size(), 2 * ContainerStream::kWindowBytes / 2 + kBody);
  const auto outcome = ReadBody(file);
  ASSERT_EQ(outcome.sink.materials.size(), 2001u);
  EXPECT_EQ(outcome.sink.materials[0].find(u"MaterialID_Name [A]"), 0u);
  EXPECT_EQ(outcome.sink.materials[1].find(u"MaterialID_Name [B]"), 0u);
  EXPECT_TRUE(outcome.sink.abandoned.empty());
  // A refill of the whole window for each would be some 4 GiB.
  EXPECT_LT(outcome.work, 2 * file.size() + 2000 * 2 * ContainerStream::kJumpRefillBytes);
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
    EXPECT_GT(outcome.sink.parts, 0);
    EXPECT_EQ(outcome.sink.cameras, 1);
    std::printf("%s: %zu bytes, work %.2f x the file's size\n", name.c_str(), bytes.size(),
                outcome.per_file_byte);
    EXPECT_LT(outcome.per_file_byte, 3);
  }
}

}  // namespace
}  // namespace tarnwick
