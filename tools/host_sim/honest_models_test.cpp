// Models a host may write, run for real under Wine: Tarnwick.exe sends every
// solid and part of each to the stand-in renderer and logs no format error, and
// its sync record lists every solid with the stamp the host gave it; a model cut
// short lists the solid it cuts with stamp 0, so that the host sends it again.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "container_writer/honest_files.h"
#include "host_sim/e2e_support.h"

namespace tarnwick::host_sim {
namespace {

namespace cw = container_writer;

// The start-up export, a model sync (the sync record only) and the end.
constexpr char kStartAndSync[] = "start cameraSync\npost ModelSync\nclose-host\nwait-end 5000\n";

// How many lines of the sync record read "ID3D: [id] TimeStamp: [stamp]", by stamp.
std::map<std::string, int> SolidLinesByStamp(const std::string& record) {
  std::map<std::string, int> by_stamp;
  std::size_t at = 0;
  while ((at = record.find("ID3D: [", at)) != std::string::npos) {
    const std::size_t stamp = record.find("TimeStamp: [", at) + std::strlen("TimeStamp: [");
    ++by_stamp[record.substr(stamp, record.find(']', stamp) - stamp)];
    at = stamp;
  }
  return by_stamp;
}

// Runs the model through the bridge; the host's view of the outcome.
struct Outcome {
  int nodes = 0;
  int parts = 0;
  std::vector<std::string> log;
  std::map<std::string, int> solids_by_stamp;
};

Outcome RunModel(const std::string& bytes) {
  Outcome outcome;
  HostSimulator host(Quietly());
  EXPECT_TRUE(host.files().Write(L"_model.cvm", bytes));
  EXPECT_TRUE(Ran(host, kStartAndSync));
  EXPECT_EQ(host.resident_exit_code(), 0u);
  const std::vector<std::string>& journal = host.Journal();
  outcome.nodes = CountCalls(journal, "D5API_BeginNode");
  EXPECT_EQ(CountCalls(journal, "D5API_EndNode"), outcome.nodes);
  outcome.parts = CountCalls(journal, "D5API_AddIndexedTriangle");
  outcome.log = LogMessages(host.Log());
  outcome.solids_by_stamp = SolidLinesByStamp(host.files().Read(L"_mod.sync").value_or(""));
  return outcome;
}

// The stand-in journals each call in a file of its own opening, some 50 us under Wine:
// the 200,000 solids of the native tests would take the simulator past its wait for the
// start-up export. 50,000 solids of the host's kind were enough to be cut by a budget
// that counted bytes fetched.
constexpr std::size_t kSmallSolids = 50000;

class HonestModels : public ::testing::TestWithParam<int> {};

// Solids that share one part of 100,000 vertices: each is handed the part's arrays (the
// stand-in hashes them all, so a few hundred solids, not the corpus's 2,000).
constexpr std::size_t kSharingSolids = 400;

cw::HonestModel Shape(int shape) {
  switch (shape) {
    case 0: return cw::ManySmallSolids(kSmallSolids);
    case 1: return cw::SolidsInOrder(cw::SolidOrder::kReversed, 2000);
    case 2: return cw::SolidsInOrder(cw::SolidOrder::kSolidsThenParts, 2000);
    default: return cw::SolidsSharingOnePart(kSharingSolids, 100000);
  }
}

TEST_P(HonestModels, EverySolidAndPartReachesTheRenderer) {
  const cw::HonestModel model = Shape(GetParam());
  SCOPED_TRACE(model.name);
  const Outcome outcome = RunModel(cw::BuildContainer(model.container));
  EXPECT_EQ(outcome.nodes, static_cast<int>(model.solids));
  EXPECT_EQ(outcome.parts, static_cast<int>(model.parts));
  for (const std::string& line : outcome.log) {
    EXPECT_EQ(line.find("Model Format Error"), std::string::npos) << line;
  }
  const int solids = static_cast<int>(model.solids);
  EXPECT_EQ(outcome.solids_by_stamp, (std::map<std::string, int>{{"7", solids}}));
}

std::string ShapeName(const ::testing::TestParamInfo<int>& info) {
  static constexpr const char* kNames[] = {"ManySmallSolidsInOrder", "SolidTableReversed",
                                           "SolidsBeforeParts", "SolidsSharingALargePart"};
  return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Shapes, HonestModels, ::testing::Values(0, 1, 2, 3), ShapeName);

// A model the host is still writing: the solid whose parts the file does not yet hold
// whole is listed with stamp 0, the ones before it keep theirs.
TEST(HonestModelsCutShort, TheSolidCutShortIsListedWithStampZero) {
  const cw::HonestModel model = cw::SolidsInOrder(cw::SolidOrder::kInOrder, 10);
  const std::string bytes = cw::BuildContainer(model.container);
  // The camera block (an empty text, 4 bytes) and the last part's last 10 bytes are missing.
  const Outcome outcome = RunModel(bytes.substr(0, bytes.size() - 14));
  EXPECT_EQ(outcome.nodes, 10);
  EXPECT_EQ(outcome.solids_by_stamp, (std::map<std::string, int>{{"7", 9}, {"0", 1}}));
}

}  // namespace
}  // namespace tarnwick::host_sim
