// The process-wide error code of failed file and process operations, and the codes the
// program tells apart or shows.
#pragma once

#include <string>

// The codes the file and process services set; the console and the log show their numbers.
enum ErrorCodes : int {
  OutOfMemoryCode = 7,
  BadFileNumberCode = 52,
  FileNotFoundCode = 53,
  BadFileModeCode = 54,
  FileAlreadyOpenCode = 55,
  NameTakenCode = 58,
  DiskFullCode = 61,
  InputPastEndCode = 62,
  TooManyFilesCode = 67,
  HeldOrDeniedCode = 70,  // another process holds the file, or access is refused
  DeviceErrorCode = 72,
  OtherDiskCode = 74,
  NotOrdinaryFileCode = 75,  // a folder, link or device where a file was wanted; other failures
  PathNotFoundCode = 76,
};

// 0 when no error is pending; set by a failing file or process service, never printed by it.
extern int ErrorCode;

// Words naming the cause of the last failure, for the program's own messages ("permission
// denied"); "" when the failing service gave none. Cleared with the code.
extern std::string ErrorCause;
// The cause given with code 70 when another process has the file open: the one failure that
// only needs waiting for.
inline const std::string HeldElsewhereCause = "another program has it open";

void ClearErrorCode();
