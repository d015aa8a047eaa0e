// Tests of the hidden window: its icon record, the icon's click and the thread procedure.
#include "tray/hidden_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

// A plain window of the test thread to stand for the window a click brings into view.
HWND MakeRestoreWindow() {
  WNDCLASSEXA windowClass;
  windowClass.cbSize = WNDCLASSEXA_SIZE;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "TavrelTestRestore";
  RegisterClassExA(&windowClass);  // may already be there from an earlier test
  return CreateWindowExA(0, "TavrelTestRestore", "Restore", 0, 0, 0, 50, 50, 0, 0, 0, nullptr);
}

// The message numbers of the recorded DefWindowProcA calls.
std::vector<UINT> DefMessages() {
  std::vector<UINT> numbers;
  for (const MSG& call : DefWindowProcCalls()) numbers.push_back(call.message);
  return numbers;
}

TEST(HiddenWindow, CreationFillsTheIconRecordAndHidesTheWindow) {
  TrayIcon = 0x4321;
  // Stale values in every field, so each one must be written by the creation.
  TrayIconData.cbSize = TrayIconData.hWnd = TrayIconData.uID = 0xABABABAB;
  TrayIconData.uFlags = TrayIconData.uCallbackMessage = TrayIconData.hIcon = 0xABABABAB;
  std::memset(TrayIconData.szTip, 0xAB, sizeof TrayIconData.szTip);
  RecordDefWindowProcCalls(true);
  uint32_t window = CreateHiddenWindow();
  std::vector<UINT> defMessages = DefMessages();
  RecordDefWindowProcCalls(false);

  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(FindWindowA("QXHIDDEN", "Qx Hidden"), window);
  EXPECT_FALSE(IsWindowVisible(window));
  // Creation went on only because the creation messages got the default answers.
  EXPECT_EQ(defMessages, (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
  EXPECT_EQ(TrayIconData.cbSize, 88u);
  EXPECT_EQ(TrayIconData.hWnd, window);
  EXPECT_EQ(TrayIconData.uID, GetModuleHandleA(nullptr));
  EXPECT_NE(TrayIconData.uID, 0u);
  EXPECT_EQ(TrayIconData.uFlags, 7u);
  EXPECT_EQ(TrayIconData.uCallbackMessage, 2025u);
  EXPECT_EQ(TrayIconData.hIcon, 0x4321u);
  char tip[64] = "Wow!";
  EXPECT_EQ(std::memcmp(TrayIconData.szTip, tip, sizeof tip), 0);
  // Nothing put the icon in the notification area.
  EXPECT_FALSE(FindNotifyIcon(window, TrayIconData.uID, nullptr));

  // A second window: the class is registered already, which is no failure.
  uint32_t second = CreateHiddenWindow();
  EXPECT_TRUE(IsWindow(second));
  EXPECT_NE(second, window);
  EXPECT_EQ(TrayIconData.hWnd, second);
  DestroyWindow(second);
  DestroyWindow(window);
  TrayIcon = 0;
}

TEST(HiddenWindow, OnlyALeftButtonReleaseOnTheIconActs) {
  uint32_t window = CreateHiddenWindow();
  ASSERT_TRUE(IsWindow(window));
  RestoreWindow = MakeRestoreWindow();
  ASSERT_TRUE(IsWindow(RestoreWindow));
  ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &TrayIconData));

  struct Message {
    UINT number;
    LPARAM lParam;
  };
  const Message ignored[] = {
      {2025, 0x0201},      // left button down
      {2025, 0x0203},      // double click
      {2025, 0x02020000},  // 0202 in the high half only
      {2024, 0x0202},      // another message with the click's lParam
      {WM_LBUTTONUP, 0x0202}, {WM_USER, 0x0202},
  };
  for (const Message& m : ignored) {
    SCOPED_TRACE(m.number);
    RecordDefWindowProcCalls(true);
    EXPECT_EQ(CBWINDOW(window, m.number, 7, m.lParam), 0);
    std::vector<MSG> calls = DefWindowProcCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].hwnd, window);
    EXPECT_EQ(calls[0].message, m.number);
    EXPECT_EQ(calls[0].wParam, 7u);
    EXPECT_EQ(calls[0].lParam, m.lParam);
    EXPECT_FALSE(IsWindowVisible(RestoreWindow));
    EXPECT_TRUE(FindNotifyIcon(window, TrayIconData.uID, nullptr));
  }
  // The default answer is what the procedure answers.
  EXPECT_EQ(CBWINDOW(window, WM_GETTEXTLENGTH, 0, 0), 9);

  // The click: high half of lParam set to show only the low 16 bits count.
  RecordDefWindowProcCalls(true);
  EXPECT_EQ(CBWINDOW(window, 2025, 0, 0x00010202), 0);
  EXPECT_EQ(DefMessages(), std::vector<UINT>{2025});
  RecordDefWindowProcCalls(false);
  EXPECT_TRUE(IsWindowVisible(RestoreWindow));
  EXPECT_FALSE(FindNotifyIcon(window, TrayIconData.uID, nullptr));

  DestroyWindow(RestoreWindow);
  RestoreWindow = 0;
  DestroyWindow(window);
}

TEST(HiddenWindow, ThreadServesTheClickUntilQuit) {
  HWND restore = MakeRestoreWindow();
  RestoreWindow = restore;
  HiddenWindow = 0;
  uint32_t result = 99;
  std::thread tray([&result] { result = TrayWindowThread(12345); });

  // The window appears on the tray thread; wait for it by its class and title.
  HWND window = 0;
  for (int i = 0; i < 500 && window == 0; ++i) {
    window = FindWindowA("QXHIDDEN", "Qx Hidden");
    if (window == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NE(window, 0u);
  // The icon as it would be added (same window and id as the record).
  NOTIFYICONDATAA icon;
  icon.cbSize = 88;
  icon.hWnd = window;
  icon.uID = GetModuleHandleA(nullptr);
  icon.uFlags = NIF_MESSAGE;
  icon.uCallbackMessage = 2025;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &icon));
  ASSERT_TRUE(PostMessageA(window, 2025, 0, WM_LBUTTONUP));
  ASSERT_TRUE(PostMessageA(window, WM_QUIT, 0, 0));
  tray.join();

  EXPECT_EQ(result, 0u);
  EXPECT_EQ(HiddenWindow, window);
  EXPECT_TRUE(IsWindowVisible(restore));
  EXPECT_FALSE(FindNotifyIcon(window, icon.uID, nullptr));
  // The window ended with its thread.
  EXPECT_FALSE(IsWindow(window));
  DestroyWindow(restore);
  RestoreWindow = 0;
}

TEST(HiddenWindow, FailedCreationLeavesTheErrorCodeAndNoLoop) {
  // A quit message waits in this thread's queue: a message loop would take it.
  PostQuitMessage(0);
  SetWindowCreationFailure(8);
  uint32_t result = TrayWindowThread(0);
  SetWindowCreationFailure(0);

  EXPECT_EQ(result, 0u);
  EXPECT_EQ(HiddenWindow, 8u);
  EXPECT_FALSE(IsWindow(HiddenWindow));
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_QUIT);
  HiddenWindow = 0;
}

}  // namespace
