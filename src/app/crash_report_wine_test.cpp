// Tarnwick.exe crashing inside the renderer's library, under Wine: the stand-in
// D5Api.dll ends the process in a chosen call in a chosen way (a read, write or
// execute fault, a fault on a thread of its own, abort, std::terminate, a C++
// exception thrown out of the call, a fault after making its own image
// unreadable or while holding the loader's lock). Wine's own crash debugger is
// left out (winedbg.exe disabled), as on a Windows machine with no debugger
// registered, so that nothing but the bridge's handler ends the process.
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
// Ends a test that hangs; a crash report ends the process within seconds.
constexpr DWORD kCrashTimeoutMs = 40000;
constexpr DWORD kAccessViolation = 0xC0000005;
constexpr DWORD kAbortCode = 0xE0544D02;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The bytes of an ASCII text in UTF-16LE, as a dump holds names.
std::string Utf16Bytes(const std::string& text) {
  std::string bytes;
  for (const char c : text) bytes += {c, '\0'};
  return bytes;
}

// The names in the folder that start like a dump's, files and folders alike (oldest first).
std::vector<std::string> DumpsIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("Tarnwick-crash-", 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A string field of the journal line, as the stand-in writes it ("field": "value").
std::string Field(const std::string& line, const std::string& field) {
  std::smatch match;
  const std::regex pattern("\"" + field + "\": *\"([^\"]*)\"");
  return std::regex_search(line, match, pattern) ? match[1].str() : std::string();
}

// What one crash left: the exit code and the log's crash entries.
struct Crash {
  DWORD exit_code = 0;
  std::string entry;  // "Crash: ..." with its line end
  std::string site;   // "Crash site: ..."
  std::string dump;   // "Crash dump: ..."
  int entries = 0;    // how many "Crash: " entries the log holds
};

class CrashReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(TarnwickBesideMe())) << TarnwickBesideMe();
    appdata_.CopySampleFiles(WindowsPathOf(TARNWICK_SAMPLE_FOLDER));
  }

  // The host's environment, the chosen call's fault, and no crash debugger.
  std::vector<std::pair<std::wstring, std::wstring>> Environment(const std::wstring& fault,
                                                                 int after,
                                                                 const std::wstring& kind) const {
    auto variables = BridgeEnvironment(appdata_);
    wchar_t overrides[1024] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, 1024);
    variables.emplace_back(L"WINEDLLOVERRIDES", std::wstring(overrides) + L";winedbg.exe=d");
    variables.emplace_back(L"RENDERER_STANDIN_FAULT", fault);
    variables.emplace_back(L"RENDERER_STANDIN_FAULT_AFTER", std::to_wstring(after));
    variables.emplace_back(L"RENDERER_STANDIN_FAULT_KIND", kind);
    return variables;
  }

  // A run that crashes: it ends by itself; the log is emptied first.
  Crash RunToCrash(const std::wstring& word, const std::wstring& fault, int after,
                   const std::wstring& kind = L"write") {
    std::ofstream(appdata_.data_folder() / "D5_Log.log", std::ios::trunc).flush();
    Crash crash;
    BridgeProcess bridge;
    EXPECT_TRUE(bridge.Start(TarnwickBesideMe(), word, Environment(fault, after, kind)));
    EXPECT_TRUE(bridge.WaitForExit(kCrashTimeoutMs))
        << "the crashed bridge did not end; its log:\n" << appdata_.ReadLog();
    crash.exit_code = bridge.ExitCode();
    const std::string log = appdata_.ReadLog();
    crash.entries = CountOf(log, "]: Crash: ");
    crash.entry = Line(log, "]: Crash: ");
    crash.site = Line(log, "]: Crash site: ");
    crash.dump = Line(log, "]: Crash dump: ");
    return crash;
  }

  // A run as usual: it becomes resident, serves, and ends on the exit command.
  void RunAsUsual(const std::wstring& word) {
    BridgeProcess bridge;
    ASSERT_TRUE(bridge.Start(TarnwickBesideMe(), word, Environment(L"", 0, L"")));
    ASSERT_TRUE(PumpUntil([&] { return bridge.FindWindowOfClass(kBridgeClass) != nullptr; },
                          kStartTimeoutMs));
    PumpMessagesFor(500);
    PostMessageW(bridge.FindWindowOfClass(kBridgeClass), WM_COMMAND, MAKEWPARAM(105, 0), 0);
    ASSERT_TRUE(bridge.WaitForExit(5000));
    EXPECT_EQ(bridge.ExitCode(), 0u);
  }

  // The first line of the log that holds `mark`, from the mark on.
  static std::string Line(const std::string& log, const std::string& mark) {
    const std::size_t at = log.find(mark);
    if (at == std::string::npos) return {};
    const std::size_t end = log.find("\r\n", at);
    return log.substr(at + 3, end == std::string::npos ? std::string::npos : end + 2 - at - 3);
  }

  TempAppData appdata_;
  FakeWindow host_{kHostClass};
  FakeWindow renderer_{kRendererClass};
};

TEST_F(CrashReportTest, ACrashWhileSendingAPartLeavesItsEntriesAndADumpAndTheNextStartWorks) {
  // Six dumps of earlier crashes: the oldest two go. Names that only look like a dump's,
  // and a folder, are the user's.
  const fs::path folder = appdata_.data_folder();
  for (char day = '1'; day <= '6'; ++day) {
    std::ofstream(folder / ("Tarnwick-crash-2020010" + std::string(1, day) + "-120000-7.dmp"))
        << "MDMP";
  }
  std::ofstream(folder / "Tarnwick-crash-0-customer-notes.dmp") << "notes";
  fs::create_directory(folder / "Tarnwick-crash-20990101-000000-1.dmp");
  const Crash crash = RunToCrash(L"cameraSync", L"D5API_AddIndexedTriangle", 2);
  EXPECT_EQ(crash.exit_code, kAccessViolation);
  ASSERT_EQ(crash.entries, 1) << appdata_.ReadLog();
  EXPECT_NE(crash.entry.find("Crash: 0xC0000005 EXCEPTION_ACCESS_VIOLATION writing 0x"),
            std::string::npos) << crash.entry;
  EXPECT_TRUE(crash.site.starts_with("Crash site: D5Api.dll+0x")) << crash.site;
  EXPECT_NE(crash.site.find(" (D5API_AddIndexedTriangle) called from Tarnwick.exe+0x"),
            std::string::npos) << crash.site;

  const std::vector<std::string> dumps = DumpsIn(folder);
  ASSERT_EQ(dumps.size(), 7u) << ::testing::PrintToString(dumps);
  EXPECT_EQ(dumps[0], "Tarnwick-crash-0-customer-notes.dmp");
  EXPECT_EQ(dumps[1], "Tarnwick-crash-20200103-120000-7.dmp");
  EXPECT_EQ(dumps.back(), "Tarnwick-crash-20990101-000000-1.dmp");
  const std::string newest = dumps[dumps.size() - 2];
  EXPECT_EQ(crash.dump, "Crash dump: " + newest + "\r\n");
  const std::string dump = ReadFile(folder / newest);
  EXPECT_EQ(dump.substr(0, 4), "MDMP");
  // Its module list names the program and the library (UTF-16 names).
  EXPECT_NE(dump.find(Utf16Bytes("D5Api.dll")), std::string::npos);
  EXPECT_NE(dump.find(Utf16Bytes("Tarnwick.exe")), std::string::npos);

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
  EXPECT_TRUE(crash.entry.ends_with("; while start-up: sending the model, solid " +
                                    solid.substr(6) + ", part \"" + part + "\"\r\n"))
      << crash.entry;
  EXPECT_EQ(CountOf(appdata_.ReadLog(), "]: Crash: "), 1) << "the next start crashed";
  std::cout << crash.entry << crash.site << crash.dump;
}

// A read fault, the most common, while a request is served; an execute fault; then a fault on
// a thread of the library's own, which names no part (the bridge's thread may have freed it).
TEST_F(CrashReportTest, ReadAndExecuteFaultsAndAFaultOnAnotherThread) {
  // How often the start-up export sends a camera: the request's is the next one.
  RunAsUsual(L"");
  const int startup_cameras = CountOf(ReadFile(appdata_.journal()), "\"D5API_SendSimpleCamera\"");
  const Crash read = RunToCrash(L"cameraSync", L"D5API_SendSimpleCamera", startup_cameras, L"read");
  EXPECT_EQ(read.exit_code, kAccessViolation);
  EXPECT_NE(read.entry.find("EXCEPTION_ACCESS_VIOLATION reading 0x"), std::string::npos) << read.entry;
  EXPECT_TRUE(read.entry.ends_with("; while cameraSync\r\n")) << read.entry;
  EXPECT_NE(read.site.find(" (D5API_SendSimpleCamera) called from Tarnwick.exe+0x"),
            std::string::npos) << read.site;
  EXPECT_NE(read.dump.find("Crash dump: Tarnwick-crash-"), std::string::npos) << read.dump;

  // A call to an address that holds no code: the site is the call's.
  const Crash execute = RunToCrash(L"cameraSync", L"D5API_AddIndexedTriangle", 2, L"execute");
  EXPECT_NE(execute.entry.find("EXCEPTION_ACCESS_VIOLATION executing 0x"), std::string::npos)
      << execute.entry;
  EXPECT_NE(execute.site.find(" (D5API_AddIndexedTriangle) called from Tarnwick.exe+0x"),
            std::string::npos) << execute.site;

  const Crash other = RunToCrash(L"cameraSync", L"D5API_AddIndexedTriangle", 2, L"thread");
  EXPECT_EQ(other.exit_code, kAccessViolation);
  EXPECT_NE(other.entry.find("writing 0x"), std::string::npos) << other.entry;
  EXPECT_NE(other.entry.find("; while start-up: sending the model, solid "), std::string::npos);
  EXPECT_EQ(other.entry.find("part \""), std::string::npos) << other.entry;
  EXPECT_TRUE(other.site.starts_with("Crash site: D5Api.dll+0x")) << other.site;
  EXPECT_EQ(DumpsIn(appdata_.data_folder()).size(), 3u);
}

// abort(), std::terminate of the library's own runtime and a C++ exception thrown out of the
// library end as a crash too: an entry and a dump, no dialog, no exit code 3.
TEST_F(CrashReportTest, AbortTerminateAndAnExceptionOutOfTheLibraryAreReported) {
  const struct {
    const wchar_t* kind;
    DWORD code;
    const char* said;
  } cases[] = {{L"abort", kAbortCode, "Crash: 0xE0544D02 abort (the C runtime's abort signal) at "},
               {L"terminate", kAbortCode, "Crash: 0xE0544D02 abort "},
               {L"throw", kAbortCode, "Crash: 0xE0544D02 abort "}};
  std::size_t dumps = 0;
  for (const auto& c : cases) {
    const Crash crash = RunToCrash(L"cameraSync", L"D5API_AddIndexedTriangle", 0, c.kind);
    EXPECT_EQ(crash.exit_code, c.code) << crash.entry;
    EXPECT_EQ(crash.entries, 1) << appdata_.ReadLog();
    EXPECT_NE(crash.entry.find(c.said), std::string::npos) << crash.entry;
    EXPECT_NE(crash.entry.find("; while start-up: sending the model, solid "), std::string::npos);
    // The site is where the library gave up, not the handler's raising of the crash.
    EXPECT_NE(crash.site.find(" (D5API_AddIndexedTriangle) called from Tarnwick.exe+0x"),
              std::string::npos) << crash.site;
    EXPECT_NE(crash.dump.find("Crash dump: Tarnwick-crash-"), std::string::npos) << crash.dump;
    EXPECT_EQ(DumpsIn(appdata_.data_folder()).size(), ++dumps);
  }
}

// A library that hides its own headers before it faults: the entry is written before the
// site is looked for, and the site reads nothing unreadable.
TEST_F(CrashReportTest, ALibraryWithUnreadableHeadersStillLeavesTheWholeReport) {
  const Crash crash = RunToCrash(L"cameraSync", L"D5API_AddIndexedTriangle", 1, L"hidden_image");
  EXPECT_EQ(crash.exit_code, kAccessViolation);
  EXPECT_NE(crash.entry.find("EXCEPTION_ACCESS_VIOLATION writing 0x"), std::string::npos);
  EXPECT_TRUE(crash.site.starts_with("Crash site: (a module without a readable name)+0x"))
      << crash.site;
  EXPECT_NE(crash.dump.find("Crash dump: Tarnwick-crash-"), std::string::npos) << crash.dump;
  std::cout << crash.entry << crash.site;
}

// A crash with the loader's lock held: the dump's thread cannot start, so the dump is given
// up after a short wait and nothing of it is left; the entries are all there.
TEST_F(CrashReportTest, ACrashUnderTheLoaderLockGivesUpTheDump) {
  const Crash crash = RunToCrash(L"cameraSync", L"D5API_AddIndexedTriangle", 1, L"loader_lock");
  EXPECT_EQ(crash.exit_code, kAccessViolation);
  EXPECT_NE(crash.entry.find("EXCEPTION_ACCESS_VIOLATION writing 0x"), std::string::npos);
  EXPECT_NE(crash.site.find(" (D5API_AddIndexedTriangle) called from "), std::string::npos);
  EXPECT_EQ(crash.dump, "Crash dump: none, it was not done within 3 s\r\n");
  EXPECT_EQ(DumpsIn(appdata_.data_folder()).size(), 0u);
}

}  // namespace
}  // namespace tarnwick::test_host
