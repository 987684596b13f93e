#include <windows.h>

#include "platform/message_box.h"

namespace tarnwick {

void ShowMessageBox(const std::u16string& caption, const std::u16string& text) {
  MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()),
              reinterpret_cast<const wchar_t*>(caption.c_str()), MB_OK);
}

std::vector<RecordedMessageBox> TakeRecordedMessageBoxes() { return {}; }

}  // namespace tarnwick
