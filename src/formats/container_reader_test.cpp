#include "formats/container_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "container_writer/container_writer.h"
#include "container_writer/golden_model.h"
#include "formats/body_bytes.h"
#include "formats/container_stream.h"
#include "platform/text.h"
#include "protocol/protocol.h"
#include "testlib/recording_sink.h"
#include "testlib/samples.h"
#include "testlib/crafted_models.h"
#include "testlib/temp_exchange.h"

// The reader alone: what it hands to a sink, with no renderer linked.
namespace tarnwick {
namespace {

namespace cw = container_writer;
using testing::RecordingSink;
using Events = std::vector<std::string>;

constexpr std::size_t kBody = protocol::kContainerHeaderBytes;

void PatchU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

class ContainerReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { state_.ContainerPath = Utf16FromUtf8(folder_.PathOf("_model.cvm")); }
  // Streams one slot of the bytes into a fresh sink; `streamed` is the reader's answer.
  RecordingSink Stream(const std::string& bytes, int slot = 0) {
    folder_.Write("_model.cvm", bytes);
    RecordingSink sink;
    streamed_ = StreamModelSlot(state_, slot, sink);
    return sink;
  }
  testing::TempExchangeFolder folder_;
  ContainerState state_;
  bool streamed_ = false;
};

TEST_F(ContainerReaderTest, TheHandMadeFileInFileOrder) {
  const RecordingSink sink = Stream(testing::GoldenModelFile());
  EXPECT_TRUE(streamed_);
  EXPECT_EQ(sink.events, (Events{"material", "light", "solid", "part", "end", "camera"}));
  EXPECT_EQ(sink.materials[0].find(u"MaterialID_Name [M]"), 0u);
  ASSERT_EQ(sink.solids.size(), 1u);
  EXPECT_EQ(sink.solids[0].info.id, 7u);
  EXPECT_EQ(sink.solids[0].info.time_stamp, 3u);
  const testing::RecordedPart& part = sink.solids[0].parts.at(0);
  EXPECT_EQ(part.name, u"A");
  EXPECT_EQ(part.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(part.indices, (std::vector<std::uint32_t>{0, 1, 2}));
  EXPECT_TRUE(part.attributes1.empty());
  EXPECT_FALSE(state_.ContainerFile);
}

TEST(SectionPlacementTest, SumsOfSizesInThirtyTwoBits) {
  const std::uint32_t b = kBody;
  EXPECT_EQ(LightSectionStart(b, 0), b + 20);
  EXPECT_EQ(SolidSectionStart(b, 0, 100), b + 100);
  EXPECT_EQ(SolidSectionStart(b, 60, 0), b + 60);
  EXPECT_EQ(SolidSectionStart(b, 0, 0), b + 20);
  EXPECT_EQ(LightSectionStart(b, 60), b + 60);
  EXPECT_EQ(SolidSectionStart(b, 0x80000000u, 0x80000000u), b + 20);  // the sum wraps to 0
  EXPECT_EQ(LightSectionStart(0xFFFFFFF0u, 0x20), 0x10u);
}

TEST_F(ContainerReaderTest, SectionsFoundWhicheverArePresentAndEmptyEntriesSkipped) {
  cw::Part part{u"p", {0, 0, 0}, {7}, {8, 9}, {}, {}, false};
  cw::Part gap;
  gap.empty_entry = true;
  cw::Solid none;
  none.empty_entry = true;
  for (int mask = 0; mask < 4; ++mask) {
    cw::ModelBody body;
    if (mask & 1) body.materials = {u"MaterialID_Name [M]"};
    if (mask & 2) body.lights = {u"LightSolidID [9]"};
    // The last solid names no part: the camera block follows its part table.
    body.solids = {none, cw::Solid{4, 0, u"label", {gap, part, gap}, false},
                   cw::Solid{5, 0, u"", {gap}, false}};
    body.cameras = u"Cameras_Start";
    const RecordingSink sink = Stream(cw::BuildContainer(cw::ModelFile(u"P", body)));
    Events expected;
    if (mask & 1) expected.push_back("material");
    if (mask & 2) expected.push_back("light");
    expected.insert(expected.end(), {"solid", "part", "end", "solid", "end", "camera"});
    EXPECT_EQ(sink.events, expected) << mask;
    EXPECT_EQ(sink.solids[0].parts.at(0).attributes2, std::vector<std::uint32_t>{7});
    EXPECT_EQ(sink.solids[0].parts[0].attributes1, (std::vector<std::uint32_t>{8, 9}));
    EXPECT_EQ(sink.cameras.at(0), u"Cameras_Start");
  }
}

// Before its first solid the sink hears how many solids may follow: the solid table's count
// (empty entries with it) where the bytes after the table can hold as many records, and only
// as many as they can hold where they cannot. The other tables are not told of.
TEST_F(ContainerReaderTest, TheSolidTableIsToldWhatTheBytesAfterItCanHold) {
  cw::ModelBody body;
  body.materials = {u"MaterialID_Name [M]"};
  body.lights = {u"LightSolidID [9]"};
  cw::Solid none;
  none.empty_entry = true;
  const cw::Part part{u"p", {0, 0, 0}, {7}, {8, 9}, {}, {}, false};
  body.solids = {cw::Solid{4, 0, u"a", {part}, false}, none, cw::Solid{5, 0, u"b", {part}, false}};
  std::string bytes = cw::BuildContainer(cw::ModelFile(u"P", body));
  EXPECT_EQ(Stream(bytes).solid_tables, std::vector<std::uint32_t>{3});
  const std::uint64_t table = SolidSectionStart(
      kBody, LoadU32(reinterpret_cast<const std::uint8_t*>(bytes.data() + kBody)),
      LoadU32(reinterpret_cast<const std::uint8_t*>(bytes.data() + kBody + 4)));
  // Counts whose words end `left` bytes before the end of the file (a few bytes added at the
  // end to put them there): a record takes at least 33 bytes.
  const std::uint64_t after_count = bytes.size() - table - 4;
  for (const auto& [left, said] : {std::pair{66u, 2u}, {65u, 1u}, {33u, 1u}, {32u, 0u}}) {
    std::string crafted = bytes + std::string((left + 4 - after_count % 4) % 4, '\0');
    const auto count = static_cast<std::uint32_t>((crafted.size() - table - 4 - left) / 4);
    ASSERT_EQ(table + 4 + 4 * std::uint64_t{count}, crafted.size() - left) << "words end there";
    PatchU32(crafted, table, count);
    EXPECT_EQ(Stream(crafted).solid_tables, std::vector<std::uint32_t>{said}) << left;
  }
}

TEST_F(ContainerReaderTest, MaterialTextLengthInBytesDropsAnOddByte) {
  cw::ModelBody body;
  body.materials = {u"MaterialID_Name [XY]", std::u16string(u"abc\0z", 5)};
  body.cameras = u"Cameras_Start";
  std::string bytes = cw::BuildContainer(cw::ModelFile(u"P", body));
  PatchU32(bytes, kBody + 32, 39);           // 19 units: "MaterialID_Name [XY"
  // 5 units, handed on up to the NUL; the camera block follows them.
  PatchU32(bytes, kBody + 32 + 12 + 40, 11);
  const RecordingSink sink = Stream(bytes);
  EXPECT_EQ(sink.materials, (std::vector<std::u16string>{u"MaterialID_Name [XY", u"abc"}));
  EXPECT_EQ(sink.cameras, std::vector<std::u16string>{u"Cameras_Start"});
}

// Texts longer than one copy of the reader arrive whole, each copy from where it stands.
TEST_F(ContainerReaderTest, TextsLongerThanOneCopyArriveWhole) {
  std::u16string text(BodyBytes::kTextChunkBytes / 2 + 3, u'a');
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char16_t>(u'a' + i % 23);
  cw::ModelBody body;
  body.lights = {text};
  body.cameras = text;
  const RecordingSink sink = Stream(cw::BuildContainer(cw::ModelFile(u"P", body)));
  EXPECT_EQ(sink.lights, std::vector<std::u16string>{text});
  EXPECT_EQ(sink.cameras, std::vector<std::u16string>{text});
}

// An index list that points at or past its part's C1 / 3 vertices is found out of range,
// short or long, whether its check is made each time or remembered for the record.
TEST_F(ContainerReaderTest, IndicesPastTheVerticesAreOutOfRange) {
  for (const std::uint32_t count : {3u, kRememberedCheckIndices}) {
    for (const std::uint32_t last : {2u, 3u}) {
      std::vector<std::uint32_t> indices(count, 0);
      indices.back() = last;
      cw::ModelBody body;
      const cw::Part part{u"p", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {}, {}, indices, {}, false};
      body.solids = {cw::Solid{1, 0, u"", {part}, false}};
      const RecordingSink sink = Stream(cw::BuildContainer(cw::ModelFile(u"P", body)));
      ASSERT_EQ(sink.solids.size(), 1u);
      EXPECT_EQ(sink.solids[0].parts.at(0).indices_in_range, last < 3) << count << " " << last;
    }
  }
}

TEST_F(ContainerReaderTest, RemovalSectionHandsOverNamedLists) {
  cw::RemovalSection removals{{{u"Solids", {1}}, {u"Material", {4, 5}}, {u"Solid", {8}}}};
  std::string bytes = cw::BuildContainer(cw::IncrementalFile(u"P", removals, cw::ModelBody{}));
  PatchU32(bytes, kBody, 3);  // three words: lists at words 0 and 2 only
  folder_.Write("_mod.sm", bytes);
  auto stream = ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_mod.sm")), "rb");
  ASSERT_TRUE(stream);
  RecordingSink sink;
  ReadRemovalSection(*stream, kBody, sink);
  ASSERT_EQ(sink.removals.size(), 2u);
  EXPECT_EQ(sink.removals[0].name, u"Solids");
  EXPECT_TRUE(sink.removals[0].ids.empty());  // lists of other names are not read
  EXPECT_EQ(sink.removals[1].ids, (std::vector<std::uint32_t>{4, 5}));

  PatchU32(bytes, kBody, 6);
  PatchU32(bytes, bytes.size() - 20 - 8, 0x10000000);  // the "Solid" list overruns the file
  folder_.Write("_mod.sm", bytes);
  stream = ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_mod.sm")), "rb");
  // A list that is not whole in the file is not handed on, and the reading stops there.
  testing::NoticesOver<RecordingSink> overrun;
  ReadRemovalSection(*stream, kBody, overrun);
  ASSERT_EQ(overrun.removals.size(), 2u);
  EXPECT_EQ(overrun.refused.size(), 1u);
}

// Every prefix of a model file, cut anywhere, is read without a fault; no array
// handed over reaches past the bytes the file holds.
TEST_F(ContainerReaderTest, EveryTruncatedPrefixReadsSafely) {
  const std::string full = testing::UnalignedMixedModel(u"Cameras_Start");
  for (std::size_t length : {std::size_t{1}, std::size_t{1044}, std::size_t{kBody - 1}}) {
    EXPECT_TRUE(Stream(full.substr(0, length)).events.empty());
  }
  for (std::size_t length = kBody; length < full.size(); ++length) {
    const RecordingSink sink = Stream(full.substr(0, length));
    ASSERT_LE(sink.solids.size(), 2u) << length;
    for (const testing::RecordedSolid& solid : sink.solids) {
      for (const testing::RecordedPart& part : solid.parts) {
        ASSERT_LE(part.positions.size(), 10u) << length;
      }
    }
  }
  const RecordingSink sink = Stream(full);
  EXPECT_EQ(sink.events,
            (Events{"material", "light", "solid", "part", "part", "end", "solid", "part", "part",
                    "end", "camera"}));
  // Arrays off 4-byte offsets arrive whole and in order, whatever way they are fetched.
  const testing::RecordedPart& indexed = sink.solids.at(1).parts.at(1);
  EXPECT_EQ(indexed.positions, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(indexed.attributes2, (std::vector<std::uint32_t>{1, 2, 3}));
  EXPECT_EQ(indexed.attributes1, (std::vector<std::uint32_t>{4, 5, 6}));
  EXPECT_EQ(indexed.indices, (std::vector<std::uint32_t>{0, 1, 2, 2, 1, 0}));
  EXPECT_EQ(sink.solids.at(0).parts.at(1).positions,
            (std::vector<float>{0, 0, 0, 1, 1, 1, 2, 2, 2, 3}));
}

// A part's name arrives whole wherever its arrays lie: also a name longer than the window of
// a windowed stream whose record's H2 points inside it (a crafted part).
TEST_F(ContainerReaderTest, ANameLongerThanTheWindowArrivesWholeAroundItsArrays) {
  constexpr std::size_t kUnits = ContainerStream::kWindowBytes / 2 + 4096;
  cw::ModelBody body;
  const cw::Part part{std::u16string(kUnits, u'\0'), {}, {}, {}, {}, {}, false};
  body.solids = {cw::Solid{1, 0, u"", {part}, false}};
  cw::Container model = cw::ModelFile(u"P", body);
  model.align_arrays = false;
  std::string bytes = cw::BuildContainer(model);
  // The file ends with the name, the second string's count and the eight counts; H2 is made
  // to point at the name, whose first 32 bytes are eight counts of 0.
  const std::size_t h2_at = bytes.size() - 32 - 4 - 2 * kUnits - 16;
  const auto* file = reinterpret_cast<const std::uint8_t*>(bytes.data());
  ASSERT_EQ(LoadU32(file + h2_at), 16 + 2 * kUnits + 4) << "the arrays after the strings";
  PatchU32(bytes, h2_at, 16);
  folder_.Write("_model.cvm", bytes);
  auto stream = ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_model.cvm")), "rb", false);
  RecordingSink sink;
  ReadModelBody(*stream, kBody, sink);
  ASSERT_EQ(sink.solids.size(), 1u);
  EXPECT_EQ(sink.solids[0].parts.at(0).name, std::u16string(kUnits, u'\0'));
}

// The sample of an independent writer: what its files hold, record by record.
TEST_F(ContainerReaderTest, HouseSampleRecords) {
  const std::optional<std::string> model = testing::ReadSampleFile("house/_model.cvm");
  if (!model) GTEST_SKIP() << "TARNWICK_SAMPLES is not set";
  const RecordingSink sink = Stream(*model);
  EXPECT_EQ(sink.materials.size(), 3u);
  EXPECT_EQ(sink.lights.size(), 3u);
  ASSERT_EQ(sink.solids.size(), 3u);
  EXPECT_EQ(sink.cameras.size(), 1u);
  EXPECT_EQ(SlotName(state_.Slots[0]), u"C:\\Projects\\House.pro");

  const RecordingSink update = Stream(*testing::ReadSampleFile("house/update_mod.sm"), 1);
  EXPECT_TRUE(streamed_);
  EXPECT_EQ(state_.Slots[0].Kind, kRemovalSectionKind);
  folder_.Write("_mod.sm", *testing::ReadSampleFile("house/update_mod.sm"));
  auto stream = ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_mod.sm")), "rb");
  RecordingSink removals;
  ReadRemovalSection(*stream, static_cast<std::uint32_t>(state_.Slots[0].Offset), removals);
  ASSERT_EQ(removals.removals.size(), 2u);
  EXPECT_EQ(removals.removals[0].name, u"Solid");
  EXPECT_EQ(removals.removals[0].ids, (std::vector<std::uint32_t>{10, 99}));
  EXPECT_EQ(removals.removals[1].ids, std::vector<std::uint32_t>{2});
}

// A model of a few MiB whose parts run over the ends of views, some longer than
// a view, read through small mapped views, the default views and the window:
// every part arrives with the arrays that were written, whichever placement.
TEST(ContainerReaderViewsTest, PartsArriveWholeThroughViewsAndWindow) {
  constexpr std::uint64_t kSmallViews = 4 * 65536;
  cw::ModelBody body;
  for (std::uint32_t s = 0; s < 12; ++s) {
    cw::Solid solid;
    solid.id = s + 1;
    for (std::uint32_t p = 0; p < 3; ++p) {
      cw::Part part;
      part.name = cw::Widen(std::string(1 + (s + p) % 3, 'p'));
      const std::uint32_t vertices = 1 + (s * 7919 + p * 104729) % (kSmallViews / 10);
      for (std::uint32_t v = 0; v < 3 * vertices; ++v) part.positions.push_back(float(v + s));
      part.attributes2.assign(vertices, s * 3 + p);
      for (std::uint32_t v = 0; v + 2 < vertices; ++v) part.indices.push_back(v + 2 - v % 3);
      solid.parts.push_back(std::move(part));
    }
    body.solids.push_back(std::move(solid));
  }
  testing::TempDir dir;
  for (bool aligned : {true, false}) {
    cw::Container model = cw::ModelFile(u"P", body);
    model.align_arrays = aligned;
    const std::string path = dir.path() + "/m.cvm";
    ASSERT_TRUE(cw::WriteContainerFile(model, path));
    for (auto [map_view, view_bytes] : {std::pair{true, kSmallViews},
                                        std::pair{true, MappedFile::kViewBytes},
                                        std::pair{false, std::uint64_t{0}}}) {
      auto stream = ContainerStream::Open(Utf16FromUtf8(path), "rb", map_view, view_bytes);
      ASSERT_TRUE(stream);
      ASSERT_GT(stream->Size(), 8 * kSmallViews);
      RecordingSink sink;
      ReadModelBody(*stream, kBody, sink);
      ASSERT_EQ(sink.solids.size(), body.solids.size());
      for (std::size_t s = 0; s < body.solids.size(); ++s) {
        ASSERT_EQ(sink.solids[s].parts.size(), 3u);
        for (std::size_t p = 0; p < 3; ++p) {
          const cw::Part& written = body.solids[s].parts[p];
          const testing::RecordedPart& got = sink.solids[s].parts[p];
          ASSERT_EQ(got.name, written.name);
          ASSERT_EQ(got.positions, written.positions) << aligned << map_view << view_bytes;
          ASSERT_EQ(got.attributes2, written.attributes2);
          ASSERT_EQ(got.indices, written.indices);
        }
      }
    }
  }
}

}  // namespace
}  // namespace tarnwick
