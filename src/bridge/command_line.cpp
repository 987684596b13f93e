#include "bridge/command_line.h"

#include "exchange/log_file.h"
#include "protocol/protocol.h"

namespace tarnwick {

std::vector<std::u16string> SplitCommandLine(std::u16string_view text) {
  std::vector<std::u16string> words;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t space = text.find(u' ', start);
    if (space == std::u16string_view::npos) {
      words.emplace_back(text.substr(start));
      break;
    }
    // The ending space counts as consumed, so "a  b" gives an empty middle word
    // while a trailing space ends the loop without adding one.
    words.emplace_back(text.substr(start, space - start));
    start = space + 1;
  }
  return words;
}

CommandRequest MatchRequest(const std::vector<std::u16string>& words) {
  CommandRequest request;
  if (words.empty()) return request;
  const std::u16string& word = words.front();
  if (word == u"cameraSync") {
    request.RequestCode = Request::kCamera;
  } else if (word == u"ModelSync") {
    request.RequestCode = Request::kModel;
  } else if (word == u"lightSync") {
    request.RequestCode = Request::kLight;
  } else if (word == u"viewsSync") {
    request.RequestCode = Request::kViews;
  } else if (word == u"colorMode") {
    request.ColorMode = true;
  }
  return request;
}

std::uint32_t RequestMessage(Request request) {
  switch (request) {
    case Request::kCamera: return protocol::MSG_CAMERA_SYNC;
    case Request::kModel: return protocol::MSG_MODEL_SYNC_PREPARE;
    // 1027 is the host's own apply message; a light request is served by 1028.
    case Request::kLight: return protocol::MSG_LIGHT_SYNC;
    case Request::kViews: return protocol::MSG_VIEWS_SYNC;
    case Request::kNone: break;
  }
  return 0;
}

void LogRequestWord(const std::vector<std::u16string>& words) {
  if (words.empty()) return;
  WriteLog("Args - ");
  WriteLogW(words.front());
}

}  // namespace tarnwick
