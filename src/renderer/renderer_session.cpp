#include "renderer/renderer_session.h"

#include <cstdint>
#include <string>

#include "exchange/log_file.h"
#include "platform/message_box.h"
#include "platform/text.h"

namespace tarnwick {

namespace {

// What the bridge tells the renderer about itself.
constexpr char kClientName[] = "ZavuZAD";
constexpr char kClientVersion[] = "1.0";

// Our access string for the renderer's client library: ten letter-digit pairs.
constexpr char kAccessString[] = "t3a7r1n9w4i2c6k8z5q0";
static_assert(sizeof kAccessString - 1 == 20);

// Where the user can get the renderer when it is missing.
constexpr char16_t kRendererWebAddress[] = u"https://www.d5render.com/";

constexpr char16_t kSceneFileExtension[] = u".d5a";

// Passed by address at session start; the renderer gives the fields their meaning.
constexpr SceneSetting kSceneSetting{1.0f, 2, 0};

void ReportRendererStartError(int code) {
  WriteLog("Connection Error: " + std::to_string(code));
  ShowMessageBox(u"Error: missing D5 Render application!",
                 std::u16string(u"Missing the D5 render. Install it and start the command.") +
                     u"\n\n" + kRendererWebAddress);
}

const char* ModelFileErrorText(int code) {
  switch (code) {
    case 2: return "File not found.";
    case 3: return "Version not supported.";
    case 4: return "File format error.";
    default: return "";
  }
}

void ReportModelFileError(int code) {
  const std::string text = ModelFileErrorText(code);
  WriteLog(text);
  ShowMessageBox(u"Error: D5 Render application!", WidenLatin1(text));
}

}  // namespace

std::u16string MakeRendererProjectName(const std::u16string& project_path) {
  const std::size_t slash = project_path.find_last_of(u"\\/");
  std::u16string name =
      slash == std::u16string::npos ? project_path : project_path.substr(slash + 1);
  const std::size_t dot = name.rfind(u'.');
  if (dot != std::u16string::npos) name.resize(dot);
  return name;
}

std::u16string MakeRendererScenePath(const std::u16string& project_path) {
  // Only a '.' in the file name cuts: a dot in a folder name (D:\Work.2026\Villa)
  // would put the scene outside the project's folder, shared by its neighbours.
  const std::size_t slash = project_path.find_last_of(u"\\/");
  const std::size_t name_start = slash == std::u16string::npos ? 0 : slash + 1;
  const std::size_t dot = project_path.rfind(u'.');
  const bool cut = dot != std::u16string::npos && dot >= name_start;
  return (cut ? project_path.substr(0, dot) : project_path) + kSceneFileExtension;
}

bool StartRendererSession(RendererSession& session) {
  WriteLog("Init Start");
  const std::u16string project = MakeRendererProjectName(session.project_path);
  std::int32_t error_code = 0;
  if (D5API_StartD5Render(project.c_str(), kClientName, kClientVersion, &error_code) != 0) {
    ReportError(ErrorKind::kRendererStart, error_code);
    return false;
  }
  std::int32_t session_value = 0;
  const int result = D5API_CreateSession(&session.handle, 0, kAccessString, &session_value);
  if (result != 0) {
    // Logged so that a failed start is never silent: the process ends right after.
    WriteLog("Session Error: " + std::to_string(result));
    session.handle = 0;
    return false;
  }
  D5API_SetSceneSetting(session.handle, &kSceneSetting);
  D5API_SetModelFilePath(session.handle, MakeRendererScenePath(session.project_path).c_str());
  D5API_SaveToFiles(session.handle, MakeRendererScenePath(session.project_path).c_str());
  return session.handle != 0;
}

void EndRendererSession(RendererSession& session) {
  if (session.handle == 0) return;
  D5API_DestroySession(session.handle);
  session.handle = 0;
}

void ReportError(ErrorKind kind, int code) {
  switch (kind) {
    case ErrorKind::kRendererStart: ReportRendererStartError(code); break;
    case ErrorKind::kModelFile: ReportModelFileError(code); break;
  }
}

void FlushRenderer(D5Session handle) {
  std::int32_t status = 0;
  D5API_FlushData(handle, &status);
}

void FlushIfSession(const RendererSession& session) {
  if (session.handle != 0) FlushRenderer(session.handle);
}

}  // namespace tarnwick
