#include "app/message_window.h"

#include "app/bridge_state.h"
#include "app/resource.h"
#include "bridge/command_line.h"
#include "bridge/request_queue.h"
#include "bridge/requests.h"

namespace tarnwick::app {

namespace {

// The window object whose handle is cleared when its window goes away.
MessageWindow* g_owner = nullptr;

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
  if (LOWORD(wparam) == IDM_EXIT) {
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
  if (g_owner == this) g_owner = nullptr;
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
  g_owner = this;
  handle_ = CreateWindowExW(0, class_name, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                            CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
  if (handle_ == nullptr) return false;
  ShowWindow(handle_, SW_HIDE);
  UpdateWindow(handle_);
  return true;
}

LRESULT CALLBACK MessageWindow::Procedure(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam) {
  const LRESULT result = DispatchBridgeMessage(window, message, wparam, lparam);
  // The handle must not outlive the window: a later destroy would hit a reused handle.
  if (message == WM_NCDESTROY && g_owner != nullptr && g_owner->handle_ == window) {
    g_owner->handle_ = nullptr;
  }
  return result;
}

}  // namespace tarnwick::app
