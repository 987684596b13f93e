#include "exchange/exchange_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/environment.h"

namespace tarnwick {
namespace {

const std::u16string kKey = u"SOFTWARE\\Brevane\\Corvella2026_D5Plugin";

class ExchangeFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    unsetenv("APPDATA");
    Reset();
  }
  static void Reset() {
    ResetExchangeFolderCache();
    ClearFakeRegistry();
  }
};

TEST_F(ExchangeFolderTest, FromAppData) {
  setenv("APPDATA", "C:\\Users\\u\\AppData\\Roaming", 1);
  EXPECT_EQ(GetExchangeFolder(), u"C:\\Users\\u\\AppData\\Roaming\\Brevane\\Corvella2026_D5Plugin\\Data");
  EXPECT_EQ(MakeExchangeFilePath(u"_model.cvm"),
            u"C:\\Users\\u\\AppData\\Roaming\\Brevane\\Corvella2026_D5Plugin\\Data\\_model.cvm");
  Reset();
  setenv("APPDATA", "C:\\Roaming\\", 1);
  EXPECT_EQ(GetExchangeFolder(), u"C:\\Roaming\\Brevane\\Corvella2026_D5Plugin\\Data");
}

TEST_F(ExchangeFolderTest, AppDataLengthLimitFallsBackToRegistry) {
  SetFakeRegistryValue(kKey, u"TempPath", std::u16string(u"D:\\Exchange") + u'\0');
  setenv("APPDATA", std::string(511, 'a').c_str(), 1);
  EXPECT_EQ(GetExchangeFolder().substr(0, 511), std::u16string(511, u'a'));
  Reset();
  SetFakeRegistryValue(kKey, u"TempPath", std::u16string(u"D:\\Exchange") + u'\0');
  setenv("APPDATA", std::string(512, 'a').c_str(), 1);
  EXPECT_EQ(GetExchangeFolder(), u"D:\\Exchange");
  Reset();
  SetFakeRegistryValue(kKey, u"TempPath", std::u16string(u"D:\\Exchange") + u'\0');
  setenv("APPDATA", "", 1);
  EXPECT_EQ(GetExchangeFolder(), u"D:\\Exchange");
}

TEST_F(ExchangeFolderTest, RegistryValueKeptAsStoredAndJoined) {
  SetFakeRegistryValue(kKey, u"TempPath", std::u16string(u"D:\\Exchange\\") + u'\0');
  EXPECT_EQ(GetExchangeFolder(), u"D:\\Exchange\\");
  EXPECT_EQ(MakeExchangeFilePath(u"_mod.sync"), u"D:\\Exchange\\_mod.sync");
  Reset();
  SetFakeRegistryValue(kKey, u"TempPath", std::u16string(u"D:\\Exchange") + u'\0' + u"junk");
  EXPECT_EQ(GetExchangeFolder(), u"D:\\Exchange");
  EXPECT_EQ(MakeExchangeFilePath(u"_mod.sync"), u"D:\\Exchange\\_mod.sync");
}

TEST_F(ExchangeFolderTest, RegistryByteLimit) {
  // 126 characters and the NUL fit in 255 bytes; 127 and the NUL do not.
  SetFakeRegistryValue(kKey, u"TempPath", std::u16string(126, u'x') + u'\0');
  EXPECT_EQ(GetExchangeFolder(), std::u16string(126, u'x'));
  Reset();
  SetFakeRegistryValue(kKey, u"TempPath", std::u16string(127, u'x') + u'\0');
  EXPECT_EQ(GetExchangeFolder(), u"");
  EXPECT_EQ(MakeExchangeFilePath(u"D5_Log.log"), u"D5_Log.log");
}

TEST_F(ExchangeFolderTest, NonEmptyResultIsCachedEmptyIsNot) {
  EXPECT_EQ(GetExchangeFolder(), u"");
  setenv("APPDATA", "C:\\A", 1);
  EXPECT_EQ(GetExchangeFolder(), u"C:\\A\\Brevane\\Corvella2026_D5Plugin\\Data");
  setenv("APPDATA", "C:\\B", 1);
  EXPECT_EQ(GetExchangeFolder(), u"C:\\A\\Brevane\\Corvella2026_D5Plugin\\Data");
}

}  // namespace
}  // namespace tarnwick
