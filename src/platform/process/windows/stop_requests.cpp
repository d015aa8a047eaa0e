// Stop requests held back through the console's control handler. Ctrl+C, Ctrl+Break and the
// closing of the console window (or the end of the session) reach the program as calls of its
// control handlers on a thread of their own, the handler installed last first. While a
// document is settled, this program's handler keeps that thread waiting; when the hold ends it
// lets the request go on to the handlers installed before it (the console's, which gives the
// console back) and to the system's default action, which ends the program. The system ends a
// program that keeps a close request waiting for more than a few seconds regardless.
#include "platform/process/stop_requests.h"

#include <windows.h>

#include <vector>

namespace {

// Guards what the handler's thread and the main thread share.
CRITICAL_SECTION Guard;
int HoldDepth = 0;
// Set while no hold stands; a waiting request goes on the moment it is set.
HANDLE HoldEnded = nullptr;
// The handler threads of requests that arrived during the hold.
std::vector<HANDLE> WaitingRequests;

// The control handler: outside a hold it lets the request through at once; during one it
// keeps the request's thread waiting until the hold ends.
BOOL WINAPI HoldStopRequest(DWORD) {
  EnterCriticalSection(&Guard);
  if (HoldDepth == 0) {
    LeaveCriticalSection(&Guard);
    return FALSE;  // as if there were no such handler
  }
  HANDLE self = nullptr;
  if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self,
                      SYNCHRONIZE, FALSE, 0))
    WaitingRequests.push_back(self);
  LeaveCriticalSection(&Guard);
  WaitForSingleObject(HoldEnded, INFINITE);
  return FALSE;  // on to the earlier handlers and the default action
}

// Sets up the shared state once, and puts the handler first in line: ahead of any handler the
// console installed since the last hold, so that a request is held before anything acts on it.
void PutHandlerFirst() {
  if (HoldEnded == nullptr) {
    InitializeCriticalSection(&Guard);
    HoldEnded = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  }
  SetConsoleCtrlHandler(HoldStopRequest, FALSE);
  SetConsoleCtrlHandler(HoldStopRequest, TRUE);
}

}  // namespace

// Holds requests from now on; holds nest.
void HoldStopRequests() {
  if (HoldDepth == 0) PutHandlerFirst();
  EnterCriticalSection(&Guard);
  if (HoldDepth++ == 0) ResetEvent(HoldEnded);
  LeaveCriticalSection(&Guard);
}

// At the outermost end lets the held requests go on, and waits until each has been dealt
// with: a request that ends the program ends it here, before this returns.
void ReleaseStopRequests() {
  if (HoldEnded == nullptr) return;
  std::vector<HANDLE> waiting;
  EnterCriticalSection(&Guard);
  if (HoldDepth > 0 && --HoldDepth == 0) {
    waiting.swap(WaitingRequests);
    SetEvent(HoldEnded);
  }
  LeaveCriticalSection(&Guard);
  for (HANDLE request : waiting) {
    WaitForSingleObject(request, INFINITE);
    CloseHandle(request);
  }
}
