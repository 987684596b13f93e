// What InstallCrashReport leaves in place, under Wine, in the test's own
// process: the stack kept for the handler and the C runtime's abort handler.
// Wine calls no handler for a stack overflow and ends a process whose library
// aborts the same way with or without them, so only their presence is seen here.
#include "app/crash_report.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <csignal>

namespace tarnwick::app {
namespace {

TEST(CrashReportInstall, KeepsStackForTheHandlerAndCatchesAbort) {
  constexpr ULONG kLeastHandlerStack = 64 * 1024;
  InstallCrashReport();
  ULONG kept = 0;  // 0 asks for the guarantee without changing it
  ASSERT_TRUE(SetThreadStackGuarantee(&kept));
  EXPECT_GE(kept, kLeastHandlerStack);
  const auto handler = std::signal(SIGABRT, SIG_DFL);
  EXPECT_NE(handler, SIG_DFL) << "abort() would end the process without an entry";
  EXPECT_NE(handler, SIG_ERR);
  std::signal(SIGABRT, handler);
}

}  // namespace
}  // namespace tarnwick::app
