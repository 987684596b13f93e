#include "exchange/sync_record.h"

#include <gtest/gtest.h>

#include "exchange/exchange_folder.h"
#include "platform/environment.h"
#include "protocol/protocol.h"
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

TEST(SyncRecordTest, MissingFolderWritesNothing) {
  testing::TempExchangeFolder folder(/*create_folder=*/false);
  WriteSyncRecord(SyncRecordContent{});
  EXPECT_FALSE(folder.Exists("_mod.sync"));
}

}  // namespace
}  // namespace tarnwick
