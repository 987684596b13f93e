#include "exchange/sync_record.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "exchange/exchange_folder.h"
#include "platform/environment.h"
#include "platform/file_call_hook.h"
#include "protocol/protocol.h"
#include "testlib/file_faults.h"
#include "testlib/samples.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

// The house sample's record: what the renderer holds after its start-up export.
TEST(SyncRecordTest, TheBytesAreTheHouseSamplesToTheByte) {
  testing::TempExchangeFolder folder;
  const std::u16string glass = u"Glass", lamp = u"Lamp", oak = u"Oak";
  SyncRecordContent content;
  content.project = u"C:\\Projects\\House.pro";
  const std::vector<SyncSolidLine> solids = {{3, 100}, {10, 101}, {0xFFFFFFFFu, 102}};
  content.solids = solids;
  content.materials = {{&glass, 3, 0}, {&lamp, 4, 0}, {&oak, 7, 2}};
  const std::optional<std::string> sample = testing::ReadSampleFile("house/expected_mod.sync");
  ASSERT_TRUE(sample);
  EXPECT_EQ(SyncRecordBytes(content), *sample);
  ASSERT_TRUE(WriteSyncRecord(content));
  EXPECT_EQ(folder.Read("_mod.sync"), *sample);
  EXPECT_EQ(testing::WithCrLf(FormatSyncRecord(content)), *sample);

  // A fresh file each time: an empty document leaves the project line alone.
  ASSERT_TRUE(WriteSyncRecord(SyncRecordContent{}));
  EXPECT_EQ(folder.Read("_mod.sync"), "SourceProject: []\r\n");
}

TEST(SyncRecordTest, SignedNumbersAndNarrowTextUnescaped) {
  SyncRecordContent content;
  content.project = u"P\u00e9\u20ac";
  const std::vector<SyncSolidLine> solids = {{1, 5}, {0xFFFFFFFFu, 0x80000000u}};
  content.solids = solids;
  const std::u16string odd = u"x]\ny";
  content.materials = {{&odd, -1, 0}};
  EXPECT_EQ(FormatSyncRecord(content),
            "SourceProject: [P\xe9?]\n"
            "ID3D: [1] TimeStamp: [5]\n"
            "ID3D: [-1] TimeStamp: [-2147483648]\n"
            "Material: [x]\ny] TimeStamp: [-1] MatIndex: [0]\n");
}

// The host reads the record as narrow text: every code unit up to U+00FF is the one byte
// of its value, U+00FF too, which some readers take for the end of the file.
TEST(SyncRecordTest, CodeUnitsUpToU00FFAreTheirOwnByteInTheFile) {
  testing::TempExchangeFolder folder;
  const std::u16string name = u"\u00ff" u"A\u00e9\u0100";
  SyncRecordContent content;
  content.project = u"C:\\M\u00fcller\u00ff.pro";
  content.materials = {{&name, 1, 0}};
  ASSERT_TRUE(WriteSyncRecord(content));
  EXPECT_EQ(folder.Read("_mod.sync"),
            "SourceProject: [C:\\M\xfcller\xff.pro]\r\n"
            "Material: [\xff" "A\xe9?] TimeStamp: [1] MatIndex: [0]\r\n");
}

TEST(SyncRecordTest, FolderEndingInBackslashGetsNoSecondOne) {
  testing::TempDir dir;
  unsetenv("APPDATA");
  ResetExchangeFolderCache();
  SetFakeRegistryValue(RegistryKeyPath(), protocol::kRegistryFolderValue.wide,
                       std::u16string(dir.path().begin(), dir.path().end()) + u"\\" + u'\0');
  WriteSyncRecord(SyncRecordContent{});
  EXPECT_EQ(testing::ReadNativeFile(dir.path() + "/_mod.sync"), "SourceProject: []\r\n");
  ClearFakeRegistry();
  ResetExchangeFolderCache();
}

constexpr char kOldRecord[] = "SourceProject: [old]\r\n";
constexpr char kNewRecord[] = "SourceProject: []\r\nID3D: [3] TimeStamp: [100]\r\n";

SyncRecordContent OneSolid() {
  static const std::vector<SyncSolidLine> solids = {{3, 100}};
  SyncRecordContent content;
  content.solids = solids;
  return content;
}

// A record of `count` solids.
SyncRecordContent ManySolids(std::uint32_t count, std::vector<SyncSolidLine>& storage) {
  storage.clear();
  for (std::uint32_t id = 0; id < count; ++id) storage.push_back({id, 1000000 + id});
  SyncRecordContent content;
  content.project = u"C:\\Projects\\Farm.pro";
  content.solids = storage;
  return content;
}

// The file's number on its volume: a record written in place keeps it, a replaced one does not.
ino_t FileNumber(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

// Counts the file calls of each kind, and may remove the folder when the first rename
// comes (the folder gone under the bridge).
struct CallCounts {
  int calls[16] = {};
  std::string remove_at_rename;
  int fail_write = 0;  // the write of this number fails
};
CallCounts g_counts;

bool CountCall(FileCall call) {
  const int made = ++g_counts.calls[static_cast<int>(call)];
  if (call == FileCall::kRename && !g_counts.remove_at_rename.empty()) {
    std::filesystem::remove_all(g_counts.remove_at_rename);
  }
  return call == FileCall::kWrite && made == g_counts.fail_write;
}

int Calls(FileCall call) { return g_counts.calls[static_cast<int>(call)]; }

// The record goes out as it is formatted, in a few large writes of whole lines, never a
// line at a time, its material lines as its solid lines; whichever of those writes fails,
// the record before stays whole. A hard failure is final at once: with the folder gone
// the replace is given up at its first failure (a refusal is tried again, below).
TEST(SyncRecordTest, OneWriteAndAHardFailureIsNotTriedAgain) {
  testing::TempExchangeFolder folder;
  std::vector<SyncSolidLine> storage;
  SyncRecordContent content = ManySolids(20000, storage);
  const std::u16string name(120, u'm');
  content.materials.assign(3000, SyncMaterialLine{&name, 1, 0});
  g_counts = {};
  SetFileCallHook(&CountCall);
  ASSERT_TRUE(WriteSyncRecord(content));
  const std::string bytes = SyncRecordBytes(content);
  const int writes = Calls(FileCall::kWrite);
  EXPECT_GE(writes, 4);
  ASSERT_LE(writes, static_cast<int>(bytes.size() / (200 << 10)) + 1);
  ASSERT_TRUE(folder.Read("_mod.sync") == bytes);
  for (int failing = 1; failing <= writes; ++failing) {
    g_counts = {};
    g_counts.fail_write = failing;
    EXPECT_FALSE(WriteSyncRecord(content)) << failing;
    EXPECT_TRUE(folder.Read("_mod.sync") == bytes) << failing;
  }

  g_counts = {};
  g_counts.remove_at_rename = folder.native_folder();
  EXPECT_FALSE(WriteSyncRecord(OneSolid()));
  SetFileCallHook(nullptr);
  EXPECT_EQ(Calls(FileCall::kRename), 1) << "the folder is gone: nothing to wait for";
  EXPECT_FALSE(std::filesystem::exists(folder.native_folder())) << "a folder was made";
}

// A temporary record that cannot be written or closed is removed, the earlier record stays
// whole, and the log says why.
TEST(SyncRecordTest, AFailedTemporaryKeepsTheOldRecord) {
  testing::TempExchangeFolder folder;
  const struct {
    FileCall call;
    const char* reason;
  } steps[] = {{FileCall::kWrite, "cannot write "}, {FileCall::kClose, "cannot close "}};
  for (const auto& step : steps) {
    folder.Write("_mod.sync", kOldRecord);
    folder.Write("D5_Log.log", "");
    testing::FileFaults faults;
    faults.FailNext(step.call);
    EXPECT_FALSE(WriteSyncRecord(OneSolid())) << step.reason;
    EXPECT_EQ(folder.Read("_mod.sync"), kOldRecord);
    EXPECT_FALSE(folder.Exists("_mod.sync.tmp")) << step.reason;
    EXPECT_NE(folder.Read("D5_Log.log").find(std::string("]: Sync Record Error: ") + step.reason),
              std::string::npos)
        << folder.Read("D5_Log.log");
  }
  EXPECT_TRUE(WriteSyncRecord(OneSolid()));
  EXPECT_EQ(folder.Read("_mod.sync"), kNewRecord);
  EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
}

// Windows refuses to replace the record while another process holds it open (the host's
// plug-in reading it, an indexer, a virus scanner). The replace is tried again; when the
// holder does not let go, the record is written in place, cut to its new length. Either
// way the record is whole and the result says so, with nothing in the log.
TEST(SyncRecordTest, ARefusedReplaceIsTriedAgainThenTheRecordIsWrittenInPlace) {
  testing::TempExchangeFolder folder;
  folder.Write("D5_Log.log", "");
  folder.Write("_mod.sync", kOldRecord);
  ino_t before = FileNumber(folder.PathOf("_mod.sync"));
  {
    testing::FileFaults faults;
    faults.FailNext(FileCall::kRename);
    EXPECT_TRUE(WriteSyncRecord(OneSolid()));
  }
  EXPECT_EQ(folder.Read("_mod.sync"), kNewRecord);
  EXPECT_NE(FileNumber(folder.PathOf("_mod.sync")), before) << "not replaced";

  folder.Write("_mod.sync", std::string(600, 'o'));
  before = FileNumber(folder.PathOf("_mod.sync"));
  {
    testing::FileFaults faults;
    faults.FailEvery(FileCall::kRename);
    EXPECT_TRUE(WriteSyncRecord(OneSolid()));
  }
  EXPECT_EQ(folder.Read("_mod.sync"), kNewRecord);
  EXPECT_EQ(FileNumber(folder.PathOf("_mod.sync")), before) << "not written in place";
  EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
  EXPECT_EQ(folder.Read("D5_Log.log"), "");
}

// Refuses the temporary record (a scanner holds the one removed last time), so that the
// record is written in place, then fails the next call of one kind.
struct InPlaceFault {
  FileCall call = FileCall::kWrite;
  const char* logged = "";
  bool temporary_refused = false;
};
InPlaceFault g_in_place;

bool FailInPlace(FileCall call) {
  if (!g_in_place.temporary_refused) {
    g_in_place.temporary_refused = call == FileCall::kOpen;
    return g_in_place.temporary_refused;
  }
  if (call != g_in_place.call) return false;
  g_in_place.call = FileCall::kCopy;  // once
  return true;
}

// Only when the record can be neither replaced nor written in place is the result false
// (the host is then not told to read it) and the step that failed is logged. Up to the
// write, the old record stays whole.
TEST(SyncRecordTest, ARecordNeitherReplacedNorWrittenInPlaceFails) {
  testing::TempExchangeFolder folder;
  const InPlaceFault cases[] = {{FileCall::kOpen, "cannot open "},
                                {FileCall::kSeek, "cannot measure "},
                                {FileCall::kExtend, "cannot make "},
                                {FileCall::kWrite, "cannot write "},
                                {FileCall::kTruncate, "cannot cut "},
                                {FileCall::kClose, "cannot close "}};
  for (const InPlaceFault& fault : cases) {
    folder.Write("_mod.sync", kOldRecord);
    folder.Write("D5_Log.log", "");
    g_in_place = fault;
    SetFileCallHook(&FailInPlace);
    const bool written = WriteSyncRecord(OneSolid());
    SetFileCallHook(nullptr);
    EXPECT_FALSE(written) << fault.logged;
    EXPECT_EQ(g_in_place.call, FileCall::kCopy) << fault.logged << " never came";
    EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
    const std::vector<std::string> log = folder.LogMessages();
    ASSERT_EQ(log.size(), 1u) << fault.logged;
    EXPECT_TRUE(log[0].starts_with(std::string("Sync Record Error: ") + fault.logged)) << log[0];
    EXPECT_NE(log[0].find("(in place, after: cannot create "), std::string::npos) << log[0];
    const std::string record = folder.Read("_mod.sync");
    if (fault.call != FileCall::kTruncate && fault.call != FileCall::kClose) {
      EXPECT_EQ(record, kOldRecord) << fault.logged;
    } else {
      EXPECT_EQ(record, kNewRecord) << fault.logged;
    }
  }
  // A first record that cannot be written in place leaves no file behind.
  ASSERT_TRUE(std::filesystem::remove(folder.PathOf("_mod.sync")));
  g_in_place = {FileCall::kWrite, "cannot write "};
  SetFileCallHook(&FailInPlace);
  EXPECT_FALSE(WriteSyncRecord(OneSolid()));
  SetFileCallHook(nullptr);
  EXPECT_EQ(g_in_place.call, FileCall::kCopy);
  EXPECT_FALSE(folder.Exists("_mod.sync"));
}

// A temporary record left by a crash, or one that cannot be made at all (a scanner still
// holds the one removed last time), never stops a later record.
TEST(SyncRecordTest, ATemporaryRecordLeftBehindNeverStopsALaterOne) {
  testing::TempExchangeFolder folder;
  folder.Write("D5_Log.log", "");
  folder.Write("_mod.sync", kOldRecord);
  folder.Write("_mod.sync.tmp", std::string(600, 't'));
  EXPECT_TRUE(WriteSyncRecord(OneSolid()));
  EXPECT_EQ(folder.Read("_mod.sync"), kNewRecord);
  EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));

  // The first record of all, even, is then made in place.
  ASSERT_TRUE(std::filesystem::remove(folder.PathOf("_mod.sync")));
  {
    testing::FileFaults faults;
    faults.FailNext(FileCall::kOpen);
    EXPECT_TRUE(WriteSyncRecord(OneSolid()));
  }
  EXPECT_EQ(folder.Read("_mod.sync"), kNewRecord);
  EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
  EXPECT_EQ(folder.Read("D5_Log.log"), "");
}

// A disk that fills: the process may write no file past a size (RLIMIT_FSIZE), as a volume
// with that much room would take it, and needs no privileges. Both ways fail with the old
// record whole and the log naming the failure that stopped them; a record that shrinks is
// still written in place.
class FullDisk {
 public:
  explicit FullDisk(rlim_t room) : previous_signal_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = room;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previous_signal_);
  }

 private:
  rlimit previous_{};
  void (*previous_signal_)(int);
};

TEST(SyncRecordTest, AFullDiskNeverDestroysTheOldRecord) {
  testing::TempExchangeFolder folder;
  std::vector<SyncSolidLine> old_storage, new_storage;
  const std::string old_record = SyncRecordBytes(ManySolids(1500, old_storage));
  const SyncRecordContent content = ManySolids(9000, new_storage);
  constexpr rlim_t kRoom = 100 * 1024;
  ASSERT_LT(old_record.size(), kRoom);
  ASSERT_GT(SyncRecordBytes(content).size(), kRoom);
  for (const bool temporary_possible : {true, false}) {
    folder.Write("_mod.sync", old_record);
    folder.Write("D5_Log.log", "");
    testing::FileFaults faults;
    if (!temporary_possible) faults.FailNext(FileCall::kOpen);
    const FullDisk full(kRoom);
    EXPECT_FALSE(WriteSyncRecord(content));
    EXPECT_EQ(folder.Read("_mod.sync"), old_record) << temporary_possible;
    EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
    const std::string log = folder.Read("D5_Log.log");
    const std::string stopped = temporary_possible ? "]: Sync Record Error: cannot write "
                                                   : "]: Sync Record Error: cannot make ";
    EXPECT_NE(log.find(stopped), std::string::npos) << log;
    EXPECT_NE(log.find(": no room on the volume"), std::string::npos) << log;
  }
  testing::FileFaults faults;
  faults.FailNext(FileCall::kOpen);
  const FullDisk full(kRoom);
  EXPECT_TRUE(WriteSyncRecord(OneSolid()));
  EXPECT_EQ(folder.Read("_mod.sync"), kNewRecord) << "written in place and cut";
}

TEST(SyncRecordTest, TargetThatCannotBeReplacedIsLeftAlone) {
  testing::TempExchangeFolder folder;
  // A non-empty folder in the record's place cannot be replaced by a file.
  std::filesystem::create_directories(folder.PathOf("_mod.sync") + "/inner");
  EXPECT_FALSE(WriteSyncRecord(SyncRecordContent{}));
  EXPECT_TRUE(std::filesystem::is_directory(folder.PathOf("_mod.sync") + "/inner"));
  EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
  EXPECT_NE(folder.Read("D5_Log.log").find("]: Sync Record Error: cannot replace "),
            std::string::npos)
      << folder.Read("D5_Log.log");
}

}  // namespace
}  // namespace tarnwick
