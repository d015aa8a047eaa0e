// Appending to a file without taking its lock: FILE_APPEND_DATA and one write, so the line
// lands whole at the end. Run mode holds its log open for append, which lets in exactly this
// kind of opener (see FileOpen); a file held with share mode 0 cannot be opened at all, and
// the append then fails and says so.
#include "platform/files/shared_append.h"

#include <windows.h>

#include "platform/files/windows/win32_codes.h"

// One write at the end of an ordinary file, sharing it with every other opener.
bool AppendWithoutLock(const std::string& name, const std::string& bytes) {
  if (name.empty() || name.find('\0') != std::string::npos) return false;
  QuietErrorMode quiet;
  HANDLE handle =
      CreateFileA(name.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  DWORD written = 0;
  const bool ordinary =
      GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
  const bool done =
      ordinary &&
      WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(handle);
  return done;
}
