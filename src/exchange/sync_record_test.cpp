#include "exchange/sync_record.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "exchange/exchange_folder.h"
#include <filesystem>

#include "platform/environment.h"
#include "platform/file_call_hook.h"
#include "protocol/protocol.h"
#include "testlib/file_faults.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

const SyncSolidLine kHouseSolids[] = {{3, 100}, {10, 101}};

SyncRecordContent HouseContent(const std::u16string& oak) {
  SyncRecordContent content;
  content.project = u"C:\\Projects\\House.pro";
  content.solids = kHouseSolids;
  content.materials = {{&oak, 7, 2}};
  return content;
}

TEST(SyncRecordTest, ExactBytesOfAStreamedModel) {
  testing::TempExchangeFolder folder;
  const std::u16string oak = u"Oak";
  WriteSyncRecord(HouseContent(oak));
  EXPECT_EQ(folder.Read("_mod.sync"),
            "SourceProject: [C:\\Projects\\House.pro]\r\n"
            "ID3D: [3] TimeStamp: [100]\r\n"
            "ID3D: [10] TimeStamp: [101]\r\n"
            "Material: [Oak] TimeStamp: [7] MatIndex: [2]\r\n");

  // A fresh file each time: an empty document leaves the project line alone.
  WriteSyncRecord(SyncRecordContent{});
  EXPECT_EQ(folder.Read("_mod.sync"), "SourceProject: []\r\n");
}

TEST(SyncRecordTest, SignedNumbersAndNarrowTextUnescaped) {
  SyncRecordContent content;
  content.project = u"P\u00e9\u20ac";
  const SyncSolidLine solids[] = {{1, 5}, {0xFFFFFFFFu, 0x80000000u}};
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

TEST(SyncRecordTest, MissingFolderWritesNothingAndFails) {
  testing::TempExchangeFolder folder(/*create_folder=*/false);
  EXPECT_FALSE(WriteSyncRecord(SyncRecordContent{}));
  EXPECT_FALSE(std::filesystem::exists(folder.native_folder()));
}

constexpr char kOldRecord[] = "SourceProject: [old]\r\n";
constexpr char kNewRecord[] = "SourceProject: []\r\nID3D: [3] TimeStamp: [100]\r\n";

const SyncSolidLine kOneSolid[] = {{3, 100}};

SyncRecordContent OneSolid() {
  SyncRecordContent content;
  content.solids = kOneSolid;
  return content;
}

// The file's number on its volume: a record written in place keeps it, a replaced one does not.
ino_t FileNumber(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 ? status.st_ino : 0;
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

// Refuses every rename, as Windows does while another process holds the record; once the
// temporary record is removed (the record is then written in place), fails the next calls
// of one kind.
struct InPlaceFaults {
  FileCall call = FileCall::kWrite;
  int failures = 0;
  bool temporary_removed = false;
};
InPlaceFaults g_in_place;

bool FailInPlace(FileCall call) {
  if (call == FileCall::kRename) return true;
  if (call == FileCall::kRemove) g_in_place.temporary_removed = true;
  if (!g_in_place.temporary_removed || call != g_in_place.call || g_in_place.failures == 0) {
    return false;
  }
  --g_in_place.failures;
  return true;
}

// Only when the record can be neither replaced nor written in place is the result false
// (the host is then not told to read it) and the reason logged.
TEST(SyncRecordTest, ARecordNeitherReplacedNorWrittenInPlaceFails) {
  testing::TempExchangeFolder folder;
  // Two opens: the record's own for update, then a fresh one in its place.
  const InPlaceFaults cases[] = {{FileCall::kOpen, 2}, {FileCall::kWrite, 1},
                                 {FileCall::kTruncate, 1}, {FileCall::kClose, 1}};
  for (const InPlaceFaults& faults : cases) {
    folder.Write("_mod.sync", kOldRecord);
    folder.Write("D5_Log.log", "");
    g_in_place = faults;
    SetFileCallHook(&FailInPlace);
    const bool written = WriteSyncRecord(OneSolid());
    SetFileCallHook(nullptr);
    EXPECT_FALSE(written) << static_cast<int>(faults.call);
    EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
    EXPECT_NE(folder.Read("D5_Log.log").find("]: Sync Record Error: cannot replace "),
              std::string::npos)
        << folder.Read("D5_Log.log");
  }
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

// A record of many solids goes out in pieces: the file is the whole text with CRLF line
// ends, every piece is whole lines, and a piece that cannot be written keeps the old record.
TEST(SyncRecordTest, LargeRecordIsWrittenWholeInPiecesOrNotAtAll) {
  testing::TempExchangeFolder folder;
  SyncRecordContent content;
  content.project = u"P";
  std::vector<SyncSolidLine> solids;
  for (std::uint32_t id = 0; id < 5000; ++id) solids.push_back({id, 1000000 + id});
  content.solids = solids;
  std::size_t pieces = 0;
  FormatSyncRecord(content, [&pieces](std::string_view piece) {
    ++pieces;
    EXPECT_TRUE(piece.ends_with('\n'));
  });
  EXPECT_GT(pieces, 2u);
  ASSERT_TRUE(WriteSyncRecord(content));
  EXPECT_EQ(folder.Read("_mod.sync"), testing::WithCrLf(FormatSyncRecord(content)));

  folder.Write("_mod.sync", "SourceProject: [old]\r\n");
  testing::FileFaults faults;
  faults.FailNth(3);  // the open, the first piece, then the second piece fails
  EXPECT_FALSE(WriteSyncRecord(content));
  EXPECT_EQ(folder.Read("_mod.sync"), "SourceProject: [old]\r\n");
  EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
}

TEST(SyncRecordTest, TargetThatCannotBeReplacedIsLeftAlone) {
  testing::TempExchangeFolder folder;
  // A non-empty folder in the record's place cannot be replaced by a file.
  std::filesystem::create_directories(folder.PathOf("_mod.sync") + "/inner");
  EXPECT_FALSE(WriteSyncRecord(SyncRecordContent{}));
  EXPECT_TRUE(std::filesystem::is_directory(folder.PathOf("_mod.sync") + "/inner"));
  EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
  EXPECT_NE(folder.Read("D5_Log.log").find("]: Sync Record Error: cannot replace "), std::string::npos);
}

}  // namespace
}  // namespace tarnwick
