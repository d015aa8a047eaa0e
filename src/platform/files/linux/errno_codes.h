// Linux failures (errno) as the program's error codes and words.
#pragma once

#include <string>

// Maps a Linux errno onto the program's error codes (ENOENT 53, EACCES 70, ...).
int ErrorCodeFromErrno(int error);
// The system's words for a Linux errno, to sit inside a sentence ("permission denied").
std::string ErrnoCause(int error);
// Sets ErrorCode from a Linux errno, and ErrorCause from the system's words for it.
void SetErrorFromErrno(int error);
