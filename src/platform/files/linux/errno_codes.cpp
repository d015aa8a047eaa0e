// The translation of Linux failures onto the program's error codes and words.
#include "platform/files/linux/errno_codes.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "base/error_code.h"

// The system's words for an errno, the first letter made small to sit inside a sentence.
std::string ErrnoCause(int error) {
  std::string words = strerror(error);
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
