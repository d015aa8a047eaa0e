// The process-wide error code of failed file and process operations.
#pragma once

// 0 when no error is pending; set by a failing file or process service, never printed by it.
extern int ErrorCode;

void ClearErrorCode();

// Maps a Linux errno onto the program's error codes (ENOENT 53, EACCES 70, ...).
int ErrorCodeFromErrno(int error);
