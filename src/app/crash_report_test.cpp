// What InstallCrashReport leaves in place, under Wine, in the test's own
// process: the stack kept for the handler, the C runtime's abort handler and the
// terminate handler.
// Wine calls no handler for a stack overflow and ends a process whose library
// aborts the same way with or without them, so only their presence is seen here.
#include "app/crash_report.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <csignal>
#include <exception>

namespace tarnwick::app {
namespace {

TEST(CrashReportInstall, KeepsStackForTheHandlerAndCatchesAbortAndTerminate) {
  constexpr ULONG kLeastHandlerStack = 64 * 1024;
  const std::terminate_handler runtime_terminate = std::get_terminate();
  InstallCrashReport();
  EXPECT_NE(std::get_terminate(), runtime_terminate)
      << "an exception nobody catches would end the process without an entry";
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
