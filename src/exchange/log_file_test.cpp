#include "exchange/log_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>

#include "testlib/temp_exchange.h"

namespace tarnwick {
namespace {

using testing::TempExchangeFolder;

std::string UtcStamp(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buffer[64];
  return std::string(buffer, std::strftime(buffer, sizeof buffer, format, &tm));
}

TEST(LogFileTest, BothFormatsInUtcWithCrLf) {
  TempExchangeFolder folder;
  setenv("TZ", "Etc/GMT-5", 1);  // five hours ahead of UTC
  tzset();
  const std::string narrow_before = UtcStamp("%Y. %m. %d - %H:%M");
  WriteLog("Init Start");
  WriteLogW(u"cameraSync\u00e9\u20ac");
  WriteLog("");
  unsetenv("TZ");
  tzset();
  const std::string log = folder.Read("D5_Log.log");
  const std::regex pattern(
      "\\[\\d{4}\\. \\d\\d\\. \\d\\d - \\d\\d:\\d\\d:\\d\\d\\]: Init Start\r\n"
      "\\[\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\]: cameraSync\xe9\\?\r\n"
      "\\[\\d{4}\\. \\d\\d\\. \\d\\d - \\d\\d:\\d\\d:\\d\\d\\]: \r\n");
  EXPECT_TRUE(std::regex_match(log, pattern)) << log;
  // The hour is UTC's, not the zone's (allow the minute to turn over).
  EXPECT_TRUE(log.rfind("[" + narrow_before, 0) == 0 ||
              log.rfind("[" + UtcStamp("%Y. %m. %d - %H:%M"), 0) == 0)
      << log;
}

TEST(LogFileTest, RotatesOnlyAboveTheLimitOncePerEntryPoint) {
  TempExchangeFolder folder;
  folder.Write("D5_Log.log", std::string(100000, 'x'));
  WriteLog("kept");
  EXPECT_FALSE(folder.Exists("D5_Log.logOld"));
  EXPECT_GT(folder.Read("D5_Log.log").size(), 100000u);

  // Already measured in this process: the narrow entry point does not look again.
  WriteLog("still kept");
  EXPECT_FALSE(folder.Exists("D5_Log.logOld"));

  // The wide entry point makes its own first check and finds 100001 bytes or more.
  const std::string before = folder.Read("D5_Log.log");
  WriteLogW(u"ModelSync");
  EXPECT_EQ(folder.Read("D5_Log.logOld"), before);
  const std::string fresh = folder.Read("D5_Log.log");
  EXPECT_NE(fresh.find("]: ModelSync\r\n"), std::string::npos);
  EXPECT_EQ(fresh.find('\n'), fresh.size() - 1);
}

TEST(LogFileTest, RotationReplacesTheOldBackup) {
  TempExchangeFolder folder;
  folder.Write("D5_Log.log", std::string(100001, 'n'));
  folder.Write("D5_Log.logOld", "old backup");
  WriteLog("first");
  EXPECT_EQ(folder.Read("D5_Log.logOld"), std::string(100001, 'n'));
  EXPECT_EQ(folder.Read("D5_Log.log").substr(0, 1), "[");
}

TEST(LogFileTest, BackupThatCannotBeReplacedKeepsTheLog) {
  TempExchangeFolder folder;
  folder.Write("D5_Log.log", std::string(100001, 'n'));
  // A non-empty folder in the backup's place cannot be removed.
  std::filesystem::create_directories(folder.PathOf("D5_Log.logOld") + "/inner");
  WriteLog("appended");
  const std::string log = folder.Read("D5_Log.log");
  ASSERT_GT(log.size(), 100001u);
  EXPECT_EQ(log.substr(0, 100001), std::string(100001, 'n'));
  EXPECT_NE(log.find("]: appended\r\n"), std::string::npos);
}

TEST(LogFileTest, MissingFolderLosesEntriesSilentlyAndCreatesNothing) {
  TempExchangeFolder folder(/*create_folder=*/false);
  WriteLog("lost");
  WriteLogW(u"lost");
  EXPECT_FALSE(std::filesystem::exists(folder.native_folder()));
}

}  // namespace
}  // namespace tarnwick
