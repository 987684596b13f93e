#include "host_sim/host_window.h"
#include "test_host/protocol_names.h"

namespace tarnwick::host_sim {

namespace {

const wchar_t* const kHostClass = test_host::Wide(protocol::kHostWindowClass);

}  // namespace

HostWindow::HostWindow(std::function<void(WPARAM, LPARAM)> on_sync_ready)
    : on_sync_ready_(std::move(on_sync_ready)) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &HostWindow::Procedure;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = kHostClass;
  RegisterClassExW(&window_class);  // a second window of the process finds the class registered
  handle_ = CreateWindowExW(0, kHostClass, L"Corvella (host simulator)", WS_OVERLAPPEDWINDOW,
                            CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  if (handle_ != nullptr) {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
}

HostWindow::~HostWindow() {
  if (handle_ == nullptr) return;
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  DestroyWindow(handle_);
}

LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message == kSyncReadyMessage) {
    if (self->on_sync_ready_) self->on_sync_ready_(wparam, lparam);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace tarnwick::host_sim
