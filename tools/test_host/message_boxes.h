// Message boxes of other processes, as a user sees them: found by their
// dialog class "#32770", read, and closed with their OK button.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarnwick::test_host {

// One message box as it was found.
struct MessageBoxSeen {
  std::wstring caption;
  std::wstring text;
  DWORD process_id = 0;
};

// The visible top-level dialogs ("#32770") of the given processes.
std::vector<HWND> MessageBoxesOf(const std::vector<DWORD>& process_ids);

// The box's caption and text; the text is its static control's, or that of all its static children.
MessageBoxSeen ReadMessageBox(HWND box);

// Presses OK and waits up to timeout_ms for the box to go; true when it went.
bool CloseMessageBox(HWND box, DWORD timeout_ms);

// The box's text with line feeds shown as "\n", for printing on one line.
std::string OneLine(const std::wstring& text);

}  // namespace tarnwick::test_host
