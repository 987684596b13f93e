// The request word that the host's plug-in puts on the command line, and the
// window message each request travels as to the resident bridge.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// The request a first command-line word asks for; the numbers are the host's request codes.
enum class Request : std::int32_t { kNone = 0, kCamera = 1, kModel = 2, kLight = 3, kViews = 4 };

// What the first command-line word asks for.
struct CommandRequest {
  Request RequestCode = Request::kNone;
  bool ColorMode = false;  // the word was "colorMode"
};

// Words of the command line, each ending at a single space (code 32) or at the
// end; tabs and quotation marks are ordinary characters.
std::vector<std::u16string> SplitCommandLine(std::u16string_view text);

// Matches the first word (exactly, case-sensitively); later words are ignored.
CommandRequest MatchRequest(const std::vector<std::u16string>& words);

// The message posted for a request (protocol.h), or 0 for none.
std::uint32_t RequestMessage(Request request);

// Logs "Args - " and the first word when there is one; nothing otherwise.
void LogRequestWord(const std::vector<std::u16string>& words);

}  // namespace tarnwick
