#include "exchange/log_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <functional>
#include <filesystem>
#include <regex>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "testlib/file_faults.h"
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

// Runs `work` in a child process that ends without going back to the test.
pid_t RunInChild(const std::function<void()>& work) {
  const pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(0);
  }
  return pid;
}

bool ChildSucceeded(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Two processes find the log over the limit at once. The first measures it and
// is held up before it rotates; the second measures it in the meantime. Without
// one lock around measuring, rotating and appending, both rotate, and the second
// rotation removes the backup that the first has just made: the older log is lost.
TEST(LogFileTest, TwoProcessesRotatingAtOnceLoseNothing) {
  TempExchangeFolder folder;
  const std::string older(100001, 'n');
  folder.Write("D5_Log.log", older);
  const pid_t slow = RunInChild([] {
    testing::FileFaults faults;
    faults.PauseBefore(FileCall::kClose, std::chrono::milliseconds(400));  // just after measuring
    WriteLog("slow");
  });
  const pid_t quick = RunInChild([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    WriteLogW(u"quick");
  });
  ASSERT_TRUE(ChildSucceeded(slow));
  ASSERT_TRUE(ChildSucceeded(quick));
  EXPECT_EQ(folder.Read("D5_Log.logOld"), older);
  const std::string log = folder.Read("D5_Log.log");
  EXPECT_NE(log.find("]: slow\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("]: quick\r\n"), std::string::npos) << log;
  EXPECT_LT(log.size(), 100u);
}

TEST(LogFileTest, MissingFolderLosesEntriesSilentlyAndCreatesNothing) {
  TempExchangeFolder folder(/*create_folder=*/false);
  WriteLog("lost");
  WriteLogW(u"lost");
  EXPECT_FALSE(std::filesystem::exists(folder.native_folder()));
}

}  // namespace
}  // namespace tarnwick
