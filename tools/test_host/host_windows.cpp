#include "test_host/host_windows.h"

namespace tarnwick::test_host {

namespace {

// Registers a class once per process; later registrations of the same name fail harmlessly.
void RegisterWindowClass(const std::wstring& class_name, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = class_name.c_str();
  RegisterClassExW(&window_class);
}

}  // namespace

FakeWindow::FakeWindow(const std::wstring& class_name) {
  RegisterWindowClass(class_name, &FakeWindow::Procedure);
  handle_ = CreateWindowExW(0, class_name.c_str(), class_name.c_str(), WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (handle_ != nullptr) {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
}

FakeWindow::~FakeWindow() { Destroy(); }

void FakeWindow::Destroy() {
  if (handle_ == nullptr) return;
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
  handle_ = nullptr;
}

int FakeWindow::CountOf(UINT message) const {
  return message < 2048 ? counts_[message] : 0;
}

LPARAM FakeWindow::LastLParamOf(UINT message) const {
  return message < 2048 ? last_lparam_[message] : 0;
}

LRESULT CALLBACK FakeWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<FakeWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message >= WM_USER && message < 2048) {
    ++self->counts_[message];
    self->last_lparam_[message] = lparam;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void PumpMessagesFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (condition()) return true;
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    const DWORD wait = static_cast<DWORD>(deadline - now < 20 ? deadline - now : 20);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
  }
}

}  // namespace tarnwick::test_host
