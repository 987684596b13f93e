// What the stand-in's renderer functions need from the build they are part of:
// the native test library keeps its journal in memory and takes its answers
// from standin::Configure; the DLL writes a journal file and takes its answers
// from the environment.
#pragma once

#include <string>

namespace standin::host {

// Whether calls are recorded at all; checked first so that a silent stand-in costs nothing.
bool Recording();

// Whether calls are read as the renderer reads them without any journal text
// being built (a fuzzer's stand-in); only native builds offer it.
bool DigestOnly();

// Whether triangle batches are recorded with their whole arrays besides the hashes.
bool WholeArrays();

// Faults (an access violation) when `fn` is the call a test has chosen to crash the renderer's
// library in (DLL build only; natively nothing happens).
void FaultIfChosen(const char* fn);

// Appends one journal line (without its line end) before the call returns.
void Record(std::string line);

// The result of D5API_StartD5Render and the error code it writes.
int StartResult();
int StartError();

// The result of D5API_CreateSession.
int SessionResult();

// Makes sure that the renderer's main window exists, after the start-up pause
// that a test may ask for (DLL build only).
void EnsureRendererWindow();

}  // namespace standin::host
