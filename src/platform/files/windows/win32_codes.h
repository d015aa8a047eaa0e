// Windows failures (GetLastError's numbers) as the program's error codes and words, and the
// error mode that keeps the system from asking the operator about a missing disk.
#pragma once

#include <windows.h>

#include <string>

// Maps a system error number onto the program's codes (2 -> 53, 5 and 32 -> 70, 112 -> 61 ...).
int ErrorCodeFromWin32(DWORD error);
// The system's words for an error number, to sit inside a sentence ("access is denied").
std::string Win32Cause(DWORD error);
// Sets ErrorCode and ErrorCause from a system error number; a file that another process has
// open or locked gets HeldElsewhereCause.
void SetErrorFromWin32(DWORD error);

// While one of these lives, a missing drive or medium fails the call with its code instead of
// showing the operator an error box; the previous error mode comes back at its end.
class QuietErrorMode {
 public:
  QuietErrorMode() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
  ~QuietErrorMode() { SetErrorMode(previous_); }
  QuietErrorMode(const QuietErrorMode&) = delete;
  QuietErrorMode& operator=(const QuietErrorMode&) = delete;

 private:
  UINT previous_;
};
