// Tarnwick.exe crashing inside the renderer's library, under Wine: the stand-in
// D5Api.dll writes through a null pointer in a chosen call. Wine's own crash
// debugger is left out (winedbg.exe disabled), as on a Windows machine with no
// debugger registered, so that nothing but the bridge's handler ends the process.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_host/bridge_process.h"
#include "test_host/host_windows.h"
#include "test_host/text_search.h"

namespace tarnwick::test_host {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kBridgeClass[] = L"Tarnwick";
constexpr DWORD kStartTimeoutMs = 15000;
constexpr DWORD kCrashTimeoutMs = 40000;
constexpr DWORD kAccessViolation = 0xC0000005;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The dump files of the folder, by name (oldest first).
std::vector<std::string> DumpsIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("Tarnwick-crash-", 0) == 0 && name.ends_with(".dmp")) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A string field of the journal line, as the stand-in writes it ("field": "value").
std::string Field(const std::string& line, const std::string& field) {
  const std::smatch match = [&] {
    std::smatch m;
    std::regex_search(line, m, std::regex("\"" + field + "\": *\"([^\"]*)\""));
    return m;
  }();
  return match.empty() ? std::string() : match[1].str();
}

class CrashReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(TarnwickBesideMe())) << TarnwickBesideMe();
    appdata_.CopySampleFiles(WindowsPathOf(TARNWICK_SAMPLE_FOLDER));
  }

  // The host's environment, the chosen call's fault, and no crash debugger.
  std::vector<std::pair<std::wstring, std::wstring>> Environment(const std::wstring& fault,
                                                                 int after) const {
    auto variables = BridgeEnvironment(appdata_);
    wchar_t overrides[1024] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
    variables.emplace_back(L"WINEDLLOVERRIDES", std::wstring(overrides) + L";winedbg.exe=d");
    variables.emplace_back(L"RENDERER_STANDIN_FAULT", fault);
    variables.emplace_back(L"RENDERER_STANDIN_FAULT_AFTER", std::to_wstring(after));
    return variables;
  }

  // A run that crashes: it ends by itself, with the exception's code.
  void RunToCrash(const std::wstring& word, const std::wstring& fault, int after) {
    BridgeProcess bridge;
    ASSERT_TRUE(bridge.Start(TarnwickBesideMe(), word, Environment(fault, after)));
    ASSERT_TRUE(bridge.WaitForExit(kCrashTimeoutMs))
        << "the crashed bridge did not end; its log:\n" << appdata_.ReadLog();
    EXPECT_EQ(bridge.ExitCode(), kAccessViolation);
  }

  // A run as usual: it becomes resident, serves, and ends on the exit command.
  void RunAsUsual(const std::wstring& word) {
    BridgeProcess bridge;
    ASSERT_TRUE(bridge.Start(TarnwickBesideMe(), word, Environment(L"", 0)));
    ASSERT_TRUE(PumpUntil([&] { return bridge.FindWindowOfClass(kBridgeClass) != nullptr; },
                          kStartTimeoutMs));
    PumpMessagesFor(500);
    PostMessageW(bridge.FindWindowOfClass(kBridgeClass), WM_COMMAND, MAKEWPARAM(105, 0), 0);
    ASSERT_TRUE(bridge.WaitForExit(5000));
    EXPECT_EQ(bridge.ExitCode(), 0u);
  }

  std::string CrashLine() const {
    std::smatch match;
    const std::string log = appdata_.ReadLog();
    std::regex_search(log, match, std::regex("\\]: Crash: [^\r\n]*\r\n"));
    return match.empty() ? std::string() : match[0].str();
  }

  TempAppData appdata_;
  FakeWindow host_{kHostClass};
  FakeWindow renderer_{kRendererClass};
};

TEST_F(CrashReportTest, ACrashWhileSendingAPartLeavesItsEntryAndADumpAndTheNextStartWorks) {
  // Six dumps of earlier crashes: the oldest two go.
  for (char day = '1'; day <= '6'; ++day) {
    std::ofstream(appdata_.data_folder() / ("Tarnwick-crash-2020010" + std::string(1, day) +
                                            "-120000-7.dmp")) << "MDMP";
  }
  RunToCrash(L"cameraSync", L"D5API_AddIndexedTriangle", 2);
  const std::string log = appdata_.ReadLog();
  ASSERT_EQ(CountOf(log, "]: Crash: "), 1) << log;
  const std::string crash = CrashLine();
  EXPECT_NE(crash.find("Crash: 0xC0000005 EXCEPTION_ACCESS_VIOLATION writing 0x"),
            std::string::npos) << crash;
  EXPECT_NE(crash.find(" (D5API_AddIndexedTriangle) called from Tarnwick.exe+0x"),
            std::string::npos) << crash;

  const std::vector<std::string> dumps = DumpsIn(appdata_.data_folder());
  ASSERT_EQ(dumps.size(), 5u);
  EXPECT_EQ(dumps.front(), "Tarnwick-crash-20200103-120000-7.dmp");
  const std::string dump = ReadFile(appdata_.data_folder() / dumps.back());
  EXPECT_EQ(dump.substr(0, 4), "MDMP");
  EXPECT_GT(dump.size(), 1000u);

  // The next start sends the whole model; its journal tells which part was the third.
  const std::string crashed_journal = ReadFile(appdata_.journal());
  RunAsUsual(L"cameraSync");
  const std::string journal = ReadFile(appdata_.journal()).substr(crashed_journal.size());
  std::istringstream lines(journal);
  std::string line, solid, part;
  for (int parts = 0; parts < 3 && std::getline(lines, line);) {
    if (line.find("\"D5API_BeginNode\"") != std::string::npos) solid = Field(line, "name");
    if (line.find("\"D5API_AddIndexedTriangle\"") != std::string::npos) {
      part = Field(line, "part");
      ++parts;
    }
  }
  ASSERT_EQ(solid.rfind("Solid_", 0), 0u) << journal;
  EXPECT_NE(crash.find("; while start-up: sending the model, solid " + solid.substr(6) +
                       ", part \"" + part + "\"\r\n"),
            std::string::npos) << crash;
  EXPECT_EQ(CountOf(appdata_.ReadLog(), "]: Crash: "), 1);
  std::cout << crash;
  EXPECT_EQ(DumpsIn(appdata_.data_folder()).size(), 5u);
}

TEST_F(CrashReportTest, ACrashWhileServingARequestNamesTheRequest) {
  // How often the start-up export sends a camera: the request's is the next one.
  RunAsUsual(L"");
  const int startup_cameras = CountOf(ReadFile(appdata_.journal()), "\"D5API_SendSimpleCamera\"");
  RunToCrash(L"cameraSync", L"D5API_SendSimpleCamera", startup_cameras);
  const std::string crash = CrashLine();
  EXPECT_NE(crash.find(" in D5Api.dll+0x"), std::string::npos) << crash;
  EXPECT_NE(crash.find(" (D5API_SendSimpleCamera) called from Tarnwick.exe+0x"),
            std::string::npos) << crash;
  EXPECT_NE(crash.find("; while cameraSync\r\n"), std::string::npos) << crash;
  ASSERT_EQ(DumpsIn(appdata_.data_folder()).size(), 1u);
}

}  // namespace
}  // namespace tarnwick::test_host
