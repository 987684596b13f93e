// Models a host may write, in every layout the format allows: every solid and
// part reaches the sink whole, on the mapped and on the windowed stream, and
// the body's work stays far from its bound.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "container_writer/container_writer.h"
#include "container_writer/honest_files.h"
#include "formats/body_limits.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "host_sim/demo_model.h"
#include "platform/text.h"
#include "protocol/protocol.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;

constexpr std::uint32_t kBody = protocol::kContainerHeaderBytes;

// Counts what arrives, and whether the solids came whole and in table order.
class TallySink : public ModelSink {
 public:
  void OnSolidBegin(const SolidInfo& solid) override {
    in_order = in_order && solid.id == solids + 1;
    ++solids;
  }
  void OnPart(const FileText&, const PartGeometry& part) override {
    ++parts;
    lent_or_copied += part.positions != nullptr && part.indices != nullptr;
    // An array is null exactly when it is empty.
    misplaced_nulls += (part.positions == nullptr) != (part.position_count == 0) ||
                       (part.attributes1 == nullptr) != (part.attributes1_count == 0) ||
                       (part.attributes2 == nullptr) != (part.attributes2_count == 0) ||
                       (part.indices == nullptr) != (part.index_count == 0);
    array_bytes += 4 * (std::uint64_t{part.position_count} + part.attributes1_count +
                        part.attributes2_count + part.index_count);
  }
  void OnSolidEnd(bool whole) override { whole_solids += whole; }
  void OnBodyAbandoned(const std::string&) override { ++abandoned; }
  void OnCountRefused(std::uint64_t, std::uint32_t) override { ++notices; }
  void OnReadPastEnd(std::uint64_t) override { ++notices; }
  std::size_t notices = 0, misplaced_nulls = 0;
  std::uint64_t array_bytes = 0;
  std::size_t solids = 0, parts = 0, whole_solids = 0, lent_or_copied = 0, abandoned = 0;
  bool in_order = true;
};

class HonestModelsTest : public ::testing::Test {
 protected:
  // Reads the body of the file written from `container` through a mapped or windowed stream.
  void Read(const std::string& path, bool map_view, TallySink& sink, BodyWork& work) {
    auto stream = ContainerStream::Open(Utf16FromUtf8(path), "rb", map_view);
    ASSERT_NE(stream, nullptr);
    work = ReadModelBody(*stream, kBody, sink);
  }
  testing::TempDir dir_;
};

TEST_F(HonestModelsTest, EverySolidAndPartOfEveryShapeArrivesWhole) {
  std::vector<cw::HonestModel> corpus = cw::HonestCorpus();
  cw::HonestModel demo;
  demo.name = "the demo model";
  demo.container = host_sim::DemoModel();
  corpus.push_back(std::move(demo));
  for (const cw::HonestModel& model : corpus) {
    SCOPED_TRACE(model.name);
    const std::string path = dir_.path() + "/_model.cvm";
    ASSERT_TRUE(cw::WriteContainerFile(model.container, path));
    const std::uint64_t size = std::filesystem::file_size(path);
    for (const bool map_view : {true, false}) {
      SCOPED_TRACE(map_view ? "mapped" : "windowed");
      BodyWork work;
      TallySink sink;
      ASSERT_NO_FATAL_FAILURE(Read(path, map_view, sink, work));
      EXPECT_EQ(sink.abandoned, 0u);
      EXPECT_EQ(sink.notices, 0u);
      EXPECT_EQ(sink.whole_solids, sink.solids);
      EXPECT_EQ(sink.misplaced_nulls, 0u);
      EXPECT_EQ(work[WorkKind::kArrayBytes], sink.array_bytes) << "what is handed on is charged";
      // Far below every bound, whatever the order of records or the sharing of parts.
      for (std::size_t k = 0; k < kWorkKinds; ++k) {
        const auto kind = static_cast<WorkKind>(k);
        EXPECT_LE(work[kind], WorkLimit(kind, size) / 4) << kWorkBounds[k].what;
        if (map_view) {
          std::printf("%s: %s %.3f of the bound\n", model.name.c_str(), kWorkBounds[k].what,
                      static_cast<double>(work[kind]) / static_cast<double>(WorkLimit(kind, size)));
        }
      }
      if (model.solids == 0) continue;  // the demo: only that it is whole
      EXPECT_EQ(sink.solids, model.solids);
      EXPECT_EQ(sink.parts, model.parts);
      EXPECT_EQ(sink.lent_or_copied, model.parts) << "every part with its arrays";
      EXPECT_TRUE(sink.in_order);
      // Every solid and part visited once, with the one material.
      EXPECT_EQ(work[WorkKind::kRecords], model.solids + model.parts + 1 + (model.cameras ? 1 : 0));
    }
  }
}

// The point of sharing: a file of a few MB hands on gigabytes of arrays, in place, with
// the shared part's indices checked once.
TEST_F(HonestModelsTest, APartSharedByThousandsOfSolidsIsHandedOnToEach) {
  const cw::HonestModel model = cw::SolidsSharingOnePart(2000, 100000);
  const std::string path = dir_.path() + "/_model.cvm";
  ASSERT_TRUE(cw::WriteContainerFile(model.container, path));
  const std::uint64_t size = std::filesystem::file_size(path);
  BodyWork work;
  TallySink sink;
  ASSERT_NO_FATAL_FAILURE(Read(path, true, sink, work));
  EXPECT_EQ(sink.parts, 2000u);
  EXPECT_EQ(sink.abandoned, 0u);
  EXPECT_LT(size, 4u << 20);
  EXPECT_GT(work[WorkKind::kArrayBytes], std::uint64_t{4} << 30);
  EXPECT_EQ(work[WorkKind::kIndices], 600000u);
  // A short list costs less to check than to look up: it is checked each time it is named.
  ASSERT_TRUE(cw::WriteContainerFile(cw::SolidsSharingOnePart(3, 4).container, path));
  TallySink few;
  ASSERT_NO_FATAL_FAILURE(Read(path, true, few, work));
  EXPECT_EQ(work[WorkKind::kIndices], 3u * 24u);
}

}  // namespace
}  // namespace tarnwick
