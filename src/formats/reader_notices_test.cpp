// What the reader tells its sink besides the records: counts it refuses and
// reads past the end of the file; and the header read that writes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "container_writer/container_writer.h"
#include "container_writer/crafted_files.h"
#include "formats/body_bytes.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "platform/text.h"
#include "protocol/protocol.h"
#include "testlib/recording_sink.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;

constexpr std::uint32_t kBody = protocol::kContainerHeaderBytes;

using testing::NoticeSink;
// Records the part's arrays and the notices together.
using PartAndNoticeSink = testing::NoticesOver<testing::RecordingSink>;

void PatchU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

class ReaderNoticesTest : public ::testing::Test {
 protected:
  template <typename Sink = NoticeSink>
  Sink Read(const std::string& bytes) {
    folder_.Write("_model.cvm", bytes);
    Sink sink;
    auto stream = ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_model.cvm")), "rb");
    ReadModelBody(*stream, kBody, sink);
    return sink;
  }
  testing::TempExchangeFolder folder_;
};

TEST_F(ReaderNoticesTest, ACleanBodyGivesNoNotice) {
  cw::ModelBody body;
  body.materials = {u"MaterialID_Name [M]"};
  body.solids.push_back(cw::Solid{1, 1, u"", {cw::Part{u"A", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {}, {}, {0, 1, 2}, {}, false}}, false});
  const NoticeSink sink = Read(cw::BuildContainer(cw::ModelFile(u"P", body)));
  EXPECT_TRUE(sink.refused.empty());
  EXPECT_TRUE(sink.past_end.empty());
}

TEST_F(ReaderNoticesTest, RefusedCountsAndReadsPastTheEnd) {
  cw::ModelBody body;
  body.materials = {u"MaterialID_Name [M]", u"MaterialID_Name [N]"};
  body.cameras = u"Cameras_Start";
  std::string bytes = cw::BuildContainer(cw::ModelFile(u"P", body));
  // The camera block's count, last in the file: 26 units where 26 bytes remain.
  std::string cameras = bytes;
  PatchU32(cameras, bytes.size() - 30, 26);
  const NoticeSink camera = Read(cameras);
  ASSERT_EQ(camera.refused.size(), 1u);
  EXPECT_EQ(camera.refused[0], (std::pair<std::uint64_t, std::uint32_t>{bytes.size() - 30, 26}));
  EXPECT_TRUE(camera.past_end.empty());
  // The material table: count at B+20, entry offsets at B+24 and B+28.
  const std::uint32_t second = LoadU32(reinterpret_cast<const std::uint8_t*>(bytes.data()) + kBody + 28);
  // The second record's text length runs past the end: refused where its text would begin.
  PatchU32(bytes, kBody + second, 0x7FFFFFFE);
  const NoticeSink refused = Read(bytes);
  ASSERT_EQ(refused.refused.size(), 1u);
  EXPECT_EQ(refused.refused[0].first, kBody + second + 12u);
  EXPECT_EQ(refused.refused[0].second, 0x3FFFFFFFu);
  EXPECT_TRUE(refused.past_end.empty());
  // The first record far past the end: the reading stops there, before the second.
  PatchU32(bytes, kBody + 24, 0x40000000);
  const NoticeSink past = Read(bytes);
  EXPECT_EQ(past.past_end, std::vector<std::uint64_t>{kBody + 0x40000000u});
  EXPECT_TRUE(past.refused.empty());
}

// Whether the counts after it lie past the end (the index count) or the count is the last
// one read (array 8's), the refused count is told where it stands; the body ends there, and
// the solid after the one it cut short is not begun.
TEST_F(ReaderNoticesTest, ARefusedArrayCountIsToldWithItsPosition) {
  cw::ModelBody body;
  const cw::Part part{u"A", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {}, {}, {0, 1, 2}, {}, false};
  body.solids = {cw::Solid{1, 1, u"", {part}, false}, cw::Solid{2, 1, u"", {part}, false}};
  body.order = cw::SolidOrder::kReversed;  // the first solid's part ends the file
  const std::string whole = cw::BuildContainer(cw::ModelFile(u"P", body));
  // The file ends with the index count, three indices and the counts of arrays 7 and 8.
  const std::size_t index_count_at = whole.size() - 8 - 12 - 4;
  const std::size_t last_count_at = whole.size() - 4;
  // The index count: 24 bytes where 20 remain. Array 8's: 4 where none do.
  using Patch = std::pair<std::size_t, std::uint32_t>;
  for (const auto& [at, count] : {Patch{index_count_at, 6}, Patch{last_count_at, 1}}) {
    std::string bytes = whole;
    PatchU32(bytes, at, count);
    const auto sink = Read<PartAndNoticeSink>(bytes);
    ASSERT_EQ(sink.refused.size(), 1u) << at;
    EXPECT_EQ(sink.refused[0], (std::pair<std::uint64_t, std::uint32_t>{at, count}));
    EXPECT_EQ(sink.events, (std::vector<std::string>{"solid", "end"}));
  }
}

// A part whose arrays end exactly where the file ends keeps all of them and is whole; the
// file cut right after the index list tells of array 7's count read past the end, and the
// part is not handed on, on the mapped and on the windowed stream alike, whether its arrays
// are lent in place or copied off 4-byte offsets.
TEST_F(ReaderNoticesTest, ArraysEndingAtTheEndOfTheFileAreKept) {
  cw::ModelBody body;
  body.solids.push_back(cw::Solid{1, 1, u"", {cw::Part{u"A", {0, 0, 0, 1, 0, 0, 0, 1, 0},
                                                       {4, 5, 6}, {7, 8}, {0, 1, 2}, {9}, false}},
                                  false});
  cw::Container model = cw::ModelFile(u"P", body);
  for (const int variant : {0, 1, 2, 3}) {
    const bool map_view = variant & 1, aligned = variant & 2;
    SCOPED_TRACE(map_view ? "mapped" : "windowed");
    SCOPED_TRACE(aligned ? "aligned" : "unaligned");
    model.align_arrays = aligned;
    const std::string whole = cw::BuildContainer(model);
    // After the index list: the counts and one word each of arrays 7 and 8.
    const std::size_t list_end = whole.size() - 16;
    ASSERT_EQ(LoadU32(reinterpret_cast<const std::uint8_t*>(whole.data()) + list_end - 4), 2u);
    for (const std::string& bytes : {whole, whole.substr(0, list_end)}) {
      folder_.Write("_model.cvm", bytes);
      PartAndNoticeSink sink;
      auto stream =
          ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_model.cvm")), "rb", map_view);
      ReadModelBody(*stream, kBody, sink);
      ASSERT_EQ(sink.solids.size(), 1u);
      EXPECT_TRUE(sink.refused.empty());
      if (bytes.size() != whole.size()) {
        EXPECT_EQ(sink.past_end, std::vector<std::uint64_t>{list_end});
        EXPECT_TRUE(sink.solids[0].parts.empty());
        EXPECT_FALSE(sink.solids[0].whole);
        continue;
      }
      EXPECT_TRUE(sink.past_end.empty());
      EXPECT_TRUE(sink.solids[0].whole);
      ASSERT_EQ(sink.solids[0].parts.size(), 1u);
      const testing::RecordedPart& part = sink.solids[0].parts[0];
      EXPECT_EQ(part.positions.size(), 9u);
      EXPECT_EQ(part.attributes2, (std::vector<std::uint32_t>{4, 5, 6}));
      EXPECT_EQ(part.attributes1, (std::vector<std::uint32_t>{7, 8}));
      EXPECT_EQ(part.indices, (std::vector<std::uint32_t>{0, 1, 2}));
    }
  }
}

// Bytes that lay in the file when it was opened but can no longer be read (the file was cut
// meanwhile) are a failed read, up to a read that ends exactly where the file ended; bytes
// past that end are a read past the end, told where the read began.
TEST_F(ReaderNoticesTest, AReadInsideTheFileAsOpenedFailsAndOneBeyondItRunsPastTheEnd) {
  const std::string bytes(64, 'x');
  struct Case {
    std::uint64_t at;
    std::size_t n;
    bool failed;
  };
  for (const Case c : {Case{40, 24, true}, Case{60, 4, true}, Case{61, 4, false}, Case{64, 1, false}}) {
    SCOPED_TRACE(c.at);
    folder_.Write("_model.cvm", bytes);
    auto stream = ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_model.cvm")), "rb", false);
    std::filesystem::resize_file(folder_.PathOf("_model.cvm"), 32);
    NoticeSink sink;
    BodyBytes body(*stream, sink);
    EXPECT_EQ(body.Fixed(c.at, c.n), nullptr);
    EXPECT_TRUE(body.stopped());
    EXPECT_EQ(sink.read_failures, c.failed ? 1 : 0);
    EXPECT_EQ(sink.past_end, c.failed ? std::vector<std::uint64_t>{} : std::vector<std::uint64_t>{c.at});
  }
}

// The part whose charge passes a bound is not handed on: the part names handed on stay
// within theirs.
TEST_F(ReaderNoticesTest, APartPastABoundIsNotHandedOn) {
  const std::string bytes = cw::LongSharedNameFile(200, 20000);
  const auto sink = Read<PartAndNoticeSink>(bytes);
  ASSERT_EQ(sink.abandoned.size(), 1u);
  std::uint64_t units = 0;
  for (const testing::RecordedSolid& solid : sink.solids) {
    for (const testing::RecordedPart& part : solid.parts) units += part.name.size();
  }
  EXPECT_GT(units, 0u);
  EXPECT_LE(units, WorkLimit(WorkKind::kNames, bytes.size()));
}

TEST_F(ReaderNoticesTest, ReadingAHeaderWritesNothing) {
  folder_.Write("_model.cvm", "");
  ContainerState state;
  auto stream = ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_model.cvm")), "rb");
  EXPECT_EQ(ReadContainerHeader(*stream, state), HeaderLoadResult::kFormatError);
  EXPECT_EQ(folder_.Read("_model.cvm"), "");
  folder_.Write("_model.cvm", cw::BuildContainer(cw::ModelFile(u"P", {})));
  stream = ContainerStream::Open(Utf16FromUtf8(folder_.PathOf("_model.cvm")), "rb");
  EXPECT_EQ(ReadContainerHeader(*stream, state), HeaderLoadResult::kLoaded);
  EXPECT_EQ(SlotName(state.Slots[0]), u"P");
}

}  // namespace
}  // namespace tarnwick
