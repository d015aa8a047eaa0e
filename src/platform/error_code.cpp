// The process-wide error code and the translation of Linux failures onto it.
#include "platform/error_code.h"

#include <cerrno>

int ErrorCode = 0;

// Marks that no error is pending, so the next failing service can be noticed.
void ClearErrorCode() {
  ErrorCode = 0;
}

// Maps a Linux errno onto the program's codes; a file held by another process is 70.
int ErrorCodeFromErrno(int error) {
  switch (error) {
    case 0:
      return 0;
    case ENOENT:
      return 53;
    case ENOTDIR:
      return 76;
    case EACCES:
    case EPERM:
    case EAGAIN:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
      return 70;
    case EMFILE:
    case ENFILE:
      return 67;
    case ENOMEM:
      return 7;
    case ENOSPC:
    case EDQUOT:
      return 61;
    case EIO:
      return 72;
    case EXDEV:
      return 74;
    default:
      return 75;
  }
}
