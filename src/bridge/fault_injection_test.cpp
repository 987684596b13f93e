// Every file call of a whole bridge session is made to fail in turn: the
// start-up export, a model sync, a camera and a views request, and a log
// rotation. Whatever call fails, the bridge does not crash, writes nothing of
// the host's, keeps every log line already written, and never leaves a sync
// record that is not whole.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "bridge/requests.h"
#include "container_writer/container_writer.h"
#include "exchange/log_file.h"
#include "exchange/sync_record.h"
#include "platform/message_box.h"
#include "standin/standin.h"
#include "testlib/file_faults.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

namespace cw = container_writer;
using testing::FileFaults;
using testing::TempExchangeFolder;
using testing::WithCrLf;

constexpr char kOldRecord[] = "SourceProject: [before]\r\n";
constexpr char kTemporaryRecord[] = "_mod.sync.tmp";
// A run with no call left to fail ends the test long before this.
constexpr std::uint64_t kMostCalls = 5000;

cw::Solid Triangle(std::uint32_t id, std::uint32_t stamp) {
  cw::Solid solid;
  solid.id = id;
  solid.time_stamp = stamp;
  cw::Part part;
  part.name = u"P" + cw::Widen(std::to_string(id));
  part.positions = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  part.indices = {0, 1, 2};
  solid.parts = {part, part};
  return solid;
}

// A log just over the rotation limit, in whole lines.
std::string OlderLog() {
  std::string log;
  for (int i = 0; log.size() <= 100000; ++i) log += "[2026. 01. 01 - 00:00:00]: older " + std::to_string(i) + "\r\n";
  return log;
}

// The host's files of one exchange folder, by name.
std::map<std::string, std::string> HostFiles(bool with_model) {
  cw::ModelBody body;
  body.materials = {u"MaterialID_Name [Oak]\nnTimeID [4]\n_nMatDescIndex [1]"};
  body.lights = {u"LightSolidID [5]"};
  body.solids = {Triangle(7, 3), Triangle(8, 3)};
  body.cameras = u"Cameras_Start\nCameras_nActCamera [0]\nCameras_Camera_ObjectSTART\nCamera_Start\n"
                 u"Camera_Name [Front]\nCamera_End\nCameras_Camera_ObjectEND\nCameras_End";
  cw::ModelBody update;
  update.solids = {Triangle(9, 4)};
  std::map<std::string, std::string> files = {
      {"_mod.sm", cw::BuildContainer(cw::IncrementalFile(u"C:\\P\\House.pro", {{{u"Solid", {8}}}}, update))},
      {"camera.cam", "Camera_Start\r\nCamera_Name [Now]\r\nCamera__from [1 2 3]\r\nCamera_End\r\n"},
      {"Views.cam", "Cameras_Start\r\nCameras_nActCamera [1]\r\nCameras_Camera_ObjectSTART\r\n"
                    "Camera_Start\r\nCamera_Name [Side]\r\nCamera_End\r\nCameras_Camera_ObjectEND\r\n"
                    "Cameras_Camera_ObjectSTART\r\nCamera_Start\r\nCamera_Name [Top]\r\nCamera_End\r\n"
                    "Cameras_Camera_ObjectEND\r\nCameras_End\r\n"}};
  if (with_model) files["_model.cvm"] = cw::BuildContainer(cw::ModelFile(u"C:\\P\\House.pro", body));
  return files;
}

// What one session left behind.
struct Outcome {
  bool failed_a_call = false;
  std::uint64_t calls = 0;
  std::map<std::string, std::string> host_files;
  std::string record;
  std::string whole_record;  // the record of what the renderer was given
  std::optional<std::string> record_when_notified;
  bool temporary_left = false;
  std::string log;
  std::optional<std::string> backup;
};

// One bridge session in a fresh folder, with the fail_at-th file call failing (0: none).
Outcome RunSession(bool with_model, std::uint64_t fail_at) {
  TempExchangeFolder folder;
  for (const auto& [name, bytes] : HostFiles(with_model)) folder.Write(name, bytes);
  folder.Write("D5_Log.log", OlderLog());
  folder.Write("_mod.sync", kOldRecord);
  standin::Configure({});
  Outcome outcome;
  {
    FileFaults faults;
    faults.FailNth(fail_at);
    ExchangeDocument document;
    WriteLogW(u"ModelSync");
    if (RunStartupExport(document)) {
      outcome.whole_record = WithCrLf(FormatSyncRecord(MakeSyncRecordContent(document)));
      ServeModelSyncPrepare(document, [&] { outcome.record_when_notified = folder.Read("_mod.sync"); });
      ServeModelSyncApply(document);
      ServeCameraSync(document);
      ServeViewsSync(document);
    }
    outcome.failed_a_call = faults.failed();
    outcome.calls = faults.calls();
  }
  TakeRecordedMessageBoxes();
  for (const auto& [name, bytes] : HostFiles(true)) {
    if (folder.Exists(name)) outcome.host_files[name] = folder.Read(name);
  }
  outcome.record = folder.Read("_mod.sync");
  outcome.temporary_left = folder.Exists(kTemporaryRecord);
  outcome.log = folder.Read("D5_Log.log");
  if (folder.Exists("D5_Log.logOld")) outcome.backup = folder.Read("D5_Log.logOld");
  return outcome;
}

// Every line of the log whole: a time stamp in brackets and the line end.
void ExpectWholeLines(const std::string& log, std::uint64_t at) {
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(line.starts_with("[") && line.ends_with("\r") && line.find("]: ") != std::string::npos)
        << "call " << at << ": " << line;
  }
}

// The older log survives whole: at the head of the log, or of the backup (with
// the entries of the session that came before the rotation).
void ExpectOlderLogKept(const Outcome& outcome, std::uint64_t at) {
  const std::string older = OlderLog();
  if (outcome.backup) {
    EXPECT_TRUE(outcome.backup->starts_with(older))
        << "call " << at << ": a backup of " << outcome.backup->size() << " bytes, log of "
        << outcome.log.size();
    ExpectWholeLines(*outcome.backup, at);
  } else {
    EXPECT_TRUE(outcome.log.starts_with(older)) << "call " << at;
  }
}

// A failed read may leave part of the model unsent (it reads as the end of the
// file); the record then lists what was sent, and nothing else.
void ExpectRecordWholeOrOld(const Outcome& outcome, std::uint64_t at) {
  const std::string& whole = outcome.whole_record;
  EXPECT_TRUE(outcome.record == whole || outcome.record == kOldRecord) << "call " << at << ": " << outcome.record;
  if (outcome.record_when_notified) {
    EXPECT_EQ(*outcome.record_when_notified, whole) << "call " << at;
  }
  EXPECT_FALSE(outcome.temporary_left) << "call " << at;
}

TEST(FaultInjectionTest, EveryFailedCallOfASessionLosesNothing) {
  const Outcome clean = RunSession(true, 0);
  ASSERT_FALSE(clean.failed_a_call);
  ASSERT_TRUE(clean.record_when_notified);
  ASSERT_EQ(clean.record, clean.whole_record);
  ASSERT_NE(clean.record.find("ID3D: [7]"), std::string::npos);
  ASSERT_EQ(clean.backup, OlderLog());
  ASSERT_GT(clean.calls, 20u);
  const auto host = HostFiles(true);
  std::uint64_t at = 1;
  for (; at < kMostCalls; ++at) {
    const Outcome outcome = RunSession(true, at);
    if (!outcome.failed_a_call) break;
    EXPECT_EQ(outcome.host_files, host) << "call " << at;
    ExpectOlderLogKept(outcome, at);
    ExpectWholeLines(outcome.log, at);
    ExpectRecordWholeOrOld(outcome, at);
  }
  EXPECT_EQ(at, clean.calls + 1);
}

// Without a model the bridge writes a blank header in its place; a failed call
// leaves that header missing or cut short, never anything else.
TEST(FaultInjectionTest, AMissingModelGetsAtMostTheBlankHeader) {
  const Outcome clean = RunSession(false, 0);
  ASSERT_EQ(clean.host_files.at("_model.cvm").size(), 208644u);
  const std::string blank = clean.host_files.at("_model.cvm");
  auto host = HostFiles(false);
  std::uint64_t at = 1;
  for (; at < kMostCalls; ++at) {
    Outcome outcome = RunSession(false, at);
    if (!outcome.failed_a_call) break;
    const auto model = outcome.host_files.find("_model.cvm");
    if (model != outcome.host_files.end()) {
      EXPECT_TRUE(blank.starts_with(model->second)) << "call " << at;
      outcome.host_files.erase(model);
    }
    EXPECT_EQ(outcome.host_files, host) << "call " << at;
    ExpectOlderLogKept(outcome, at);
    ExpectRecordWholeOrOld(outcome, at);
  }
  EXPECT_EQ(at, clean.calls + 1);
}

}  // namespace
}  // namespace tarnwick
