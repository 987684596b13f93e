// The session against the stand-in D5Api.dll, as Tarnwick.exe runs it on
// Windows: the renderer window program, the journal file, the log and the two
// real message boxes, found by their caption and closed here.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "exchange/exchange_folder.h"
#include "exchange/log_file.h"
#include "renderer/d5api.h"
#include "renderer/renderer_session.h"
#include "standin/standin.h"
#include "test_host/bridge_process.h"
#include "test_host/host_windows.h"
#include "test_host/message_boxes.h"
#include "testlib/json.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> g_journal;

}  // namespace

// On Windows the journal is the DLL's file; the JSON helpers read it from here.
const std::vector<std::string>& standin::JournalLines() { return g_journal; }

namespace tarnwick {
namespace {

using testing::JournalCalls;
using testing::JournalFunctions;

void SetEnv(const wchar_t* name, const std::wstring& value) {
  // _wputenv_s updates the C runtime's copy and the process environment alike.
  _wputenv_s(name, value.c_str());
}

std::vector<std::string> ReadLines(const fs::path& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<HWND> RendererWindows() { return test_host::WindowsOfClass(test_host::kRendererClass); }

// Closes every renderer window and waits until they are gone.
bool CloseRendererWindows() {
  for (HWND window : RendererWindows()) PostMessageW(window, WM_CLOSE, 0, 0);
  for (int i = 0; i < 250 && !RendererWindows().empty(); ++i) Sleep(20);
  return RendererWindows().empty();
}

// Waits on its own thread for a dialog with the caption, takes its text and presses OK.
class MessageBoxCloser {
 public:
  explicit MessageBoxCloser(std::wstring caption)
      : caption_(std::move(caption)), thread_([this] { Run(); }) {}
  ~MessageBoxCloser() { Join(); }

  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  bool found() const { return found_; }
  const std::wstring& text() const { return text_; }

 private:
  void Run() {
    for (int i = 0; i < 500; ++i) {
      const HWND box = FindWindowW(L"#32770", caption_.c_str());
      if (box) {
        text_ = test_host::ReadMessageBox(box).text;
        found_ = true;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return;
      }
      Sleep(20);
    }
  }

  std::wstring caption_;
  std::wstring text_;
  std::atomic<bool> found_{false};
  std::thread thread_;
};

class StandInSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    root_ = fs::path(temp) / (L"tarnwick-standin-" + std::to_wstring(GetCurrentProcessId()));
    fs::remove_all(root_);
    folder_ = root_ / L"Brevane" / L"Corvella2026_D5Plugin" / L"Data";
    fs::create_directories(folder_);
    journal_ = root_ / L"journal.jsonl";
    SetEnv(L"APPDATA", root_.wstring());
    SetEnv(L"RENDERER_STANDIN_JOURNAL", journal_.wstring());
    SetEnv(L"RENDERER_STANDIN_NO_WINDOW", L"1");
    for (const wchar_t* name : {L"RENDERER_STANDIN_START_RESULT", L"RENDERER_STANDIN_START_ERROR",
                                L"RENDERER_STANDIN_SESSION_RESULT",
                                L"RENDERER_STANDIN_WHOLE_ARRAYS"}) {
      SetEnv(name, L"");
    }
    ResetExchangeFolderCache();
    ResetLogRotationFlags();
  }

  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  // Loads the journal file for the JSON helpers.
  void ReadJournal() { g_journal = ReadLines(journal_); }

  std::vector<std::string> LogMessages() const {
    std::vector<std::string> messages;
    for (const std::string& line : ReadLines(folder_ / L"D5_Log.log")) {
      const std::size_t frame = line.find("]: ");
      messages.push_back(frame == std::string::npos ? line : line.substr(frame + 3));
    }
    return messages;
  }

  fs::path root_, folder_, journal_;
};

TEST_F(StandInSessionTest, SessionStartsTheRendererWindowAndEnds) {
  ASSERT_TRUE(CloseRendererWindows());
  SetEnv(L"RENDERER_STANDIN_NO_WINDOW", L"");
  RendererSession session;
  session.project_path = u"C:\\Projects\\House.pro";
  ASSERT_TRUE(StartRendererSession(session));
  EXPECT_EQ(RendererWindows().size(), 1u);
  std::int32_t error = 9;
  EXPECT_EQ(D5API_StartD5Render(u"Again", "ZavuZAD", "1.0", &error), 0);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(RendererWindows().size(), 1u) << "a second start must reuse the window";
  EndRendererSession(session);
  EXPECT_EQ(session.handle, 0);

  ReadJournal();
  EXPECT_EQ(JournalFunctions(),
            (std::vector<std::string>{"D5API_StartD5Render", "D5API_CreateSession",
                                      "D5API_SetSceneSetting", "D5API_SetModelFilePath",
                                      "D5API_SaveToFiles", "D5API_StartD5Render",
                                      "D5API_DestroySession"}));
  const auto calls = JournalCalls();
  EXPECT_EQ(calls[0]["project"].string, "House");
  EXPECT_EQ(calls[1]["access"].string.size(), 20u);
  EXPECT_EQ(g_journal[2], "{\"fn\": \"D5API_SetSceneSetting\", \"session\": 1, "
                          "\"setting\": [1.0, 2, 0]}");
  EXPECT_EQ(calls[4]["path"].string, "C:\\Projects\\House.d5a");
  EXPECT_EQ(calls[6]["session"].number, 1.0);
  EXPECT_EQ(LogMessages(), std::vector<std::string>{"Init Start"});
  EXPECT_TRUE(CloseRendererWindows());
}

TEST_F(StandInSessionTest, RendererStartFailureShowsTheMissingRendererBox) {
  SetEnv(L"RENDERER_STANDIN_START_RESULT", L"1");
  SetEnv(L"RENDERER_STANDIN_START_ERROR", L"-3");
  MessageBoxCloser closer(L"Error: missing D5 Render application!");
  RendererSession session;
  session.project_path = u"House";
  EXPECT_FALSE(StartRendererSession(session));
  closer.Join();
  ASSERT_TRUE(closer.found());
  EXPECT_EQ(closer.text(),
            L"Missing the D5 render. Install it and start the command.\n\n"
            L"https://www.d5render.com/");
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Init Start", "Connection Error: -3"}));
  ReadJournal();
  EXPECT_EQ(JournalFunctions(), std::vector<std::string>{"D5API_StartD5Render"});
}

TEST_F(StandInSessionTest, ModelFileErrorShowsItsText) {
  MessageBoxCloser closer(L"Error: D5 Render application!");
  ReportError(ErrorKind::kModelFile, 3);
  closer.Join();
  ASSERT_TRUE(closer.found());
  EXPECT_EQ(closer.text(), L"Version not supported.");
  EXPECT_EQ(LogMessages(), std::vector<std::string>{"Version not supported."});
}

TEST_F(StandInSessionTest, SessionFailureIsLoggedWithoutABox) {
  SetEnv(L"RENDERER_STANDIN_SESSION_RESULT", L"4");
  RendererSession session;
  session.project_path = u"C:\\Projects\\House.pro";
  EXPECT_FALSE(StartRendererSession(session));
  EXPECT_EQ(session.handle, 0);
  EXPECT_EQ(LogMessages(), (std::vector<std::string>{"Init Start", "Session Error: 4"}));
  ReadJournal();
  EXPECT_EQ(JournalFunctions(),
            (std::vector<std::string>{"D5API_StartD5Render", "D5API_CreateSession"}));
  EXPECT_TRUE(RendererWindows().empty()) << "no window was asked for";
}

TEST_F(StandInSessionTest, WholeArraysOnlyWhenTheSettingAsksForThem) {
  const float positions[] = {0, 0, 0, 1, 0, 0, 0, 2, 0};
  const std::uint32_t indices[] = {0, 1, 2};
  const MeshDescriptor mesh{3, 3, positions, nullptr, nullptr, indices};
  SetEnv(L"RENDERER_STANDIN_WHOLE_ARRAYS", L"1");
  D5API_AddIndexedTriangle(1, u"Floor", &mesh);
  SetEnv(L"RENDERER_STANDIN_WHOLE_ARRAYS", L"0");
  D5API_AddIndexedTriangle(1, u"Floor", &mesh);
  ReadJournal();
  const auto calls = JournalCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0]["position_values"].array.size(), 9u);
  EXPECT_EQ(calls[0]["index_values"].array.size(), 3u);
  EXPECT_EQ(calls[0]["attr1_values"].type, testing::Json::Type::Null);
  EXPECT_FALSE(calls[1].Has("position_values"));
}

}  // namespace
}  // namespace tarnwick
