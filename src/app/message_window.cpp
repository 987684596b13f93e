#include "app/message_window.h"

#include "app/bridge_state.h"
#include "app/resource.h"
#include "bridge/request_queue.h"
#include "bridge/requests.h"
#include "protocol/protocol.h"

namespace tarnwick::app {

namespace {

using namespace protocol;

void OnCameraSync() {
  ServeCameraSync(Document());
}

void OnModelSyncPrepare() {
  const HWND host = FindHostWindowOnce();
  ServeModelSyncPrepare(Document(), [host] {
    // Without a host window the notice has nobody to reach; posting to a null
    // window would land in our own queue instead.
    if (host != nullptr) {
      PostMessageW(host, MSG_HOST_SYNC_READY, 0, kHostSyncReadyLParam);
    }
  });
}

void OnModelSyncApply() {
  ServeModelSyncApply(Document());
}

void OnLightSync() {
  ServeLightSync(Document());
}

void OnViewsSync() {
  ServeViewsSync(Document());
}

// Runs one host request to completion.
void ServeRequest(std::uint32_t message) {
  switch (message) {
    case MSG_CAMERA_SYNC: OnCameraSync(); break;
    case MSG_MODEL_SYNC_PREPARE: OnModelSyncPrepare(); break;
    case MSG_MODEL_SYNC_APPLY: OnModelSyncApply(); break;
    case MSG_LIGHT_SYNC: OnLightSync(); break;
    case MSG_VIEWS_SYNC: OnViewsSync(); break;
    default: break;
  }
}

// Requests wait here until the start-up export has succeeded: a message box's
// loop dispatches them too, and there is no session to serve them with before.
RequestQueue& Requests() {
  static RequestQueue queue(&ServeRequest);
  return queue;
}

LRESULT OnCommand(HWND window, WPARAM wparam, LPARAM lparam) {
  if (LOWORD(wparam) == kExitCommand) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcW(window, WM_COMMAND, wparam, lparam);
}

LRESULT OnDestroy() {
  PostQuitMessage(0);
  return 0;
}

}  // namespace

LRESULT DispatchBridgeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (IsHostRequest(message)) {
    Requests().Receive(message);
    return 0;
  }
  switch (message) {
    case WM_COMMAND: return OnCommand(window, wparam, lparam);
    case WM_DESTROY: return OnDestroy();
    default: return DefWindowProcW(window, message, wparam, lparam);
  }
}

void StartServingRequests() { Requests().StartServing(); }

MessageWindow::~MessageWindow() {
  if (handle_ != nullptr && IsWindow(handle_)) DestroyWindow(handle_);
}

void MessageWindow::Register(HINSTANCE instance, const wchar_t* class_name) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(WNDCLASSEXW);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = &MessageWindow::Procedure;
  window_class.hInstance = instance;
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TARNWICK));
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = class_name;
  window_class.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
  RegisterClassExW(&window_class);
}

bool MessageWindow::Create(HINSTANCE instance, const wchar_t* class_name, const wchar_t* title) {
  // The window finds this object through the creation data, kept in its user data.
  handle_ = CreateWindowExW(0, class_name, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                            CW_USEDEFAULT, 0, nullptr, nullptr, instance, this);
  if (handle_ == nullptr) return false;
  ShowWindow(handle_, SW_HIDE);
  UpdateWindow(handle_);
  return true;
}

LRESULT CALLBACK MessageWindow::Procedure(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* owner = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  const LRESULT result = DispatchBridgeMessage(window, message, wparam, lparam);
  // The handle must not outlive the window: a later destroy would hit a reused handle.
  if (message == WM_NCDESTROY && owner != nullptr) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (owner->handle_ == window) owner->handle_ = nullptr;
  }
  return result;
}

}  // namespace tarnwick::app
