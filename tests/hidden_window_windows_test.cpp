// The hidden window on Windows: the real user32 makes the window of class "QXHIDDEN" hidden,
// the exported CBWINDOW is its procedure and fills the icon record, and a left-button release
// on the icon shows the restore window.
#include "tray/hidden_window.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A top-level window of the system's own "STATIC" class, not shown.
HWND MakeRestoreWindow() {
  return CreateWindowExA(0, "STATIC", "restore", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

TEST(HiddenWindowOnWindows, CreatedHiddenWithItsIconRecord) {
  const uint32_t number = CreateHiddenWindow();
  const HWND window = WindowOfNumber(number);
  ASSERT_TRUE(IsWindow(window)) << "error " << number;
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(FindWindowA("QXHIDDEN", "Qx Hidden"), window);

  // The class's procedure is the exported one, found by its plain name.
  const FARPROC exported = GetProcAddress(GetModuleHandleA(nullptr), "CBWINDOW");
  ASSERT_NE(exported, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(exported), reinterpret_cast<uintptr_t>(&CBWINDOW));
  EXPECT_EQ(static_cast<uintptr_t>(GetClassLongPtrA(window, GCLP_WNDPROC)),
            reinterpret_cast<uintptr_t>(&CBWINDOW));

  EXPECT_EQ(TrayIconData.hWnd, window);
  EXPECT_EQ(TrayIconData.uCallbackMessage, static_cast<UINT>(WM_USER + 1001));
  EXPECT_EQ(TrayIconData.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(TrayIconData.uID, HandleNumber(GetModuleHandleA(nullptr)));
  EXPECT_STREQ(TrayIconData.szTip, "Wow!");
  EXPECT_TRUE(DestroyWindow(window));
}

TEST(HiddenWindowOnWindows, OnlyALeftButtonReleaseOnTheIconShowsTheRestoreWindow) {
  const HWND window = WindowOfNumber(CreateHiddenWindow());
  ASSERT_TRUE(IsWindow(window));
  const struct {
    UINT message;
    LPARAM lParam;
    bool shown;
  } cases[] = {
      {TrayCallbackMessage, WM_LBUTTONDOWN, false},
      {TrayCallbackMessage, WM_LBUTTONDBLCLK, false},
      {TrayCallbackMessage, WM_LBUTTONUP << 16, false},
      {TrayCallbackMessage - 1, WM_LBUTTONUP, false},
      {TrayCallbackMessage, WM_LBUTTONUP, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    SCOPED_TRACE(c.lParam);
    RestoreWindow = MakeRestoreWindow();
    ASSERT_TRUE(IsWindow(RestoreWindow));
    ASSERT_FALSE(IsWindowVisible(RestoreWindow));
    SendMessageA(window, c.message, 0, c.lParam);
    EXPECT_EQ(IsWindowVisible(RestoreWindow) != FALSE, c.shown);
    DestroyWindow(RestoreWindow);
    RestoreWindow = nullptr;
  }
  DestroyWindow(window);
}

}  // namespace
