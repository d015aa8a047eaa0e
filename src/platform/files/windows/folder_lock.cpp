// Folder lock over LockFileEx on the lock file: the system drops the lock when its holder's
// handle closes, which it does when the holder ends, however it ends. The lock covers one byte
// far past the file's text, so a second run mode can still read the holder's process id.
#include "platform/files/folder_lock.h"

#include <windows.h>

#include <cstdlib>

#include "base/error_code.h"
#include "platform/files/windows/win32_codes.h"

namespace {

// The held lock file; INVALID_HANDLE_VALUE without a lock. Not inherited by the programs run
// mode starts (handles are made non-inheritable), so the lock ends with its holder.
HANDLE LockHandle = INVALID_HANDLE_VALUE;

// The locked byte: past any process id the file holds.
constexpr DWORD LockedByteOffset = 0x40000000;

// The whole of one locked byte, at LockedByteOffset.
OVERLAPPED LockedByte() {
  OVERLAPPED where{};
  where.Offset = LockedByteOffset;
  return where;
}

// Opens the lock file for reading and writing, created when absent. Everyone may open it
// beside the holder for reading and writing, but nobody may delete or rename it meanwhile. A
// file this process may only read is opened for reading, `writable` false: it still shows the
// holder's lock. `error` is the error of the open for writing; INVALID_HANDLE_VALUE when
// neither open works.
HANDLE OpenLockFile(const std::string& name, bool& writable, DWORD& error) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                              OPEN_ALWAYS, flags, nullptr);
  writable = handle != INVALID_HANDLE_VALUE;
  error = writable ? 0 : GetLastError();
  if (writable || error != ERROR_ACCESS_DENIED) return handle;
  return CreateFileA(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr);
}

// The process id the holder wrote into the file; 0 when there is none to read yet.
int HolderProcess(HANDLE handle) {
  char text[16] = {};
  DWORD got = 0;
  OVERLAPPED start{};
  if (!ReadFile(handle, text, sizeof text - 1, &got, &start)) return 0;
  text[got] = '\0';
  return std::atoi(text);
}

// Replaces the file's content with this process's id, for the next run mode and for a person
// who looks at it.
void WriteProcessId(HANDLE handle) {
  const std::string text = std::to_string(GetCurrentProcessId()) + "\r\n";
  LARGE_INTEGER zero{};
  DWORD written = 0;
  if (!SetFilePointerEx(handle, zero, nullptr, FILE_BEGIN) || !SetEndOfFile(handle)) return;
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

FolderLockResult Failure(HANDLE handle, int code) {
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  FolderLockResult result;
  result.state = FolderLockState::Failed;
  result.errorCode = code;
  return result;
}

}  // namespace

// Takes the lock, or names the process that holds it. A read-only lock file can still show a
// holder: a shared lock on the byte is refused while the holder's exclusive one stands.
FolderLockResult TakeFolderLock(const std::string& name) {
  if (LockHandle != INVALID_HANDLE_VALUE) return FolderLockResult{FolderLockState::Taken, 0, 0};
  QuietErrorMode quiet;
  // A folder or a link of that name is never opened, let alone followed.
  const DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    return Failure(INVALID_HANDLE_VALUE, NotOrdinaryFileCode);
  bool writable = false;
  DWORD openError = 0;
  HANDLE handle = OpenLockFile(name, writable, openError);
  if (handle == INVALID_HANDLE_VALUE) return Failure(handle, ErrorCodeFromWin32(openError));
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    return Failure(handle, NotOrdinaryFileCode);

  OVERLAPPED where = LockedByte();
  const DWORD kind = (writable ? LOCKFILE_EXCLUSIVE_LOCK : 0) | LOCKFILE_FAIL_IMMEDIATELY;
  if (LockFileEx(handle, kind, 0, 1, 0, &where)) {
    if (writable) {
      WriteProcessId(handle);
      LockHandle = handle;
      return FolderLockResult{FolderLockState::Taken, 0, 0};
    }
    // Nobody holds it, but this process may not write it: it cannot be taken here.
    UnlockFileEx(handle, 0, 1, 0, &where);
    return Failure(handle, ErrorCodeFromWin32(openError));
  }
  const DWORD error = GetLastError();
  if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING)
    return Failure(handle, ErrorCodeFromWin32(error));
  const int holder = HolderProcess(handle);
  CloseHandle(handle);
  return FolderLockResult{FolderLockState::HeldElsewhere, holder, 0};
}

// Empties the file and closes it, which drops the lock.
void ReleaseFolderLock() {
  if (LockHandle == INVALID_HANDLE_VALUE) return;
  // Emptied while still held. A process id left behind when that fails does no harm: only
  // the lock counts, never the file's content.
  LARGE_INTEGER zero{};
  if (SetFilePointerEx(LockHandle, zero, nullptr, FILE_BEGIN)) SetEndOfFile(LockHandle);
  OVERLAPPED where = LockedByte();
  UnlockFileEx(LockHandle, 0, 1, 0, &where);
  CloseHandle(LockHandle);
  LockHandle = INVALID_HANDLE_VALUE;
}
