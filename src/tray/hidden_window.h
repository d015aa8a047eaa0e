// Tray presence: the hidden window, its exported window procedure CBWINDOW and the
// notification-area icon record. Nothing in the program starts it; it sits idle.
#pragma once

#include <cstdint>

#include "platform/windowing/windowing.h"

// The callback message of the icon (WM_USER + 1001).
constexpr UINT TrayCallbackMessage = WM_USER + 1001;

// The hidden window's handle, or the system error code when its creation failed.
extern uint32_t HiddenWindow;
// The icon record, filled when the hidden window is created; never added by the program.
extern NOTIFYICONDATAA TrayIconData;
// The icon image for the record (none assigned: 0).
extern HICON TrayIcon;
// The window brought into view by a click on the icon (none assigned: 0).
extern HWND RestoreWindow;

// Registers the class "QXHIDDEN" and creates the hidden window; its handle, or the thread's
// last error code when no window was made.
uint32_t CreateHiddenWindow();

// Thread procedure: creates the hidden window and runs its message loop until WM_QUIT; returns
// 0 at once when the window was not created. The argument is ignored.
uint32_t TrayWindowThread(uint32_t ignored);

// The hidden window's procedure, exported from the program under this name.
extern "C" PROGRAM_EXPORT LRESULT CALLBACK CBWINDOW(HWND window, UINT message, WPARAM wParam,
                                                    LPARAM lParam);
