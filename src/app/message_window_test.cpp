// The hidden window's handling of system messages (under Wine).
#include "app/message_window.h"

#include <gtest/gtest.h>

namespace tarnwick::app {
namespace {

constexpr wchar_t kTestClass[] = L"TarnwickWindowTest";

// True when WM_QUIT with exit code 0 is waiting in this thread's queue.
bool QuitPosted() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) return message.wParam == 0;
    DispatchMessageW(&message);
  }
  return false;
}

TEST(MessageWindowTest, CommandOtherThan105AndUnknownMessagesChangeNothing) {
  MessageWindow::Register(GetModuleHandleW(nullptr), kTestClass);
  MessageWindow window;
  ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), kTestClass, L"Tarnwick"));
  EXPECT_FALSE(IsWindowVisible(window.handle()));
  EXPECT_EQ(SendMessageW(window.handle(), WM_COMMAND, MAKEWPARAM(106, 0), 0), 0);
  EXPECT_EQ(SendMessageW(window.handle(), WM_USER + 6, 1, 2), 0);  // 1030
  EXPECT_TRUE(IsWindow(window.handle()));
  EXPECT_FALSE(QuitPosted());
}

TEST(MessageWindowTest, Command105DestroysTheWindowAndEndsTheLoop) {
  MessageWindow::Register(GetModuleHandleW(nullptr), kTestClass);
  MessageWindow window;
  ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), kTestClass, L"Tarnwick"));
  const HWND handle = window.handle();
  EXPECT_EQ(SendMessageW(handle, WM_COMMAND, MAKEWPARAM(105, 0), 0), 0);
  EXPECT_FALSE(IsWindow(handle));
  EXPECT_EQ(window.handle(), nullptr);
  EXPECT_TRUE(QuitPosted());
}

TEST(MessageWindowTest, ClosingTheWindowAlsoEndsTheLoop) {
  MessageWindow::Register(GetModuleHandleW(nullptr), kTestClass);
  MessageWindow window;
  ASSERT_TRUE(window.Create(GetModuleHandleW(nullptr), kTestClass, L"Tarnwick"));
  SendMessageW(window.handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(window.handle(), nullptr);
  EXPECT_TRUE(QuitPosted());
}

TEST(MessageWindowTest, CreationFailsForAnUnregisteredClass) {
  MessageWindow window;
  EXPECT_FALSE(window.Create(GetModuleHandleW(nullptr), L"TarnwickNoSuchClass", L"Tarnwick"));
  EXPECT_EQ(window.handle(), nullptr);
}

}  // namespace
}  // namespace tarnwick::app
