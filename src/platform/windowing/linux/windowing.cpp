// Windowing: window classes, windows, per-thread message queues and notification-area icons,
// kept in process.
//
// One lock guards the tables; a window procedure is never called while it is held, so a
// procedure may call any of these functions. A window belongs to the thread that created it
// and goes away, with that thread's queue, when the thread ends.
#include "platform/windowing/windowing.h"

#include <strings.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace {

// The program module's handle: the usual load address of a program on the original platform,
// nonzero and within 32 bits.
constexpr HMODULE ProgramModule = 0x00400000;
// The desktop window exists from the start; window handles are numbered after it, far above
// any system error code.
constexpr HWND DesktopWindow = 0x00010010;

struct WindowClass {
  std::string name;
  WNDPROC procedure = nullptr;
  HINSTANCE instance = 0;
  UINT style = 0;
};

struct Window {
  std::string className;
  std::string title;
  WNDPROC procedure = nullptr;
  DWORD style = 0;
  bool visible = false;
  std::thread::id owner;
};

struct MessageQueue {
  std::deque<MSG> messages;
  std::condition_variable arrived;
};

// Compares class names without regard to letter case, as the system does.
struct Caseless {
  bool operator()(const std::string& a, const std::string& b) const {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  }
};

std::mutex Lock;
std::map<std::string, WindowClass, Caseless> Classes;
ATOM NextAtom = 0xC000;
std::map<HWND, Window> Windows;
HWND NextWindow = DesktopWindow + 2;
std::map<std::thread::id, MessageQueue> Queues;
std::map<std::pair<HWND, UINT>, NOTIFYICONDATAA> NotifyIcons;
uint32_t CreationFailure = 0;
bool RecordingDefCalls = false;
std::vector<MSG> DefCalls;

// Milliseconds since the first message, for MSG.time.
DWORD MessageTime() {
  static const auto start = std::chrono::steady_clock::now();
  auto elapsed = std::chrono::steady_clock::now() - start;
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

// Removes a window's table entry and its icons. Lock held.
void ForgetWindow(HWND window) {
  Windows.erase(window);
  for (auto icon = NotifyIcons.begin(); icon != NotifyIcons.end();) {
    if (icon->first.first == window)
      icon = NotifyIcons.erase(icon);
    else
      ++icon;
  }
}

// Ends with its thread: the thread's windows and its message queue are removed.
struct ThreadWindows {
  ~ThreadWindows() {
    std::lock_guard<std::mutex> guard(Lock);
    std::thread::id self = std::this_thread::get_id();
    for (auto window = Windows.begin(); window != Windows.end();) {
      HWND handle = window->first;
      bool owned = window->second.owner == self;
      ++window;
      if (owned) ForgetWindow(handle);
    }
    Queues.erase(self);
  }
};

// Makes sure the calling thread's windows and queue are cleaned up when it ends.
void TrackThread() {
  thread_local ThreadWindows tracker;
  (void)tracker;
}

// The calling thread's queue, made on first use. Lock held.
MessageQueue& OwnQueue() {
  TrackThread();
  return Queues[std::this_thread::get_id()];
}

// True when a queued message passes the window and range filter of a message read.
bool Matches(const MSG& message, HWND window, UINT first, UINT last) {
  if (message.message == WM_QUIT) return true;
  if (window != 0 && message.hwnd != window) return false;
  if (first == 0 && last == 0) return true;
  return message.message >= first && message.message <= last;
}

// Takes the first matching message off (or copies it from) the calling thread's queue.
// Lock held.
bool TakeMessage(MessageQueue& queue, MSG* message, HWND window, UINT first, UINT last,
                 bool remove) {
  for (auto it = queue.messages.begin(); it != queue.messages.end(); ++it) {
    if (!Matches(*it, window, first, last)) continue;
    *message = *it;
    if (remove) queue.messages.erase(it);
    return true;
  }
  return false;
}

// The procedure of a window of the calling thread; nullptr, with the error set, for an unknown
// window or another thread's. Takes the lock.
WNDPROC OwnWindowProcedure(HWND window) {
  std::lock_guard<std::mutex> guard(Lock);
  auto found = Windows.find(window);
  if (found == Windows.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (found->second.owner != std::this_thread::get_id()) {
    SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
    return nullptr;
  }
  return found->second.procedure;
}

}  // namespace

// The program's own module handle for no name.
HMODULE GetModuleHandleA(const char* name) {
  if (name == nullptr) return ProgramModule;
  SetLastError(ERROR_MOD_NOT_FOUND);
  return 0;
}

// Registers a window class under its name.
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  if (!windowClass || windowClass->cbSize != WNDCLASSEXA_SIZE || !windowClass->lpfnWndProc ||
      !windowClass->lpszClassName || !windowClass->lpszClassName[0]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard<std::mutex> guard(Lock);
  std::string name = windowClass->lpszClassName;
  if (Classes.count(name)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  Classes[name] =
      WindowClass{name, windowClass->lpfnWndProc, windowClass->hInstance, windowClass->style};
  return NextAtom++;
}

// Removes a window class.
BOOL UnregisterClassA(const char* className, HINSTANCE /*instance*/) {
  std::lock_guard<std::mutex> guard(Lock);
  if (!className || !Classes.erase(className)) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return 0;
  }
  return 1;
}

// Creates a window of a registered class and runs its creation messages.
HWND CreateWindowExA(DWORD /*exStyle*/, const char* className, const char* title, DWORD style,
                     int /*x*/, int /*y*/, int /*width*/, int /*height*/, HWND parent,
                     HMENU /*menu*/, HINSTANCE /*instance*/, void* /*parameter*/) {
  HWND handle = 0;
  WNDPROC procedure = nullptr;
  {
    std::lock_guard<std::mutex> guard(Lock);
    if (CreationFailure != 0) {
      SetLastError(CreationFailure);
      return 0;
    }
    auto found = className ? Classes.find(className) : Classes.end();
    if (found == Classes.end()) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return 0;
    }
    if (parent != 0 && parent != DesktopWindow && !Windows.count(parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    TrackThread();
    handle = NextWindow;
    NextWindow += 2;
    procedure = found->second.procedure;
    Windows[handle] = Window{found->second.name,        title ? title : "",        procedure, style,
                             (style & WS_VISIBLE) != 0, std::this_thread::get_id()};
  }
  // The procedure is called on this thread, outside the lock, as a sent message is.
  if (procedure(handle, WM_NCCREATE, 0, 0) == 0 || procedure(handle, WM_CREATE, 0, 0) == -1) {
    std::lock_guard<std::mutex> guard(Lock);
    ForgetWindow(handle);
    SetLastError(0);  // the original platform leaves no error code for a refused creation
    return 0;
  }
  return handle;
}

// Destroys a window of the calling thread.
BOOL DestroyWindow(HWND window) {
  WNDPROC procedure = OwnWindowProcedure(window);
  if (!procedure) return 0;
  procedure(window, WM_DESTROY, 0, 0);
  procedure(window, WM_NCDESTROY, 0, 0);
  std::lock_guard<std::mutex> guard(Lock);
  ForgetWindow(window);
  return 1;
}

// Sets a window's visible flag; the result is whether it was visible before.
BOOL ShowWindow(HWND window, int command) {
  std::lock_guard<std::mutex> guard(Lock);
  auto found = Windows.find(window);
  if (found == Windows.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  bool before = found->second.visible;
  found->second.visible = command != SW_HIDE;
  return before ? 1 : 0;
}

// Nothing is drawn, so there is never anything to repaint.
BOOL UpdateWindow(HWND window) {
  return IsWindow(window);
}

// True for the desktop and for every window not yet destroyed.
BOOL IsWindow(HWND window) {
  if (window == DesktopWindow) return 1;
  std::lock_guard<std::mutex> guard(Lock);
  return Windows.count(window) ? 1 : 0;
}

// True for a window whose visible flag is set (the desktop always is).
BOOL IsWindowVisible(HWND window) {
  if (window == DesktopWindow) return 1;
  std::lock_guard<std::mutex> guard(Lock);
  auto found = Windows.find(window);
  return found != Windows.end() && found->second.visible ? 1 : 0;
}

// The desktop window, parent of every top-level window.
HWND GetDesktopWindow() {
  return DesktopWindow;
}

// Finds a window by class name and title.
HWND FindWindowA(const char* className, const char* title) {
  std::lock_guard<std::mutex> guard(Lock);
  for (const auto& [handle, window] : Windows) {
    if (className && strcasecmp(window.className.c_str(), className) != 0) continue;
    if (title && window.title != title) continue;
    return handle;
  }
  return 0;
}

// Queues a message for the thread that owns the window (window 0: the calling thread).
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> guard(Lock);
  MessageQueue* queue = nullptr;
  if (window == 0) {
    queue = &OwnQueue();
  } else {
    auto found = Windows.find(window);
    if (found == Windows.end()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    queue = &Queues[found->second.owner];
  }
  MSG posted;
  posted.hwnd = window;
  posted.message = message;
  posted.wParam = wParam;
  posted.lParam = lParam;
  posted.time = MessageTime();
  queue->messages.push_back(posted);
  queue->arrived.notify_all();
  return 1;
}

// Asks the calling thread's message loop to end.
void PostQuitMessage(int exitCode) {
  PostMessageA(0, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

// Waits for the calling thread's next message that passes the filter.
BOOL GetMessageA(MSG* message, HWND window, UINT first, UINT last) {
  if (!message) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  std::unique_lock<std::mutex> guard(Lock);
  if (window != 0 && !Windows.count(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  MessageQueue& queue = OwnQueue();
  queue.arrived.wait(guard, [&] { return TakeMessage(queue, message, window, first, last, true); });
  return message->message == WM_QUIT ? 0 : 1;
}

// Looks at the calling thread's queue without waiting.
BOOL PeekMessageA(MSG* message, HWND window, UINT first, UINT last, UINT remove) {
  if (!message) return 0;
  std::lock_guard<std::mutex> guard(Lock);
  return TakeMessage(OwnQueue(), message, window, first, last, (remove & PM_REMOVE) != 0) ? 1 : 0;
}

// No keyboard input reaches these windows: nothing to translate.
BOOL TranslateMessage(const MSG* /*message*/) {
  return 0;
}

// Hands a message to its window's procedure on the window's own thread.
LRESULT DispatchMessageA(const MSG* message) {
  if (!message) return 0;
  WNDPROC procedure = OwnWindowProcedure(message->hwnd);
  if (!procedure) return 0;
  return procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

// The system's own handling of the messages that have one.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::unique_lock<std::mutex> guard(Lock);
  if (RecordingDefCalls) {
    MSG call;
    call.hwnd = window;
    call.message = message;
    call.wParam = wParam;
    call.lParam = lParam;
    DefCalls.push_back(call);
  }
  auto found = Windows.find(window);
  switch (message) {
    case WM_NCCREATE:
      return 1;
    case WM_GETTEXTLENGTH:
      return found == Windows.end() ? 0 : static_cast<LRESULT>(found->second.title.size());
    case WM_CLOSE:
      guard.unlock();
      DestroyWindow(window);
      return 0;
    default:
      return 0;
  }
}

// Adds, changes or removes an icon of the in-process notification area.
BOOL Shell_NotifyIconA(DWORD command, const NOTIFYICONDATAA* data) {
  if (!data || data->cbSize != sizeof(NOTIFYICONDATAA)) return 0;
  std::lock_guard<std::mutex> guard(Lock);
  auto key = std::make_pair(data->hWnd, data->uID);
  auto found = NotifyIcons.find(key);
  switch (command) {
    case NIM_ADD: {
      if (found != NotifyIcons.end() || !Windows.count(data->hWnd)) return 0;
      NOTIFYICONDATAA icon;
      icon.cbSize = data->cbSize;
      icon.hWnd = data->hWnd;
      icon.uID = data->uID;
      icon.uFlags = data->uFlags;
      if (data->uFlags & NIF_MESSAGE) icon.uCallbackMessage = data->uCallbackMessage;
      if (data->uFlags & NIF_ICON) icon.hIcon = data->hIcon;
      if (data->uFlags & NIF_TIP) {
        std::memcpy(icon.szTip, data->szTip, sizeof icon.szTip);
        icon.szTip[sizeof icon.szTip - 1] = '\0';
      }
      NotifyIcons[key] = icon;
      return 1;
    }
    case NIM_MODIFY: {
      if (found == NotifyIcons.end()) return 0;
      NOTIFYICONDATAA& icon = found->second;
      icon.uFlags |= data->uFlags;
      if (data->uFlags & NIF_MESSAGE) icon.uCallbackMessage = data->uCallbackMessage;
      if (data->uFlags & NIF_ICON) icon.hIcon = data->hIcon;
      if (data->uFlags & NIF_TIP) {
        std::memcpy(icon.szTip, data->szTip, sizeof icon.szTip);
        icon.szTip[sizeof icon.szTip - 1] = '\0';
      }
      return 1;
    }
    case NIM_DELETE:
      if (found == NotifyIcons.end()) return 0;
      NotifyIcons.erase(found);
      return 1;
    default:
      return 0;
  }
}

// Makes every window creation fail with the given code (0: creations work again).
void SetWindowCreationFailure(uint32_t errorCode) {
  std::lock_guard<std::mutex> guard(Lock);
  CreationFailure = errorCode;
}

// Copies the notification area's icon of (window, id).
bool FindNotifyIcon(HWND window, UINT id, NOTIFYICONDATAA* data) {
  std::lock_guard<std::mutex> guard(Lock);
  auto found = NotifyIcons.find(std::make_pair(window, id));
  if (found == NotifyIcons.end()) return false;
  if (data) *data = found->second;
  return true;
}

// Starts (with an empty record) or stops recording DefWindowProcA calls.
void RecordDefWindowProcCalls(bool on) {
  std::lock_guard<std::mutex> guard(Lock);
  RecordingDefCalls = on;
  DefCalls.clear();
}

// The DefWindowProcA calls recorded so far.
std::vector<MSG> DefWindowProcCalls() {
  std::lock_guard<std::mutex> guard(Lock);
  return DefCalls;
}
