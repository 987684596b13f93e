// Scenarios of the host simulator: a small line-oriented script, one step a
// line, and the scenarios built in by name.
//
//   # a comment, said when the scenario runs; blank lines are skipped
//   folder temp | folder PATH          APPDATA: a private temporary folder (the default) or PATH
//   env NAME [VALUE]                   an environment variable for every Tarnwick.exe started later
//   renderer own | renderer standin    the renderer's window: the simulator's own (the default)
//                                      or the one the stand-in D5Api.dll starts
//   open-host | close-host             open (it is open at first) or close the host's window
//   close-renderer                     close the renderer's window, whoever owns it
//   write FILE SOURCE                  the host writes an exchange file; SOURCE is demo-model,
//                                      demo-update, demo-camera, demo-views, small-model,
//                                      model-v6, sample NAME (the house sample), file PATH, or
//                                      text TEXT (with \n for line feeds)
//   remove FILE | remove-folder        the host deletes an exchange file, or the exchange folder
//   answer SOURCE | answer none        what the host writes as "_mod.sm" when the bridge asks
//                                      (message 1137) before it posts 1027; none: no answer
//   start [WORD]                       start Tarnwick.exe WORD, the resident bridge, and wait
//                                      for its start-up export and its request
//   forward WORD                       start a second Tarnwick.exe WORD; wait for it to end and
//                                      for the resident bridge to serve the request
//   post WORD | post NUMBER            post the request's message to the window "Tarnwick"
//   expect-box CAPTION                 wait for the bridge's message box, read it, press OK
//   wait-end [MS]                      wait (3000 ms by default) for the resident bridge to end
//   pause MS                           serve messages for a while
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick::host_sim {

// One step: its command and the words after it.
struct Step {
  int line = 0;
  std::string command;
  std::vector<std::string> words;
  std::string text;  // everything after the command, blanks inside kept

  // The text after the first n words.
  std::string TextAfter(std::size_t n) const;
};

// A parsed script, or the first error found in it.
struct Script {
  std::vector<Step> steps;
  std::string error;  // "line N: ..."; empty when the script is sound
};

// Parses and checks a script; nothing runs yet.
Script ParseScript(std::string_view text);

// The text of a built-in scenario; nothing for an unknown name.
std::optional<std::string> BuiltInScenario(std::string_view name);

// The built-in scenarios' names with a line about each.
std::vector<std::pair<std::string, std::string>> BuiltInScenarios();

// The window message of a request word or number ("cameraSync" 1025, "ModelSync" 1026,
// "lightSync" 1028, "viewsSync" 1029, "1027" 1027); 0 when the bridge posts nothing for it.
unsigned RequestMessage(std::string_view word);

}  // namespace tarnwick::host_sim
