// Tests of the in-process windowing layer: classes, creation, queues and the icon set.
#include "platform/windowing/windowing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

std::vector<MSG> Seen;  // messages that reached RecordingProcedure
LRESULT CreateAnswer = 0;

// A window procedure that notes every message and answers WM_CREATE with CreateAnswer.
LRESULT RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG seen;
  seen.hwnd = window;
  seen.message = message;
  seen.wParam = wParam;
  seen.lParam = lParam;
  Seen.push_back(seen);
  if (message == WM_CREATE) return CreateAnswer;
  if (message == WM_USER) return static_cast<LRESULT>(wParam + 1);
  return DefWindowProcA(window, message, wParam, lParam);
}

// Registers the recording class once.
void RegisterRecordingClass() {
  WNDCLASSEXA windowClass;
  windowClass.cbSize = WNDCLASSEXA_SIZE;
  windowClass.lpfnWndProc = RecordingProcedure;
  windowClass.lpszClassName = "TavrelTestRecording";
  RegisterClassExA(&windowClass);
}

TEST(Windowing, ClassRegistrationChecksItsRecord) {
  WNDCLASSEXA windowClass;
  windowClass.cbSize = 47;
  windowClass.lpfnWndProc = RecordingProcedure;
  windowClass.lpszClassName = "TavrelTestChecked";
  SetLastError(0);
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  windowClass.cbSize = 48;
  EXPECT_NE(RegisterClassExA(&windowClass), 0);
  windowClass.lpszClassName = "tavreltestCHECKED";
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);
  EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);
  EXPECT_TRUE(UnregisterClassA("TavrelTestChecked", 0));
  EXPECT_FALSE(UnregisterClassA("TavrelTestChecked", 0));
}

TEST(Windowing, CreationFailuresLeaveTheirErrorCode) {
  RegisterRecordingClass();
  SetLastError(0);
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
  EXPECT_EQ(CreateWindowExA(0, "TavrelTestRecording", "", 0, 0, 0, 1, 1, 0x7777, 0, 0, nullptr),
            0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  SetWindowCreationFailure(1816);
  EXPECT_EQ(CreateWindowExA(0, "TavrelTestRecording", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr), 0u);
  EXPECT_EQ(GetLastError(), 1816u);
  SetWindowCreationFailure(0);

  // A procedure refusing WM_CREATE stops the creation after both creation messages.
  Seen.clear();
  CreateAnswer = -1;
  EXPECT_EQ(CreateWindowExA(0, "TavrelTestRecording", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr), 0u);
  CreateAnswer = 0;
  ASSERT_EQ(Seen.size(), 2u);
  EXPECT_EQ(Seen[0].message, WM_NCCREATE);
  EXPECT_EQ(Seen[1].message, WM_CREATE);
  EXPECT_FALSE(IsWindow(Seen[1].hwnd));
}

TEST(Windowing, MessagesComeInOrderAndQuitEndsTheLoop) {
  RegisterRecordingClass();
  HWND window =
      CreateWindowExA(0, "TavrelTestRecording", "Title", WS_VISIBLE, 0, 0, 1, 1, 0, 0, 0, nullptr);
  ASSERT_TRUE(IsWindow(window));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(ShowWindow(window, SW_HIDE), 1);
  EXPECT_EQ(ShowWindow(window, SW_HIDE), 0);
  EXPECT_FALSE(IsWindowVisible(window));

  Seen.clear();
  ASSERT_TRUE(PostMessageA(window, WM_USER, 41, -5));
  ASSERT_TRUE(PostMessageA(window, WM_USER + 1, 2, 3));
  PostQuitMessage(17);
  ASSERT_TRUE(PostMessageA(window, WM_USER + 2, 0, 0));  // after the quit: never read here
  MSG message;
  ASSERT_EQ(GetMessageA(&message, 0, 0, 0), 1);
  EXPECT_EQ(message.message, WM_USER);
  EXPECT_EQ(DispatchMessageA(&message), 42);
  ASSERT_EQ(GetMessageA(&message, 0, 0, 0), 1);
  EXPECT_EQ(DispatchMessageA(&message), 0);
  EXPECT_EQ(GetMessageA(&message, 0, 0, 0), 0);
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 17u);
  ASSERT_EQ(Seen.size(), 2u);
  EXPECT_EQ(Seen[0].lParam, -5);
  EXPECT_EQ(Seen[1].message, WM_USER + 1u);
  EXPECT_EQ(Seen[1].wParam, 2u);
  ASSERT_TRUE(PeekMessageA(&message, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_USER + 2u);
  EXPECT_FALSE(PeekMessageA(&message, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(GetMessageA(&message, 0x7777, 0, 0), -1);

  // WM_CLOSE by default destroys the window.
  EXPECT_EQ(DefWindowProcA(window, WM_GETTEXTLENGTH, 0, 0), 5);
  DefWindowProcA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Seen.back().message, WM_NCDESTROY);
  EXPECT_FALSE(PostMessageA(window, WM_USER, 0, 0));
}

TEST(Windowing, APostFromAnotherThreadWakesTheLoop) {
  RegisterRecordingClass();
  HWND window = CreateWindowExA(0, "TavrelTestRecording", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr);
  ASSERT_TRUE(IsWindow(window));
  std::thread poster([window] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    PostMessageA(window, WM_USER + 9, 1, 2);
  });
  MSG message;
  EXPECT_EQ(GetMessageA(&message, 0, 0, 0), 1);
  poster.join();
  EXPECT_EQ(message.hwnd, window);
  EXPECT_EQ(message.message, WM_USER + 9u);
  // A window belongs to its thread: another thread cannot dispatch to it or destroy it.
  LRESULT dispatched = 1;
  BOOL destroyed = 1;
  std::thread other([&] {
    dispatched = DispatchMessageA(&message);
    destroyed = DestroyWindow(window);
  });
  other.join();
  EXPECT_EQ(dispatched, 0);
  EXPECT_EQ(destroyed, 0);
  EXPECT_TRUE(DestroyWindow(window));
}

TEST(Windowing, NotificationAreaKeepsOneIconPerWindowAndId) {
  RegisterRecordingClass();
  HWND window = CreateWindowExA(0, "TavrelTestRecording", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr);
  NOTIFYICONDATAA icon;
  icon.cbSize = 88;
  icon.hWnd = window;
  icon.uID = 3;
  icon.uFlags = NIF_MESSAGE | NIF_TIP;
  icon.uCallbackMessage = 2025;
  icon.hIcon = 55;  // not taken: NIF_ICON is not set
  std::strcpy(icon.szTip, "Tip");

  NOTIFYICONDATAA found;
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &icon));
  EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &icon));
  icon.cbSize = 87;
  EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &icon));
  icon.cbSize = 88;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &icon));
  EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &icon));
  ASSERT_TRUE(FindNotifyIcon(window, 3, &found));
  EXPECT_EQ(found.uCallbackMessage, 2025u);
  EXPECT_EQ(found.hIcon, 0u);
  EXPECT_STREQ(found.szTip, "Tip");

  icon.uFlags = NIF_ICON;
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &icon));
  ASSERT_TRUE(FindNotifyIcon(window, 3, &found));
  EXPECT_EQ(found.hIcon, 55u);
  EXPECT_STREQ(found.szTip, "Tip");
  EXPECT_FALSE(FindNotifyIcon(window, 4, nullptr));
  EXPECT_TRUE(Shell_NotifyIconA(NIM_DELETE, &icon));
  EXPECT_FALSE(FindNotifyIcon(window, 3, nullptr));

  icon.hWnd = 0x7777;  // not a window
  EXPECT_FALSE(Shell_NotifyIconA(NIM_ADD, &icon));
  DestroyWindow(window);
}

TEST(Windowing, ModuleHandleIsTheProgramsOnly) {
  EXPECT_NE(GetModuleHandleA(nullptr), 0u);
  EXPECT_EQ(GetModuleHandleA("kernel32.dll"), 0u);
  EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  EXPECT_TRUE(IsWindow(GetDesktopWindow()));
}

}  // namespace
