// The translation of Windows failures onto the program's error codes and words.
#include "platform/files/windows/win32_codes.h"

#include <cctype>

#include "base/error_code.h"

namespace {

// Codes of the original platform that the program shows but never tells apart.
constexpr int InternalErrorCode = 51;
constexpr int DeviceUnavailableCode = 68;
constexpr int DiskNotReadyCode = 71;
constexpr int MemoryBlockCode = 241;

bool IsHeldElsewhere(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_SHARING_BUFFER_EXCEEDED;
}

}  // namespace

// The system's error numbers onto the codes of the original platform; what the table does not
// name is 75.
int ErrorCodeFromWin32(DWORD error) {
  switch (error) {
    case 0:
      return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
      return FileNotFoundCode;
    case ERROR_PATH_NOT_FOUND:
      return PathNotFoundCode;
    case ERROR_TOO_MANY_OPEN_FILES:
      return TooManyFilesCode;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_SHARING_BUFFER_EXCEEDED:
      return HeldOrDeniedCode;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return OutOfMemoryCode;
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_UNIT:
      return DeviceUnavailableCode;
    case ERROR_NOT_SAME_DEVICE:
      return OtherDiskCode;
    case ERROR_NOT_READY:
      return DiskNotReadyCode;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_NOT_DOS_DISK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_OUT_OF_PAPER:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_WRONG_DISK:
      return DeviceErrorCode;
    case ERROR_HANDLE_EOF:
      return InputPastEndCode;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
      return DiskFullCode;
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_FORMAT:
    case ERROR_INVALID_ACCESS:
    case ERROR_INVALID_DATA:
    case ERROR_BAD_COMMAND:
    case ERROR_BAD_LENGTH:
      return InternalErrorCode;
    case ERROR_ARENA_TRASHED:
    case ERROR_INVALID_BLOCK:
    case ERROR_BAD_ENVIRONMENT:
      return MemoryBlockCode;
    default:
      return NotOrdinaryFileCode;
  }
}

// FormatMessageA's words without the closing full stop and line end, the first letter made
// small to sit inside a sentence; "error N" when the system has no words for it.
std::string Win32Cause(DWORD error) {
  char buffer[512];
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
  std::string words(buffer, length);
  while (!words.empty() && (words.back() == '\r' || words.back() == '\n' || words.back() == '.' ||
                            words.back() == ' '))
    words.pop_back();
  if (words.empty()) return "error " + std::to_string(error);
  if (words.size() > 1 && std::isupper(static_cast<unsigned char>(words[0])) &&
      !std::isupper(static_cast<unsigned char>(words[1])))
    words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
  return words;
}

void SetErrorFromWin32(DWORD error) {
  ErrorCode = ErrorCodeFromWin32(error);
  ErrorCause = IsHeldElsewhere(error) ? HeldElsewhereCause : Win32Cause(error);
}
