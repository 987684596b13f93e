#include "exchange/sync_record.h"

#include <gtest/gtest.h>

#include "exchange/exchange_folder.h"
#include <filesystem>

#include "platform/environment.h"
#include "testlib/file_faults.h"
#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

void AddSolid(ExchangeDocument& document, std::uint32_t id, std::uint32_t stamp) {
  SolidEntry& entry = document.Solids[id];
  entry.ID3D = static_cast<std::int32_t>(id);
  entry.TimeStamp = stamp;
}

void AddMaterial(ExchangeDocument& document, const std::u16string& name, int stamp, int index) {
  MaterialRecord& record = document.Materials[name];
  record.MaterialID_Name = name;
  record.nTimeID = stamp;
  record._nMatDescIndex = index;
}

TEST(SyncRecordTest, ExactBytesOfAStreamedModel) {
  testing::TempExchangeFolder folder;
  ExchangeDocument document;
  document.SourceProject = u"C:\\Projects\\House.pro";
  AddSolid(document, 10, 101);
  AddSolid(document, 3, 100);
  AddMaterial(document, u"Oak", 7, 2);
  WriteSyncRecord(document);
  EXPECT_EQ(folder.Read("_mod.sync"),
            "SourceProject: [C:\\Projects\\House.pro]\r\n"
            "ID3D: [3] TimeStamp: [100]\r\n"
            "ID3D: [10] TimeStamp: [101]\r\n"
            "Material: [Oak] TimeStamp: [7] MatIndex: [2]\r\n");

  // A fresh file each time: an empty document leaves the project line alone.
  ExchangeDocument empty;
  WriteSyncRecord(empty);
  EXPECT_EQ(folder.Read("_mod.sync"), "SourceProject: []\r\n");
}

TEST(SyncRecordTest, OrderSignsDefaultsAndNarrowText) {
  ExchangeDocument document;
  document.SourceProject = u"P\u00e9\u20ac";
  AddSolid(document, 4294967295u, 2147483648u);
  AddSolid(document, 1, 5);
  AddMaterial(document, u"b", 1, 0);
  AddMaterial(document, u"B", 2, 0);
  AddMaterial(document, u"a", 3, 0);
  document.Materials[u"x]\ny"] = MaterialRecord{};
  EXPECT_EQ(FormatSyncRecord(document),
            "SourceProject: [P\xe9?]\n"
            "ID3D: [1] TimeStamp: [5]\n"
            "ID3D: [-1] TimeStamp: [-2147483648]\n"
            "Material: [B] TimeStamp: [2] MatIndex: [0]\n"
            "Material: [a] TimeStamp: [3] MatIndex: [0]\n"
            "Material: [b] TimeStamp: [1] MatIndex: [0]\n"
            "Material: [x]\ny] TimeStamp: [-1] MatIndex: [0]\n");
}

TEST(SyncRecordTest, FolderEndingInBackslashGetsNoSecondOne) {
  testing::TempDir dir;
  unsetenv("APPDATA");
  ResetExchangeFolderCache();
  SetFakeRegistryValue(u"SOFTWARE\\Brevane\\Corvella2026_D5Plugin", u"TempPath",
                       std::u16string(dir.path().begin(), dir.path().end()) + u"\\" + u'\0');
  ExchangeDocument document;
  WriteSyncRecord(document);
  EXPECT_EQ(testing::ReadNativeFile(dir.path() + "/_mod.sync"), "SourceProject: []\r\n");
  ClearFakeRegistry();
  ResetExchangeFolderCache();
}

TEST(SyncRecordTest, MissingFolderWritesNothingAndFails) {
  testing::TempExchangeFolder folder(/*create_folder=*/false);
  ExchangeDocument document;
  EXPECT_FALSE(WriteSyncRecord(document));
  EXPECT_FALSE(std::filesystem::exists(folder.native_folder()));
}

// Whatever step fails, the earlier record stays whole, no temporary file is
// left, and the log says why.
TEST(SyncRecordTest, EachFailedStepKeepsTheOldRecord) {
  testing::TempExchangeFolder folder;
  ExchangeDocument document;
  AddSolid(document, 3, 100);
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

TEST(SyncRecordTest, TargetThatCannotBeReplacedIsLeftAlone) {
  testing::TempExchangeFolder folder;
  // A non-empty folder in the record's place cannot be replaced by a file.
  std::filesystem::create_directories(folder.PathOf("_mod.sync") + "/inner");
  ExchangeDocument document;
  EXPECT_FALSE(WriteSyncRecord(document));
  EXPECT_TRUE(std::filesystem::is_directory(folder.PathOf("_mod.sync") + "/inner"));
  EXPECT_FALSE(folder.Exists("_mod.sync.tmp"));
  EXPECT_NE(folder.Read("D5_Log.log").find("]: Sync Record Error: cannot replace "), std::string::npos);
}

}  // namespace
}  // namespace tarnwick
