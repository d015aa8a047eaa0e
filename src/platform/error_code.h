// The process-wide error code of failed file and process operations.
#pragma once

#include <string>

// 0 when no error is pending; set by a failing file or process service, never printed by it.
extern int ErrorCode;

// Words naming the cause of the last failure, for the program's own messages ("permission
// denied"); "" when the failing service gave none. Cleared with the code.
extern std::string ErrorCause;
// The cause given with code 70 when another process has the file open: the one failure that
// only needs waiting for.
inline const std::string HeldElsewhereCause = "another program has it open";

void ClearErrorCode();
// The system's words for a Linux errno, to sit inside a sentence ("permission denied").
std::string ErrnoCause(int error);
// Sets ErrorCode from a Linux errno, and ErrorCause from the system's words for it.
void SetErrorFromErrno(int error);

// Maps a Linux errno onto the program's error codes (ENOENT 53, EACCES 70, ...).
int ErrorCodeFromErrno(int error);
