#include "host_sim/scenario.h"

#include <algorithm>
#include <cstdlib>

#include "protocol/protocol.h"

namespace tarnwick::host_sim {

namespace {

constexpr int kAny = -1;

// Each command with the least and the most words it takes.
struct CommandShape {
  std::string_view name;
  int least;
  int most;
};

constexpr CommandShape kCommands[] = {
    {"folder", 1, kAny},     {"env", 1, kAny},         {"renderer", 1, 1}, {"open-host", 0, 0},
    {"close-host", 0, 0},    {"close-renderer", 0, 0}, {"write", 2, kAny}, {"remove", 1, 1},
    {"remove-folder", 0, 0}, {"answer", 1, kAny},      {"start", 0, 1},    {"forward", 1, 1},
    {"post", 1, 1},          {"expect-box", 1, kAny},  {"wait-end", 0, 1}, {"pause", 1, 1},
};

constexpr std::string_view kSources[] = {"demo-model", "demo-update", "demo-camera",
                                         "demo-views", "small-model", "model-v6",
                                         "sample",     "file",        "text"};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t begin = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > begin) words.emplace_back(text.substr(begin, i - begin));
  }
  return words;
}

bool IsNumber(std::string_view word) {
  return !word.empty() &&
         std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The step's own rules beyond its word count; an error text or "".
std::string CheckStep(const Step& step) {
  if (step.command == "renderer" && step.words[0] != "own" && step.words[0] != "standin") {
    return "renderer is own or standin";
  }
  const bool takes_source = step.command == "write" || step.command == "answer";
  if (takes_source) {
    const std::size_t at = step.command == "write" ? 1 : 0;
    if (step.command == "answer" && step.words[0] == "none") return "";
    const std::string& source = step.words[at];
    if (std::find(std::begin(kSources), std::end(kSources), source) == std::end(kSources)) {
      return "unknown source " + source;
    }
    if ((source == "sample" || source == "file") && step.words.size() <= at + 1) {
      return source + " needs a name";
    }
  }
  if ((step.command == "pause" || step.command == "wait-end") && !step.words.empty() &&
      !IsNumber(step.words[0])) {
    return step.command + " takes milliseconds";
  }
  return "";
}

}  // namespace

std::string Step::TextAfter(std::size_t n) const {
  std::size_t i = 0;
  for (std::size_t skipped = 0; skipped < n; ++skipped) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
  }
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::size_t end = text.size();
  while (end > i && IsBlank(text[end - 1])) --end;
  return text.substr(i, end - i);
}

Script ParseScript(std::string_view text) {
  Script script;
  int number = 0;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text = lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
    ++number;
    std::vector<std::string> words = Words(line);
    if (words.empty()) continue;
    Step step;
    step.line = number;
    if (words[0][0] == '#') {
      // A comment is said aloud when the scenario runs.
      step.command = "#";
      step.text = std::string(line.substr(line.find('#') + 1));
      step.text = step.TextAfter(0);
      script.steps.push_back(std::move(step));
      continue;
    }
    step.command = words[0];
    step.text = std::string(line.substr(line.find(words[0]) + words[0].size()));
    step.text = step.TextAfter(0);
    step.words.assign(words.begin() + 1, words.end());
    const auto shape = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const CommandShape& c) { return c.name == step.command; });
    std::string error;
    const int count = static_cast<int>(step.words.size());
    if (shape == std::end(kCommands)) {
      error = "unknown command " + step.command;
    } else if (count < shape->least || (shape->most != kAny && count > shape->most)) {
      error = step.command + " takes " +
              (shape->most == kAny ? "at least " + std::to_string(shape->least)
               : shape->most == shape->least
                   ? std::to_string(shape->least)
                   : std::to_string(shape->least) + " to " + std::to_string(shape->most)) +
              " words";
    } else {
      error = CheckStep(step);
    }
    if (!error.empty()) {
      script.error = "line " + std::to_string(number) + ": " + error;
      script.steps.clear();
      return script;
    }
    script.steps.push_back(std::move(step));
  }
  return script;
}

unsigned RequestMessage(std::string_view word) {
  if (word == "cameraSync") return protocol::MSG_CAMERA_SYNC;
  if (word == "ModelSync") return protocol::MSG_MODEL_SYNC_PREPARE;
  if (word == "lightSync") return protocol::MSG_LIGHT_SYNC;
  if (word == "viewsSync") return protocol::MSG_VIEWS_SYNC;
  if (IsNumber(word) && word.size() < 6) {
    return static_cast<unsigned>(std::atoi(std::string(word).c_str()));
  }
  return 0;
}

}  // namespace tarnwick::host_sim
