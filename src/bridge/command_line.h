// The request word that the host's plug-in puts on the command line, and the
// window message each request travels as to the resident bridge.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Requests to the window of class "Tarnwick" (WM_USER + n); wParam and lParam are 0.
inline constexpr std::uint32_t MSG_CAMERA_SYNC = 1025;
inline constexpr std::uint32_t MSG_MODEL_SYNC_PREPARE = 1026;
// Posted only by the host's plug-in, once it has written "_mod.sm".
inline constexpr std::uint32_t MSG_MODEL_SYNC_APPLY = 1027;
inline constexpr std::uint32_t MSG_LIGHT_SYNC = 1028;
inline constexpr std::uint32_t MSG_VIEWS_SYNC = 1029;
// Posted to the host window (lParam 10) once "_mod.sync" is written.
inline constexpr std::uint32_t MSG_HOST_SYNC_READY = 1137;
inline constexpr std::intptr_t kHostSyncReadyLParam = 10;

// What the first command-line word asks for.
struct CommandRequest {
  std::int32_t RequestCode = 0;  // 1 camera, 2 model, 3 light, 4 views; 0 none
  bool ColorMode = false;        // the word was "colorMode"
};

// Words of the command line, each ending at a single space (code 32) or at the
// end; tabs and quotation marks are ordinary characters.
std::vector<std::u16string> SplitCommandLine(std::u16string_view text);

// Matches the first word (exactly, case-sensitively); later words are ignored.
CommandRequest MatchRequest(const std::vector<std::u16string>& words);

// The message posted for a request code, or 0 for a code outside 1 to 4.
std::uint32_t RequestMessage(std::int32_t request_code);

// Logs "Args - " and the first word when there is one; nothing otherwise.
void LogRequestWord(const std::vector<std::u16string>& words);

}  // namespace tarnwick
