// The stand-in renderer's test-only interface (native builds): the calls it
// recorded, as the same JSON lines its journal file holds, and the results it
// gives. The DLL build takes the same settings from the environment:
// RENDERER_STANDIN_JOURNAL, RENDERER_STANDIN_START_RESULT,
// RENDERER_STANDIN_START_ERROR, RENDERER_STANDIN_SESSION_RESULT,
// RENDERER_STANDIN_NO_WINDOW, RENDERER_STANDIN_WHOLE_ARRAYS (the journal's path
// once per process unless RENDERER_STANDIN_SETTINGS_EACH_CALL is set). The DLL
// alone crashes on request: RENDERER_STANDIN_FAULT names the recorded call that
// faults, RENDERER_STANDIN_FAULT_AFTER how many of its calls pass first,
// RENDERER_STANDIN_FAULT_KIND how it ends the process (standin_faults_win32.cpp).
#pragma once

#include <string>
#include <vector>

namespace standin {

// How the stand-in answers; native builds start no renderer window.
struct Options {
  int start_result = 0;
  int start_error = 0;
  int session_result = 0;
  bool record = true;  // false: keep no records at all (benchmarks)
  // true: read every name and array the bridge passes, as the renderer would,
  // but keep no journal (fuzzing: the sanitizers see each byte, cheaply).
  bool digest_only = false;
  // true: triangle batches also carry their whole arrays, read as the renderer
  // reads them: per vertex three position floats, three floats of the second
  // attribute array (normals) and two of the first (texture coordinates).
  bool whole_arrays = false;
};

// Replaces the options and empties the in-memory journal.
void Configure(const Options& options);

// Empties the in-memory journal.
void ResetJournal();

// Every call since the last reset, one JSON object per line, without the LF.
const std::vector<std::string>& JournalLines();

}  // namespace standin
