#include "renderer/early_index_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "container_writer/container_writer.h"
#include "exchange/exchange_folder.h"
#include "formats/container_reader.h"
#include "formats/container_stream.h"
#include "platform/text.h"
#include "renderer/geometry_stream.h"
#include "renderer/renderer_export.h"
#include "standin/standin.h"
#include "testlib/journal_match.h"
#include "testlib/json.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;

// A model of three solids: a part whose list refers to vertex `far_index` of its four, good
// parts around it, and a part without a list.
std::string Model(std::uint32_t far_index, bool aligned = true) {
  const std::vector<float> square = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  cw::ModelBody body;
  body.solids = {
      {1, 0, u"", {{u"good", square, {}, {}, {0, 1, 2, 2, 3, 0}, {}, false}}, false},
      {2, 0, u"", {{u"far", square, {}, {}, {0, 1, far_index}, {}, false},
                   {u"plain", square, {}, {}, {}, {}, false}}, false},
      {3, 0, u"", {{u"last", square, {}, {}, {3, 2, 1}, {}, false}}, false}};
  cw::Container file = cw::ModelFile(u"C:\\p.cvp", body);
  file.align_arrays = aligned;
  return cw::BuildContainer(file);
}

struct Document : ContainerState, RendererState {};

// Records every part as the checker would, in reading order, with no checks.
struct ListedParts : ModelSink {
  void OnPart(const std::u16string& /*name*/, const PartGeometry& part) override {
    CheckedPart listed;
    listed.position = part.position;
    listed.counts = *part.stored_counts;
    listed.counts_whole = true;
    listed.index_count = part.index_count;
    if (const std::optional<std::uint32_t> limit = IndexLimitOf(part)) listed.limit = *limit;
    parts.push_back(listed);
  }
  std::vector<CheckedPart> parts;
};

class EarlyIndexCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::Configure({});
    document_.Session.handle = 1;
    path_ = MakeExchangeFilePath(u"_model.cvm");
    document_.ContainerPath = path_;
  }
  // The parts the renderer receives for the file as it is now.
  std::vector<std::string> SentParts(CheckedParts* checked) {
    standin::ResetJournal();
    settings_.exchange_folder = GetExchangeFolder();
    StreamSlotToRenderer(document_, 0, document_, settings_, checked);
    std::vector<std::string> parts;
    for (const testing::Json& call : testing::JournalCalls()) {
      if (call["fn"].string == "D5API_AddIndexedTriangle") parts.push_back(call["part"].string);
    }
    return parts;
  }
  FileStamp StampNow() const { return *ContainerStream::Open(path_, "rb")->Stamp(); }

  testing::TempExchangeFolder folder_;
  Document document_;
  ExportSettings settings_;
  std::u16string path_;
};

TEST_F(EarlyIndexCheckTest, TheExportWithChecksMadeAheadSendsWhatItSendsAlone) {
  const std::vector<std::string> expected = {"good", "plain", "last"};
  for (const bool aligned : {true, false}) {
    folder_.Write("_model.cvm", Model(4, aligned));
    ASSERT_EQ(SentParts(nullptr), expected);
    EarlyIndexCheck early(path_);
    early.Wait();
    EXPECT_EQ(SentParts(&early.results()), expected) << "aligned " << aligned;
    // Every result was ready: the export never had to stop the checker.
    EXPECT_TRUE(early.results().Wanted());
  }
}

TEST_F(EarlyIndexCheckTest, AResultMadeAheadStandsInForTheExportsOwnCheck) {
  folder_.Write("_model.cvm", Model(2));
  ListedParts listed;
  ContainerState state;
  state.ContainerPath = path_;
  ASSERT_TRUE(StreamModelSlot(state, 0, listed));
  ASSERT_EQ(listed.parts.size(), 4u);
  CheckedParts checked;
  checked.Begin(StampNow());
  // Said to refer past their vertices, the good lists stay back; the part without one goes.
  for (CheckedPart part : listed.parts) {
    if (part.limit != 0) part.below = false;
    ASSERT_TRUE(checked.Add(part));
  }
  EXPECT_EQ(SentParts(&checked), std::vector<std::string>{"plain"});
}

TEST_F(EarlyIndexCheckTest, ChecksOfTheFileBeforeTheHostRewroteItAreNotTaken) {
  folder_.Write("_model.cvm", Model(3));
  EarlyIndexCheck early(path_);
  early.Wait();
  // The host writes a model of the same size whose list now refers past its vertices.
  const std::filesystem::path native = folder_.PathOf("_model.cvm");
  const auto written = std::filesystem::last_write_time(native);
  folder_.Write("_model.cvm", Model(9));
  std::filesystem::last_write_time(native, written + std::chrono::seconds(2));
  EXPECT_EQ(SentParts(&early.results()), (std::vector<std::string>{"good", "plain", "last"}));
}

// Counts the index lists that the file lends in place, as the checker sees them.
struct LentLists : ModelSink {
  bool WantsCopies() const override { return false; }
  void OnPart(const std::u16string& /*name*/, const PartGeometry& part) override {
    if (!IndexLimitOf(part)) return;
    ++lists;
    if (part.indices != nullptr) ++lent;
  }
  int lists = 0;
  int lent = 0;
};

TEST_F(EarlyIndexCheckTest, AModelThatLendsFewListsIsLeftToTheExportAfterItsFirst64) {
  const std::vector<float> square = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  for (const bool aligned : {true, false}) {
    cw::ModelBody body;
    for (std::uint32_t id = 1; id <= 100; ++id) {
      // Names of one unit, with the arrays where the host places them, leave lists off 4 bytes.
      body.solids.push_back({id, 0, u"", {{u"p", square, {}, {}, {0, 1, 2}, {}, false}}, false});
    }
    cw::Container file = cw::ModelFile(u"C:\\p.cvp", body);
    file.align_arrays = aligned;
    folder_.Write("_model.cvm", cw::BuildContainer(file));
    LentLists lent;
    ContainerState state;
    state.ContainerPath = path_;
    ASSERT_TRUE(StreamModelSlot(state, 0, lent));
    ASSERT_EQ(lent.lists, 100);
    ASSERT_EQ(lent.lent * 4 >= lent.lists * 3, aligned) << lent.lent << " lent";
    EarlyIndexCheck early(path_);
    early.Wait();
    EXPECT_EQ(SentParts(&early.results()).size(), 100u);
    // The export found results for all 100 lists, or only for the first 64 and then checked
    // the rest itself.
    EXPECT_EQ(early.results().Wanted(), aligned);
  }
}

// The export runs beside the checker, takes its records while they are ready and reads the
// rest itself once it has caught up: whatever the timing, the renderer receives what the
// export alone sends.
TEST_F(EarlyIndexCheckTest, AnExportBesideTheCheckerSendsWhatItSendsAlone) {
  const std::vector<float> square = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0};
  std::vector<std::uint32_t> long_list(3000);
  for (std::size_t i = 0; i < long_list.size(); ++i) long_list[i] = i % 4;
  cw::ModelBody body;
  for (std::uint32_t id = 1; id <= 400; ++id) {
    std::vector<std::uint32_t> far = long_list;
    far[id % far.size()] = 4;
    body.solids.push_back({id, 0, u"", {{u"good", square, {}, {}, long_list, {}, false},
                                        {id % 3 == 0 ? u"far" : u"fine", square, {}, {},
                                         id % 3 == 0 ? far : long_list, {}, false}}, false});
  }
  cw::Container file = cw::ModelFile(u"C:\\p.cvp", body);
  file.align_arrays = true;
  folder_.Write("_model.cvm", cw::BuildContainer(file));
  const std::vector<std::string> alone = SentParts(nullptr);
  ASSERT_EQ(alone.size(), 400u + 400u - 133u);
  for (int run = 0; run < 20; ++run) {
    EarlyIndexCheck early(path_);
    EXPECT_EQ(SentParts(&early.results()), alone) << "run " << run;
  }
}

// While the checks go on beside it, the export has no worker loading the bytes ahead: the
// checker has the second core. Without checks, or once they have ended, it has one.
TEST_F(EarlyIndexCheckTest, WhileTheChecksGoOnTheExportLoadsNothingAhead) {
  cw::ModelBody body;
  const std::vector<float> positions(3 * 65536, 0.5f);
  for (std::uint32_t id = 1; id <= 24; ++id) {
    body.solids.push_back({id, 0, u"", {{u"p", positions, {}, {}, {0, 1, 2}, {}, false}}, false});
  }
  cw::Container file = cw::ModelFile(u"C:\\p.cvp", body);
  file.align_arrays = true;
  folder_.Write("_model.cvm", cw::BuildContainer(file));
  ASSERT_GT(std::filesystem::file_size(folder_.PathOf("_model.cvm")), MappedFile::kWorkerFromBytes);
  // Reads slot 0 as the export does and says whether a worker loaded the bytes ahead.
  const auto reads_ahead = [&](CheckedParts* checked) {
    const std::unique_ptr<ContainerStream> stream = ContainerStream::Open(path_, "rb");
    ContainerState state;
    EXPECT_EQ(ReadContainerHeader(*stream, state), HeaderLoadResult::kLoaded);
    RendererExport sink(document_, settings_, checked);
    EXPECT_TRUE(ReadSlotBody(*stream, state, 0, sink));
    return stream->ReadsAhead();
  };
  EXPECT_TRUE(reads_ahead(nullptr));
  CheckedParts checked;
  checked.Begin(StampNow());
  EXPECT_FALSE(reads_ahead(&checked));
  checked.End();
  EXPECT_TRUE(reads_ahead(&checked));
}

TEST_F(EarlyIndexCheckTest, StoppedAtOnceTheChecksLeaveEveryListToTheExport) {
  folder_.Write("_model.cvm", Model(7));
  EarlyIndexCheck early(path_);
  early.Stop();
  EXPECT_EQ(SentParts(&early.results()), (std::vector<std::string>{"good", "plain", "last"}));
}

TEST_F(EarlyIndexCheckTest, TheCheckNeitherCreatesNorWritesTheFile) {
  { EarlyIndexCheck missing(path_); }
  EXPECT_FALSE(folder_.Exists("_model.cvm"));
  for (const std::string& bytes : {std::string(), std::string("short")}) {
    folder_.Write("_model.cvm", bytes);
    { EarlyIndexCheck early(path_); }
    EXPECT_EQ(folder_.Read("_model.cvm"), bytes);
  }
}

}  // namespace
}  // namespace tarnwick
