// The translation of Linux failures onto the program's error codes and words.
#include "platform/files/linux/errno_codes.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "base/error_code.h"

// The system's words for an errno, the first letter made small to sit inside a sentence.
// strerror_r (GNU's, which returns the words) since strerror's buffer is shared by threads.
std::string ErrnoCause(int error) {
  char buffer[256];
  std::string words = strerror_r(error, buffer, sizeof buffer);
  if (words.size() > 1 && std::isupper(static_cast<unsigned char>(words[0])) &&
      !std::isupper(static_cast<unsigned char>(words[1])))
    words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
  return words;
}

void SetErrorFromErrno(int error) {
  ErrorCode = ErrorCodeFromErrno(error);
  ErrorCause = ErrnoCause(error);
}

// Maps a Linux errno onto the program's codes; a file held by another process is 70.
int ErrorCodeFromErrno(int error) {
  switch (error) {
    case 0:
      return 0;
    case ENOENT:
      return FileNotFoundCode;
    case ENOTDIR:
      return PathNotFoundCode;
    case EACCES:
    case EPERM:
    case EAGAIN:
    case EROFS:
    case ETXTBSY:
    case EBUSY:
      return HeldOrDeniedCode;
    case EMFILE:
    case ENFILE:
      return TooManyFilesCode;
    case ENOMEM:
      return OutOfMemoryCode;
    case ENOSPC:
    case EDQUOT:
      return DiskFullCode;
    case EIO:
      return DeviceErrorCode;
    case EXDEV:
      return OtherDiskCode;
    default:
      return NotOrdinaryFileCode;
  }
}
