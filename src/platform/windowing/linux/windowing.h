// Windowing on Linux: window classes, windows, per-thread message queues and notification-area
// icons, kept in process with the names, record layouts and message numbers of the Windows
// calls.
//
// Linux has no such windowing system. This is the least the hidden window and its icon record
// need: windows are entries in a table with a visible flag (nothing is drawn), messages go
// through in-process queues, and icons are records in an in-process set. Handles are 32-bit
// numbers, as on the original 32-bit platform, so that a handle and a system error code can
// share one 32-bit value and never be mistaken for each other.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/process/last_error.h"

using BOOL = int32_t;
using UINT = uint32_t;
using DWORD = uint32_t;
using ATOM = uint16_t;
using WPARAM = uint32_t;
// Pointer-sized, as on Windows, so the same type serves a message and a caller's value.
using LPARAM = intptr_t;
using LRESULT = int32_t;
using HWND = uint32_t;
using HINSTANCE = uint32_t;
using HMODULE = HINSTANCE;
using HICON = uint32_t;
using HCURSOR = uint32_t;
using HBRUSH = uint32_t;
using HMENU = uint32_t;

// The calling convention of a procedure the system calls back: the ordinary one here.
#ifndef CALLBACK
#define CALLBACK
#endif

// Marks the one function the program exports by name (the window procedure): its symbol goes
// into the dynamic table.
#define PROGRAM_EXPORT __attribute__((visibility("default")))

using WNDPROC = LRESULT(CALLBACK*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A handle as the 32-bit number it is on the original platform, and back; handles are such
// numbers here already.
inline uint32_t HandleNumber(uint32_t handle) {
  return handle;
}
inline HWND WindowOfNumber(uint32_t number) {
  return number;
}

// Messages.
constexpr UINT WM_NULL = 0x0000;
constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_USER = 0x0400;

// Class styles, window styles and ShowWindow commands.
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

// PeekMessageA: take the message off the queue.
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;

// Notification-icon commands and record flags.
constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 1;
constexpr UINT NIF_ICON = 2;
constexpr UINT NIF_TIP = 4;

// System error codes that these calls set.
constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr uint32_t ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr uint32_t ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr uint32_t ERROR_WINDOW_OF_OTHER_THREAD = 1408;

// The window class record. cbSize must hold 48, the record's size on the original 32-bit
// platform (pointers are wider here, so the value is the declared size, not sizeof).
struct WNDCLASSEXA {
  UINT cbSize = 0;
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int32_t cbClsExtra = 0;
  int32_t cbWndExtra = 0;
  HINSTANCE hInstance = 0;
  HICON hIcon = 0;
  HCURSOR hCursor = 0;
  HBRUSH hbrBackground = 0;
  const char* lpszMenuName = nullptr;
  const char* lpszClassName = nullptr;
  HICON hIconSm = 0;
};
constexpr UINT WNDCLASSEXA_SIZE = 48;

struct POINT {
  int32_t x = 0;
  int32_t y = 0;
};

struct MSG {
  HWND hwnd = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
};

// The notification-icon record, laid out exactly as on the original platform: six 32-bit
// fields and the 64-byte tip, 88 bytes, the value cbSize must hold.
struct NOTIFYICONDATAA {
  DWORD cbSize = 0;
  HWND hWnd = 0;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = 0;
  char szTip[64] = {};
};
static_assert(sizeof(NOTIFYICONDATAA) == 88, "the icon record keeps its original size");

// The program's own module: a fixed nonzero 32-bit handle for no name (the program); any other
// name is not a loaded module here (0, error 126).
HMODULE GetModuleHandleA(const char* name);

// Registers a class by name (letter case ignored). 0 on failure: cbSize not 48, no name or no
// procedure (87), or the name already registered (1410).
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);
BOOL UnregisterClassA(const char* className, HINSTANCE instance);

// Creates a window owned by the calling thread and sends its procedure WM_NCCREATE and then
// WM_CREATE (lParam 0: no creation record crosses a 32-bit parameter here). A procedure
// answering WM_NCCREATE with 0 or WM_CREATE with -1 stops the creation. 0 on failure with the
// thread's last error set: unknown class 1407, parent that is not a window 1400.
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     void* parameter);
// Sends WM_DESTROY and WM_NCDESTROY and removes the window; only its own thread may.
BOOL DestroyWindow(HWND window);
// Sets the visible flag (SW_HIDE clears it, every other command sets it); returns whether the
// window was visible before. 0 for a handle that is not a window.
BOOL ShowWindow(HWND window, int command);
// Nothing is ever painted; TRUE for a window.
BOOL UpdateWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
HWND GetDesktopWindow();
// The first window of the class (letter case ignored) with the title (null: any title); 0 when
// there is none.
HWND FindWindowA(const char* className, const char* title);

// Queues a message for the window's thread; window 0 posts to the calling thread itself.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);
// Waits for the calling thread's next message (for window, when not 0; WM_QUIT always);
// 0 for WM_QUIT, -1 when the window filter is not a window, else 1. A message range of
// 0, 0 takes every message.
BOOL GetMessageA(MSG* message, HWND window, UINT first, UINT last);
// As GetMessageA without waiting: 0 when no message is there.
BOOL PeekMessageA(MSG* message, HWND window, UINT first, UINT last, UINT remove);
// No keyboard reaches these windows, so no character message is ever made: always 0.
BOOL TranslateMessage(const MSG* message);
// Calls the procedure of the message's window (on the window's own thread only) and returns
// its result; 0 when there is no such window.
LRESULT DispatchMessageA(const MSG* message);
// The default answers: WM_NCCREATE 1 (creation goes on), WM_GETTEXTLENGTH the title's
// length, WM_CLOSE destroys the window; 0 for every other message.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Adds (the window must exist), changes or removes the icon of (hWnd, uID) in the in-process
// notification area; cbSize must be 88. TRUE on success.
BOOL Shell_NotifyIconA(DWORD command, const NOTIFYICONDATAA* data);

// Test hooks.
// While errorCode is nonzero, every CreateWindowExA fails with it.
void SetWindowCreationFailure(uint32_t errorCode);
// The icon of (window, id) as the notification area holds it; false when there is none.
bool FindNotifyIcon(HWND window, UINT id, NOTIFYICONDATAA* data);
// Turns recording of DefWindowProcA calls on (clearing the record) or off.
void RecordDefWindowProcCalls(bool on);
std::vector<MSG> DefWindowProcCalls();
