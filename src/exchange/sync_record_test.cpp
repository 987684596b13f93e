#include "exchange/sync_record.h"

#include <gtest/gtest.h>

#include "exchange/exchange_folder.h"
#include <filesystem>

#include "platform/environment.h"
#include "protocol/protocol.h"
#include "testlib/file_faults.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

SyncRecordContent HouseContent(const std::u16string& oak) {
  SyncRecordContent content;
  content.project = u"C:\\Projects\\House.pro";
  content.solids = {{3, 100}, {10, 101}};
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
  content.solids = {{1, 5}, {-1, INT32_MIN}};
  const std::u16string odd = u"x]\ny";
  content.materials = {{&odd, -1, 0}};
  EXPECT_EQ(FormatSyncRecord(content),
            "SourceProject: [P\xe9?]\n"
            "ID3D: [1] TimeStamp: [5]\n"
            "ID3D: [-1] TimeStamp: [-2147483648]\n"
            "Material: [x]\ny] TimeStamp: [-1] MatIndex: [0]\n");
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

// Whatever step fails, the earlier record stays whole, no temporary file is
// left, and the log says why.
TEST(SyncRecordTest, EachFailedStepKeepsTheOldRecord) {
  testing::TempExchangeFolder folder;
  SyncRecordContent document;
  document.solids = {{3, 100}};
  const struct {
    FileCall call;
    const char* reason;
  } steps[] = {{FileCall::kOpen, "cannot create "},
               {FileCall::kWrite, "cannot write "},
               {FileCall::kClose, "cannot close "},
               {FileCall::kRename, "cannot replace "}};
  for (const auto& step : steps) {
    folder.Write("_mod.sync", "SourceProject: [old]\r\n");
    folder.Write("D5_Log.log", "");
    testing::FileFaults faults;
    faults.FailNext(step.call);
    EXPECT_FALSE(WriteSyncRecord(document)) << step.reason;
    EXPECT_EQ(folder.Read("_mod.sync"), "SourceProject: [old]\r\n");
    EXPECT_FALSE(folder.Exists("_mod.sync.tmp")) << step.reason;
    EXPECT_NE(folder.Read("D5_Log.log").find(std::string("]: Sync Record Error: ") + step.reason),
              std::string::npos)
        << folder.Read("D5_Log.log");
  }
  EXPECT_TRUE(WriteSyncRecord(document));
  EXPECT_EQ(folder.Read("_mod.sync"), "SourceProject: []\r\nID3D: [3] TimeStamp: [100]\r\n");
  EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
}

// A record of many solids goes out in pieces: the file is the whole text with CRLF line
// ends, every piece is whole lines, and a piece that cannot be written keeps the old record.
TEST(SyncRecordTest, LargeRecordIsWrittenWholeInPiecesOrNotAtAll) {
  testing::TempExchangeFolder folder;
  SyncRecordContent content;
  content.project = u"P";
  for (std::int32_t id = 0; id < 5000; ++id) content.solids.push_back({id, 1000000 + id});
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
