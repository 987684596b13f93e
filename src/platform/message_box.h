// The program's one way of showing something to the user: a modal OK box with
// no owner window. POSIX builds record the boxes instead, for tests.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

// Shows a modal box with a single OK button and no icon, and waits until it is closed.
void ShowMessageBox(const std::u16string& caption, const std::u16string& text);

// A box as it would have been shown.
struct RecordedMessageBox {
  std::u16string caption;
  std::u16string text;
};

// POSIX builds: the boxes shown since the last call, which empties the record.
std::vector<RecordedMessageBox> TakeRecordedMessageBoxes();

}  // namespace tarnwick
