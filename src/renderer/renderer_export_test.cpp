#include "renderer/renderer_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "container_writer/container_writer.h"
#include "container_writer/crafted_files.h"
#include "container_writer/golden_model.h"
#include "exchange/exchange_folder.h"
#include "formats/body_limits.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "platform/text.h"
#include "standin/journal_line.h"
#include "standin/standin.h"
#include "testlib/journal_match.h"
#include "testlib/json.h"
#include "testlib/crafted_models.h"
#include "testlib/recording_sink.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;
using testing::Json;

void PatchU32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

std::u16string ActiveCameraText() {
  return u"Cameras_Start\nCameras_nActCamera [0]\nCameras_Camera_ObjectSTART\nCamera_Start\n"
         u"Camera_Name [Main]\nCamera_End\nCameras_Camera_ObjectEND\nCameras_End";
}

// The container reader's state and the renderer's, as the exchange document holds them.
struct Document : ContainerState, RendererState {};

// The reader and the renderer export together: what the renderer receives for a file.
class RendererExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Configure({});
    document_.Session.handle = 1;
    document_.ContainerPath = MakeExchangeFilePath(u"_model.cvm");
  }
  std::vector<Json> Stream(const std::string& bytes, int slot = 0) {
    folder_.Write("_model.cvm", bytes);
    standin::ResetJournal();
    settings_.exchange_folder = GetExchangeFolder();
    StreamSlotToRenderer(document_, slot, document_, settings_);
    return testing::JournalCalls();
  }
  // Reads the removal section of slot 0 into the mirror's removal lists.
  void ReadRemovals() {
    RendererExport lists(document_, settings_);
    ReadRemovalSection(*document_.ContainerFile, static_cast<std::uint32_t>(document_.Slots[0].Offset),
                       lists);
  }
  static std::vector<std::string> Names(const std::vector<Json>& calls) {
    std::vector<std::string> names;
    for (const Json& call : calls) {
      if (call["fn"].string == "D5API_BeginNode") names.push_back(call["name"].string);
      if (call["fn"].string == "D5API_AddIndexedTriangle") names.push_back(call["part"].string);
    }
    return names;
  }
  testing::TempExchangeFolder folder_;
  Document document_;
  ExportSettings settings_;
};

TEST_F(RendererExportTest, StreamsTheHandMadeFile) {
  const std::vector<Json> calls = Stream(testing::GoldenModelFile());
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front()["fn"].string, "D5API_AddMaterial");
  EXPECT_EQ(calls.front()["name"].string, "M");
  EXPECT_EQ(calls.back()["fn"].string, "D5API_EndExport");  // the camera block was found
  std::vector<Json> nodes;
  for (const Json& call : calls) {
    if (call["fn"].string.find("Node") != std::string::npos ||
        call["fn"].string == "D5API_AddIndexedTriangle") {
      nodes.push_back(call);
    }
  }
  ASSERT_EQ(nodes.size(), 3u);
  EXPECT_EQ(nodes[0]["name"].string, "Solid_7");
  const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const std::uint32_t indices[3] = {0, 1, 2};
  EXPECT_EQ(nodes[1]["part"].string, "A");
  EXPECT_EQ(nodes[1]["first_count"].number, 3);
  EXPECT_EQ(nodes[1]["index_count"].number, 3);
  EXPECT_EQ(nodes[1]["positions"].string, standin::Fnv1a64Hex(positions, sizeof positions));
  EXPECT_EQ(nodes[1]["indices"].string, standin::Fnv1a64Hex(indices, sizeof indices));
  EXPECT_FALSE(nodes[1]["attr1"].boolean);
  EXPECT_EQ(nodes[2]["fn"].string, "D5API_EndNode");
  ASSERT_EQ(document_.Materials.count(u"M"), 1u);
  EXPECT_EQ(document_.Lights.count(5), 1u);
  ASSERT_NE(document_.Solids.Find(7), nullptr);
  EXPECT_EQ(document_.Solids.Find(7)->time_stamp, 3u);
  EXPECT_EQ(document_.SourceProject, u"C:\\P.pro");
  EXPECT_FALSE(document_.ContainerFile);
}

TEST_F(RendererExportTest, SectionsFoundWhicheverArePresent) {
  cw::Solid solid{4, 0, u"", {cw::Part{u"p", {0, 0, 0}, {}, {}, {}, {}, false}}, false};
  const std::u16string material = u"MaterialID_Name [M]";
  const std::u16string light = u"LightSolidID [9]";
  for (int mask = 0; mask < 4; ++mask) {
    cw::ModelBody body;
    if (mask & 1) body.materials = {material};
    if (mask & 2) body.lights = {light};
    body.solids = {solid};
    body.cameras = ActiveCameraText();
    const std::vector<Json> calls = Stream(cw::BuildContainer(cw::ModelFile(u"P", body)));
    EXPECT_EQ(Names(calls), (std::vector<std::string>{"Solid_4", "p"})) << mask;
    EXPECT_EQ(calls.back()["fn"].string, "D5API_EndExport") << mask;
    EXPECT_EQ(document_.Materials.count(u"M"), (mask & 1) ? 1u : 0u);
    EXPECT_EQ(document_.Lights.count(9), (mask & 2) ? 1u : 0u);
    document_.Materials.clear();
    document_.Lights.clear();
  }
}

TEST_F(RendererExportTest, EmptyTableEntriesAreSkipped) {
  cw::Part part{u"p", {0, 0, 0}, {}, {}, {}, {}, false};
  cw::Part gap;
  gap.empty_entry = true;
  cw::Solid none;
  none.empty_entry = true;
  cw::ModelBody body;
  body.solids = {none, cw::Solid{1, 0, u"", {gap, part, gap}, false}, none,
                 cw::Solid{2, 0, u"", {part}, false}};
  EXPECT_EQ(Names(Stream(cw::BuildContainer(cw::ModelFile(u"P", body)))),
            (std::vector<std::string>{"Solid_1", "p", "Solid_2", "p"}));
  EXPECT_EQ(document_.Solids.size(), 2u);
}

TEST_F(RendererExportTest, MaterialTextLengthInBytesDropsAnOddByte) {
  cw::ModelBody body;
  body.materials = {u"MaterialID_Name [XY]", u"abc"};
  body.cameras = ActiveCameraText();
  std::string bytes = cw::BuildContainer(cw::ModelFile(u"P", body));
  const std::size_t b = 208644;
  PatchU32(bytes, b + 32, 39);            // 19 units: "MaterialID_Name [XY"
  PatchU32(bytes, b + 32 + 12 + 40, 7);   // 3 units; the camera block follows them
  const std::vector<Json> calls = Stream(bytes);
  EXPECT_EQ(document_.Materials.count(u"XY"), 1u);
  EXPECT_EQ(document_.Materials.count(u""), 1u);
  EXPECT_EQ(testing::CallKeys(calls).back(), "D5API_EndExport");
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const Json& c) { return c["fn"].string == "D5API_SendSimpleCamera"; }),
            1);
}

TEST_F(RendererExportTest, SameMaterialNameKeepsTheLaterRecord) {
  cw::ModelBody body;
  body.materials = {u"MaterialID_Name [M]\nIOR 1.5", u"MaterialID_Name [M]\nIOR 2"};
  Stream(cw::BuildContainer(cw::ModelFile(u"P", body)));
  ASSERT_EQ(document_.Materials.size(), 1u);
  EXPECT_EQ(document_.Materials.begin()->second.IOR, 2.0f);
}

TEST_F(RendererExportTest, RemovalSectionReadsNamedLists) {
  cw::RemovalSection removals{{{u"Solids", {1}}, {u"Material", {4, 5}}, {u"Solid", {8}}}};
  std::string bytes = cw::BuildContainer(cw::IncrementalFile(u"P", removals, cw::ModelBody{}));
  PatchU32(bytes, 208644, 3);  // three words: lists at words 0 and 2 only
  folder_.Write("_model.cvm", bytes);
  ASSERT_EQ(LoadContainerHeader(document_), HeaderLoadResult::kLoaded);
  document_.RemovedSolidIds = {77};
  ReadRemovals();
  EXPECT_EQ(document_.RemovedSolidIds, std::vector<std::uint32_t>{77});
  EXPECT_EQ(document_.RemovedMaterialIds, (std::vector<std::uint32_t>{4, 5}));

  // A "Solid" list that overruns the file is not taken: the lists before it are.
  PatchU32(bytes, 208644, 6);
  PatchU32(bytes, bytes.size() - 20 - 8, 0x10000000);
  folder_.Write("_model.cvm", bytes);
  ASSERT_EQ(LoadContainerHeader(document_), HeaderLoadResult::kLoaded);
  document_.RemovedMaterialIds.clear();
  ReadRemovals();
  EXPECT_EQ(document_.RemovedSolidIds, std::vector<std::uint32_t>{77});
  EXPECT_EQ(document_.RemovedMaterialIds, (std::vector<std::uint32_t>{4, 5}));
}

// Every prefix of a model file, cut anywhere in its body, streams without a fault; a
// solid the prefix does not hold whole is in the mirror with time stamp 0, so that the
// sync record asks the host for it again, and one it holds keeps its stamp.
TEST_F(RendererExportTest, TruncatedFilesStreamSafely) {
  const std::string full = testing::UnalignedMixedModel(ActiveCameraText());
  // Solid 1 ends where solid 2 begins, solid 2 where the camera block begins.
  testing::RecordingSink recorded;
  ReadModelBody(*ContainerStream::OverMemory(std::span(
                    reinterpret_cast<const std::uint8_t*>(full.data()), full.size())),
                protocol::kContainerHeaderBytes, recorded);
  ASSERT_EQ(recorded.solids.size(), 2u);
  const std::size_t ends[2] = {recorded.solids[1].info.position,
                               full.size() - 4 - 2 * ActiveCameraText().size()};
  const std::uint32_t stamps[2] = {5, 6};
  for (std::size_t length : {std::size_t{1}, std::size_t{1044}, std::size_t{208643}}) {
    Stream(full.substr(0, length));
    EXPECT_EQ(document_.Solids.size(), 0u);
  }
  for (std::size_t length = 208644; length <= full.size(); ++length) {
    document_.Solids.Clear();
    const std::vector<Json> calls = Stream(full.substr(0, length));
    ASSERT_LE(document_.Solids.size(), 2u) << length;
    for (std::uint32_t id = 1; id <= 2; ++id) {
      const SyncSolidLine* solid = document_.Solids.Find(id);
      if (solid == nullptr) continue;
      ASSERT_EQ(solid->time_stamp, length >= ends[id - 1] ? stamps[id - 1] : 0u)
          << "solid " << id << " cut at " << length;
    }
    // The material's text ends 78 bytes into the body: cut inside it, it is not sent at all.
    ASSERT_EQ(document_.Materials.count(u"M"), length >= 208644 + 78 ? 1u : 0u) << length;
    document_.Materials.clear();
    for (const Json& call : calls) {
      if (call["fn"].string == "D5API_AddIndexedTriangle") {
        ASSERT_LE(call["first_count"].number, 3) << length;
      }
    }
  }
  EXPECT_EQ(document_.Solids.size(), 2u);
}

// A mapped file cut short while it is read, inside its last page: the bytes past its new
// end read as zeros without any fault, so only its size tells. Nothing the body sent is
// listed as held afterwards: each solid and material has stamp 0, and the log says why.
TEST_F(RendererExportTest, AFileCutShortWhileItIsReadLeavesNothingListedAsHeld) {
  class CuttingExport : public RendererExport {
   public:
    CuttingExport(RendererState& renderer, const ExportSettings& settings, std::string path)
        : RendererExport(renderer, settings), path_(std::move(path)) {}
    void OnMaterialText(const std::u16string& text) override {
      const auto size = std::filesystem::file_size(path_);
      std::filesystem::resize_file(path_, size - 8);
      RendererExport::OnMaterialText(text);
    }

   private:
    std::string path_;
  };
  folder_.Write("_model.cvm", testing::UnalignedMixedModel(ActiveCameraText()));
  {
    CuttingExport sink(document_, settings_, folder_.PathOf("_model.cvm"));
    ASSERT_TRUE(StreamModelSlot(document_, 0, sink));
  }
  ASSERT_EQ(document_.Solids.size(), 2u);
  for (const SyncSolidLine& solid : document_.Solids.InOrder()) EXPECT_EQ(solid.time_stamp, 0u);
  ASSERT_EQ(document_.Materials.count(u"M"), 1u);
  EXPECT_EQ(document_.Materials[u"M"].nTimeID, 0);
  const std::string log = folder_.Read("D5_Log.log");
  const std::size_t error = log.find("Model Read Error: ");
  EXPECT_NE(error, std::string::npos) << log;
  EXPECT_EQ(log.find("Model Read Error: ", error + 1), std::string::npos) << log;
}

// A crafted body that would cost more than its budget: the log gets one "Model Format
// Error: " line, the solid cut short is listed with stamp 0, the ones before it keep
// theirs, and the export goes on.
TEST_F(RendererExportTest, ABodyOverItsBudgetIsCutWithOneLogLine) {
  standin::Configure({.record = false});
  const std::string crafted = cw::SharedPartTableFile(30, 2000);
  Stream(crafted);
  standin::Configure({});
  const std::size_t solids = document_.Solids.size();
  EXPECT_GT(solids, 5u);
  EXPECT_LT(solids, 30u);
  for (const SyncSolidLine& solid : document_.Solids.InOrder()) {
    ASSERT_EQ(solid.time_stamp, solid.id == solids ? 0u : 9u) << solid.id;
  }
  const std::string log = folder_.Read("D5_Log.log");
  const std::size_t first = log.find(
      "]: Model Format Error: the body at 208644 needs more than " +
      std::to_string(WorkLimit(WorkKind::kRecords, crafted.size())) + " records visited");
  EXPECT_NE(first, std::string::npos) << log;
  EXPECT_EQ(log.find("Model Format Error", first + 10), std::string::npos);
  // A file the host writes leaves no such line.
  document_.Solids.Clear();
  Stream(testing::GoldenModelFile());
  EXPECT_EQ(folder_.Read("D5_Log.log"), log);
}

// The sample files of an independent writer give the calls a correct bridge makes.
class SampleTest : public RendererExportTest {
 protected:
  void SetUp() override {
    RendererExportTest::SetUp();
    journal_ = testing::ReadSampleFile("house/expected_journal.jsonl");
    if (!journal_) GTEST_SKIP() << "TARNWICK_SAMPLES is not set";
    // Texture paths name the exchange folder of the sample's machine.
    setenv("APPDATA", "C:\\Users\\u\\AppData\\Roaming", 1);
    ResetExchangeFolderCache();
    document_.ContainerPath = Utf16FromUtf8(folder_.PathOf("_model.cvm"));
  }
  // The expected calls of one step from its first AddMaterial up to the call before `last`.
  std::vector<Json> ExpectedBody(int step, const std::string& last) const {
    std::string_view text = *journal_;
    const std::size_t split = text.find("\n\n");
    text = step == 0 ? text.substr(0, split) : text.substr(split + 2);
    std::vector<Json> calls = testing::ParseJsonLines(text);
    auto first = std::find_if(calls.begin(), calls.end(),
                              [](const Json& c) { return c["fn"].string == "D5API_AddMaterial"; });
    auto end = std::find_if(first, calls.end(), [&](const Json& c) { return c["fn"].string == last; });
    return std::vector<Json>(first, end);
  }
  static void ExpectSameCalls(const std::vector<Json>& actual, const std::vector<Json>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      std::string why;
      EXPECT_TRUE(testing::CallMatches(actual[i], expected[i], 2, &why)) << i << ": " << why;
    }
  }
  std::optional<std::string> journal_;
};

TEST_F(SampleTest, ModelFileGivesTheExpectedCalls) {
  const std::vector<Json> calls = Stream(*testing::ReadSampleFile("house/_model.cvm"));
  ExpectSameCalls(calls, ExpectedBody(0, "D5API_FlushData"));
  EXPECT_EQ(document_.SourceProject, u"C:\\Projects\\House.pro");
  std::vector<std::uint32_t> ids;
  for (const SyncSolidLine& solid : document_.Solids.InOrder()) ids.push_back(solid.id);
  EXPECT_EQ(ids, (std::vector<std::uint32_t>{3, 10, 4294967295u}));
}

TEST_F(SampleTest, IncrementalFileHoldsRemovalsAndABody) {
  const std::string bytes = *testing::ReadSampleFile("house/update_mod.sm");
  folder_.Write("_model.cvm", bytes);
  ASSERT_EQ(LoadContainerHeader(document_), HeaderLoadResult::kLoaded);
  ASSERT_EQ(document_.Slots[0].Kind, kRemovalSectionKind);
  EXPECT_EQ(document_.Slots[1].Kind, kModelBodyKind);
  ReadRemovals();
  EXPECT_EQ(document_.RemovedSolidIds, (std::vector<std::uint32_t>{10, 99}));
  EXPECT_EQ(document_.RemovedMaterialIds, std::vector<std::uint32_t>{2});
  ExpectSameCalls(Stream(bytes, 1), ExpectedBody(1, "D5API_FlushData"));
}

}  // namespace
}  // namespace tarnwick
