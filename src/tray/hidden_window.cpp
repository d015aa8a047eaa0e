// Tray presence: the hidden window, its exported window procedure CBWINDOW and the
// notification-area icon record.
#include "tray/hidden_window.h"

#include <cstring>

uint32_t HiddenWindow = 0;
NOTIFYICONDATAA TrayIconData;
HICON TrayIcon = 0;
HWND RestoreWindow = 0;

namespace {

// The class name, kept in its 64-byte text buffer.
char HiddenClassName[64] = "QXHIDDEN";

// Fills the icon record for the window being created: callback message, icon and tip "Wow!".
void FillTrayIconData(HWND window) {
  TrayIconData.cbSize = sizeof(NOTIFYICONDATAA);
  TrayIconData.hWnd = window;
  TrayIconData.uID = HandleNumber(GetModuleHandleA(nullptr));
  TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  TrayIconData.uCallbackMessage = TrayCallbackMessage;
  TrayIconData.hIcon = TrayIcon;
  std::memset(TrayIconData.szTip, 0, sizeof TrayIconData.szTip);
  std::memcpy(TrayIconData.szTip, "Wow!", 4);
}

}  // namespace

// Registers the hidden window's class and creates the window, hidden.
uint32_t CreateHiddenWindow() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = WNDCLASSEXA_SIZE;
  windowClass.style = CS_VREDRAW | CS_HREDRAW;
  windowClass.lpfnWndProc = CBWINDOW;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = HiddenClassName;
  // A second registration fails quietly and the class already there serves.
  RegisterClassExA(&windowClass);

  HWND window = CreateWindowExA(0, HiddenClassName, "Qx Hidden", WS_OVERLAPPEDWINDOW, 5, 5, 10, 10,
                                0, 0, instance, nullptr);
  if (window == 0) return GetLastError();
  ShowWindow(window, SW_HIDE);
  UpdateWindow(window);
  return HandleNumber(window);
}

// Creates the hidden window and serves its messages until the quit message.
uint32_t TrayWindowThread(uint32_t /*ignored*/) {
  HiddenWindow = CreateHiddenWindow();
  if (!IsWindow(WindowOfNumber(HiddenWindow))) return 0;
  MSG message{};
  while (GetMessageA(&message, 0, 0, 0) > 0) {  // -1 (a failed read) ends it too
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

// Fills the icon record on creation; a left-button release on the icon shows RestoreWindow and
// removes the icon. Every message then gets the default handling, whose answer is returned.
extern "C" LRESULT CALLBACK CBWINDOW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    FillTrayIconData(window);
  } else if (message == TrayCallbackMessage &&
             (static_cast<uint32_t>(lParam) & 0xFFFFu) == WM_LBUTTONUP) {
    ShowWindow(RestoreWindow, SW_SHOW);
    Shell_NotifyIconA(NIM_DELETE, &TrayIconData);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
