// The one renderer session: starting the renderer for the host project,
// opening the session, its end, and the program's one error reporter.
#pragma once

#include <array>
#include <string>

#include "renderer/d5api.h"

namespace tarnwick {

// Ten floats: position, target and up (renderer axes), then the field of view.
using RendererCamera = std::array<float, 10>;

// The session record held by the exchange document for the life of the process.
struct RendererSession {
  D5Session handle = 0;
  std::u16string project_path;
  RendererCamera camera{};
};

// Starts the renderer for the session's project path and opens the session;
// true when a handle is held.
bool StartRendererSession(RendererSession& session);

// The project path cut before the last "." of its file name (whole when none), then ".d5a".
std::u16string MakeRendererScenePath(const std::u16string& project_path);

// The renderer's project name: the file name of the project path without its extension.
std::u16string MakeRendererProjectName(const std::u16string& project_path);

// D5API_FlushData with a status that nobody reads: the renderer takes what it was sent.
void FlushRenderer(D5Session handle);

// FlushRenderer when a session is open; without one there is nothing to flush.
void FlushIfSession(const RendererSession& session);

// Ends the session: a non-zero handle goes to D5API_DestroySession and becomes zero.
void EndRendererSession(RendererSession& session);

// Kind of failure that ReportError shows.
enum class ErrorKind : int { kRendererStart = 0, kModelFile = 1 };

// Logs and shows a failure: the renderer start with the renderer's error code, or the
// model file with the header load's result code (its text: "File not found." ...).
void ReportError(ErrorKind kind, int code);

}  // namespace tarnwick
