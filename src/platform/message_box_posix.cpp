#include "platform/message_box.h"

namespace tarnwick {

namespace {

std::vector<RecordedMessageBox>& Recorded() {
  static std::vector<RecordedMessageBox> boxes;
  return boxes;
}

}  // namespace

void ShowMessageBox(const std::u16string& caption, const std::u16string& text) {
  Recorded().push_back({caption, text});
}

std::vector<RecordedMessageBox> TakeRecordedMessageBoxes() {
  std::vector<RecordedMessageBox> boxes;
  boxes.swap(Recorded());
  return boxes;
}

}  // namespace tarnwick
