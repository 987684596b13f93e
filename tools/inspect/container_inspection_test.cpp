#include "inspect/container_inspection.h"

#include <gtest/gtest.h>

#include "formats/body_limits.h"

#include <limits>

#include "container_writer/crafted_files.h"
#include "container_writer/honest_files.h"
#include "inspect/inspect_test_models.h"
#include "platform/text.h"

// One container at a time, broken one way at a time: each finding with its code and location.
namespace tarnwick::inspect {
namespace {

using namespace testing;

// Position of the first material table entry in a body: after the five section sizes and the count.
constexpr std::uint32_t kMaterialCountAt = kBodyStart + 20;
constexpr std::uint32_t kFirstMaterialOffsetAt = kBodyStart + 24;

class ContainerInspectionTest : public ::testing::Test {
 protected:
  ContainerSummary Inspect(const std::string& bytes, ContainerRole role = ContainerRole::kModel) {
    folder_.Write("_model.cvm", bytes);
    ContainerSummary summary;
    const RecordContext context{.file = "_model.cvm", .exchange_folder = Utf16FromUtf8(folder_.path()), .log = &log_};
    EXPECT_TRUE(InspectContainer(Utf16FromUtf8(folder_.PathOf("_model.cvm")), role, context, summary));
    return summary;
  }
  ContainerSummary Inspect(const cw::Container& container) { return Inspect(cw::BuildContainer(container)); }
  // The one finding of a code.
  Finding Only(std::string_view code) {
    const std::vector<Finding> found = WithCode(log_, code);
    EXPECT_EQ(found.size(), 1u) << code;
    return found.empty() ? Finding{} : found[0];
  }
  CraftedFolder folder_;
  FindingLog log_{1000};
};

TEST_F(ContainerInspectionTest, HeaderErrors) {
  Inspect(std::string(100, '\0'));
  EXPECT_EQ(Only("header_short").where.offset, 0u);

  cw::Container old = cw::ModelFile(kProject, CleanBody());
  old.format_version = 6;
  EXPECT_FALSE(Inspect(old).header_read);
  EXPECT_EQ(Only("version_unsupported").where.file, "_model.cvm");

  cw::Container wrong_end = cw::ModelFile(kProject, CleanBody());
  wrong_end.directory_end = kBodyStart - 1;
  EXPECT_FALSE(Inspect(wrong_end).header_read);
  EXPECT_EQ(Only("directory_end_wrong").where.offset, 4u);
  EXPECT_EQ(log_.Count(Severity::kError), 3u);
}

TEST_F(ContainerInspectionTest, SlotsTheBridgeCannotStream) {
  cw::Container none = cw::ModelFile(kProject, CleanBody());
  none.last_slot_index = -1;
  EXPECT_FALSE(Inspect(none).body);
  EXPECT_EQ(Only("model_body_missing").where.slot, 0);

  cw::Container far = cw::ModelFile(kProject, CleanBody());
  far.slots[0].offset = 900000;
  const ContainerSummary summary = Inspect(far);
  EXPECT_FALSE(summary.body);
  EXPECT_EQ(Only("slot_offset_past_end").where.offset, 900000u);
  EXPECT_EQ(summary.slots.at(0).body_size, 0u);
}

TEST_F(ContainerInspectionTest, OffsetsAndCountsPastTheEnd) {
  std::string bytes = cw::BuildContainer(cw::ModelFile(kProject, CleanBody()));
  PatchU32(bytes, kFirstMaterialOffsetAt, 0x7FFF0000);
  const ContainerSummary far = Inspect(bytes);
  EXPECT_GE(*Only("offset_past_end").where.offset, bytes.size());
  EXPECT_EQ(far.body->solids, 0u);  // the bridge reads nothing after it

  log_ = FindingLog(1000);
  bytes = cw::BuildContainer(cw::ModelFile(kProject, CleanBody()));
  PatchU32(bytes, kMaterialCountAt, 0x10000000);
  const ContainerSummary refused = Inspect(bytes);
  EXPECT_EQ(Only("count_past_end").where.offset, kMaterialCountAt);
  EXPECT_EQ(refused.body->materials, 0u);
  EXPECT_EQ(refused.body->lights.total, 0u);
}

TEST_F(ContainerInspectionTest, PartArrayCountsPastTheEnd) {
  cw::ModelBody body;
  body.solids.push_back(cw::Solid{9, 1, u"", {Quad(u"Cut", 0)}, false});
  std::string bytes = cw::BuildContainer(cw::ModelFile(kProject, body));
  // The file ends with the quad's index count (6), its six indices and the counts of arrays 7 and 8.
  const std::size_t index_count_at = bytes.size() - 8 - 6 * 4 - 4;
  ASSERT_EQ(bytes[index_count_at], 6);
  PatchU32(bytes, index_count_at, 1000);
  Inspect(bytes);
  const Finding found = Only("count_past_end");
  EXPECT_EQ(found.where.offset, index_count_at);
  EXPECT_EQ(found.where.solid_id, 9u);
  EXPECT_EQ(Only("solid_not_whole").where.solid_id, 9u);
}

// Where the bridge would end a body early: at the bound, in the solid it stops in, which
// is not whole either; a body within the bound has neither finding, whatever its layout.
TEST_F(ContainerInspectionTest, ABodyTheBridgeEndsEarlyAndTheSolidItStopsIn) {
  const std::string crafted = cw::SharedPartTableFile(30, 2000);
  const ContainerSummary summary = Inspect(crafted);
  const Finding cut = Only("body_cut_short");
  ASSERT_TRUE(cut.where.solid_id);
  EXPECT_EQ(*cut.where.solid_id, summary.body->solids);
  EXPECT_NE(cut.message.find("in solid " + std::to_string(summary.body->solids) +
                             ": the body at 208644 needs more than " +
                             std::to_string(WorkLimit(WorkKind::kRecords, crafted.size())) +
                             " records visited"),
            std::string::npos)
      << cut.message;
  EXPECT_EQ(Only("solid_not_whole").where.solid_id, cut.where.solid_id);
  EXPECT_EQ(cut.severity, Severity::kError);

  log_ = FindingLog(1000);
  const ContainerSummary reversed =
      Inspect(cw::SolidsInOrder(cw::SolidOrder::kReversed, 2000).container);
  EXPECT_EQ(reversed.body->solids, 2000u);
  EXPECT_EQ(reversed.body->parts, 4000u);
  EXPECT_EQ(log_.Count(Severity::kError), 0u);
}

// A file cut inside its second solid: that solid is not whole, the first is.
TEST_F(ContainerInspectionTest, TheSolidsATruncatedFileLeavesNotWhole) {
  cw::ModelBody body;
  body.solids = {cw::Solid{4, 1, u"", {Quad(u"A", 0)}, false},
                 cw::Solid{5, 1, u"", {Quad(u"B", 0), Quad(u"C", 0)}, false}};
  const std::string bytes = cw::BuildContainer(cw::ModelFile(kProject, body));
  Inspect(bytes.substr(0, bytes.size() - 30));
  const Finding cut = Only("solid_not_whole");
  EXPECT_EQ(cut.where.solid_id, 5u);
  EXPECT_NE(cut.message.find("time stamp 0"), std::string::npos) << cut.message;
  EXPECT_TRUE(WithCode(log_, "body_cut_short").empty());
}

TEST_F(ContainerInspectionTest, GeometryFindingsWithTheirSolidAndPart) {
  cw::ModelBody body;
  cw::Part out_of_range = Quad(u"Far", 0);
  out_of_range.indices = {0, 1, 7};
  cw::Part loose = Quad(u"Loose", 0);
  loose.positions.push_back(9);  // 13 values
  loose.indices = {0, 1, 2, 0};
  cw::Part thin = Quad(u"Thin", 0);
  thin.attributes2 = {1, 2};
  cw::Part bad = Quad(u"Bad", 0);
  bad.positions[4] = std::numeric_limits<float>::quiet_NaN();
  bad.positions[5] = std::numeric_limits<float>::infinity();
  cw::Part flat = Quad(u"Flat", 0);
  flat.indices = {0, 0, 1, 0, 1, 1, 0, 1, 2};
  flat.positions[3] = 0;  // vertex 1 onto vertex 0: (0 1 2) has no area either
  body.solids.push_back(cw::Solid{5, 1, u"", {out_of_range, loose}, false});
  body.solids.push_back(cw::Solid{6, 1, u"", {thin, bad, flat}, false});
  body.solids.push_back(cw::Solid{5, 2, u"", {}, false});
  const ContainerSummary summary = Inspect(cw::ModelFile(kProject, body));

  const Finding far = Only("part_indices_out_of_range");
  EXPECT_EQ(far.where.solid_id, 5u);
  EXPECT_EQ(far.where.part, "Far");
  EXPECT_EQ(far.count, 1u);
  EXPECT_EQ(summary.body->parts_not_sent, 1u);
  EXPECT_EQ(Only("position_count_not_triple").where.part, "Loose");
  EXPECT_EQ(Only("index_count_not_triple").where.part, "Loose");
  EXPECT_EQ(Only("attributes_short").where.part, "Thin");
  const Finding nan = Only("coordinates_not_finite");
  EXPECT_EQ(nan.where.part, "Bad");
  EXPECT_EQ(nan.count, 2u);
  EXPECT_EQ(summary.body->degenerate_triangles, 3u);
  EXPECT_EQ(Only("degenerate_triangles").count, 3u);
  const Finding repeated = Only("solid_id_repeated");
  EXPECT_EQ(repeated.where.solid_id, 5u);
  EXPECT_EQ(Only("solid_empty").where.solid_id, 5u);
  // Bounds leave out the vertex that is not finite.
  EXPECT_EQ(summary.body->bounds.max, (std::array<float, 3>{2, 3, 0}));
  // Triangles of the parts that are sent: Loose 1, Thin 2, Bad 2, Flat 3.
  EXPECT_EQ(summary.body->triangles, 8u);
}

TEST_F(ContainerInspectionTest, TheIncrementalFileReadsRemovalsAndSlotOne) {
  cw::RemovalSection removals{{{u"Solid", {4, 5}}, {u"Material", {}}, {u"Other", {}}}};
  const ContainerSummary summary =
      Inspect(cw::BuildContainer(cw::IncrementalFile(kProject, removals, CleanBody())), ContainerRole::kIncremental);
  ASSERT_TRUE(summary.removals);
  ASSERT_EQ(summary.removals->lists.size(), 3u);
  EXPECT_EQ(summary.removals->lists[0].ids, (std::vector<std::uint32_t>{4, 5}));
  EXPECT_EQ(summary.removals->lists[2].name, "Other");
  EXPECT_EQ(summary.removal_project, "C:\\Projects\\Clean.pro");
  ASSERT_TRUE(summary.body);
  EXPECT_EQ(summary.body->slot, 1);
  EXPECT_EQ(summary.body->solids, 2u);
  EXPECT_EQ(log_.total(), 0u);
}

TEST_F(ContainerInspectionTest, TheGeometryTapSeesEveryPart) {
  struct CountingTap : ModelSink {
    void OnSolidBegin(const SolidInfo&) override { ++solids; }
    void OnPart(const FileText&, const PartGeometry& part) override { floats += part.position_count; }
    int solids = 0;
    std::uint32_t floats = 0;
  } tap;
  folder_.Write("_model.cvm", cw::BuildContainer(cw::ModelFile(kProject, CleanBody())));
  ContainerSummary summary;
  const RecordContext context{.file = "_model.cvm", .log = &log_};
  InspectContainer(Utf16FromUtf8(folder_.PathOf("_model.cvm")), ContainerRole::kModel, context, summary,
                   ContainerOptions{.geometry_tap = &tap});
  EXPECT_EQ(tap.solids, 2);
  EXPECT_EQ(tap.floats, 33u);
}

}  // namespace
}  // namespace tarnwick::inspect
