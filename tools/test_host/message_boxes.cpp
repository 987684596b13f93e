#include "test_host/message_boxes.h"

#include "test_host/bridge_process.h"

#include <algorithm>

namespace tarnwick::test_host {

namespace {

// A window's text; WM_GETTEXT crosses process boundaries where the window
// manager's own copy of a control's text may lag behind.
std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) {
    length = static_cast<DWORD_PTR>(GetWindowTextLengthW(window));
  }
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                           SMTO_ABORTIFHUNG, 1000, &copied)) {
    copied =
        static_cast<DWORD_PTR>(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
  }
  text.resize(std::min<std::size_t>(copied, text.size() - 1));
  return text;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM data) {
  wchar_t class_name[16] = {};
  GetClassNameW(child, class_name, 16);
  if (_wcsicmp(class_name, L"Static") == 0) *reinterpret_cast<std::wstring*>(data) += TextOf(child);
  return TRUE;
}

}  // namespace

std::vector<HWND> MessageBoxesOf(const std::vector<DWORD>& process_ids) {
  std::vector<HWND> boxes;
  for (HWND window : WindowsOfClass(L"#32770")) {
    const DWORD owner = WindowProcessId(window);
    if (IsWindowVisible(window) &&
        std::find(process_ids.begin(), process_ids.end(), owner) != process_ids.end()) {
      boxes.push_back(window);
    }
  }
  return boxes;
}

MessageBoxSeen ReadMessageBox(HWND box) {
  MessageBoxSeen seen;
  seen.caption = TextOf(box);
  GetWindowThreadProcessId(box, &seen.process_id);
  // A message box's text control has the identifier 0xFFFF.
  if (const HWND text = GetDlgItem(box, 0xFFFF)) seen.text = TextOf(text);
  if (seen.text.empty()) {
    EnumChildWindows(box, &CollectStaticText, reinterpret_cast<LPARAM>(&seen.text));
  }
  return seen;
}

bool CloseMessageBox(HWND box, DWORD timeout_ms) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  for (DWORD waited = 0; waited < timeout_ms; waited += 20) {
    if (!IsWindow(box)) return true;
    Sleep(20);
  }
  return !IsWindow(box);
}

std::string OneLine(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c == L'\n') {
      out += "\\n";
    } else if (c == L'\r') {
      out += "\\r";
    } else {
      out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
  }
  return out;
}

}  // namespace tarnwick::test_host
