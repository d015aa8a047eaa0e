// Opening and closing files exclusively, and their sizes. The exclusive open is CreateFileA's
// share mode 0: while the file is open here no other process can open it, and the open fails
// with a sharing violation while any other process has it open, the point-of-sale program
// still writing the capture file among them.
#include <windows.h>

#include "base/error_code.h"
#include "platform/files/windows/file_table.h"
#include "platform/files/windows/win32_codes.h"

namespace {

// Words for a name that is not an ordinary file.
const char NotOrdinaryFileCause[] = "it is not an ordinary file";

// Fails the open: closes what was opened and leaves the code and its cause.
void AbandonOpen(HANDLE handle, int code, const std::string& cause) {
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  ErrorCode = code;
  ErrorCause = cause;
}

// Share mode 0 for input and output. A file open for append (run mode's log) lets in only an
// opener that asks for nothing but appending and shares everything: a second run mode adding
// its one line of refusal (AppendWithoutLock). Any other open, another Tavrel's included, asks
// for reading too and is still refused, and an append open is still refused while anybody
// else has the file open.
DWORD ShareOf(FileMode mode) {
  return mode == FileAppend ? FILE_SHARE_WRITE : 0;
}

DWORD AccessOf(FileMode mode) {
  switch (mode) {
    case FileInput:
      return GENERIC_READ;
    case FileOutput:
      return GENERIC_WRITE;
    case FileAppend:
      // Appending only: every write lands at the end as it is then, after any line another
      // program appended meanwhile, instead of over it.
      return GENERIC_READ | FILE_APPEND_DATA;
  }
  return GENERIC_READ;
}

// Moves the file's position to its start or its end; false with the error set.
bool MoveTo(HANDLE handle, DWORD from) {
  LARGE_INTEGER zero{};
  if (SetFilePointerEx(handle, zero, nullptr, from)) return true;
  SetErrorFromWin32(GetLastError());
  return false;
}

}  // namespace

// Opens a file exclusively under a file number. Codes: 52 bad number, 55 number already open,
// 53 missing (input), 76 missing folder, 70 held by another process, 75 not an ordinary file,
// others from the system's error. Output empties the file only once the exclusive open has
// succeeded; append starts at the end. A link (reparse point) is never followed.
void FileOpen(const std::string& name, int number, FileMode mode) {
  if (number < 1 || number > HighestFileNumber) {
    ErrorCode = BadFileNumberCode;
    return;
  }
  if (OpenFiles.count(number) != 0) {
    ErrorCode = FileAlreadyOpenCode;
    return;
  }
  if (name.empty() || name.find('\0') != std::string::npos) {
    ErrorCode = FileNotFoundCode;
    return;
  }
  QuietErrorMode quiet;
  const DWORD attributes = GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
    return AbandonOpen(INVALID_HANDLE_VALUE, NotOrdinaryFileCode, NotOrdinaryFileCause);
  HANDLE handle = CreateFileA(name.c_str(), AccessOf(mode), ShareOf(mode), nullptr,
                              mode == FileInput ? OPEN_EXISTING : OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return SetErrorFromWin32(GetLastError());
  // The name may have been swapped since the look at its attributes: the open file decides.
  BY_HANDLE_FILE_INFORMATION info{};
  if (!IsOrdinaryFile(handle, info))
    return AbandonOpen(handle, NotOrdinaryFileCode, NotOrdinaryFileCause);
  if ((mode == FileOutput && !(MoveTo(handle, FILE_BEGIN) && SetEndOfFile(handle))) ||
      (mode == FileAppend && !MoveTo(handle, FILE_END))) {
    if (ErrorCode == 0) SetErrorFromWin32(GetLastError());
    CloseHandle(handle);
    return;
  }
  OpenFileRecord& file = OpenFiles[number];
  file.Handle = handle;
  file.Mode = mode;
}

// Closes a file number: a file open for output is first cut at the current position. Closing
// a number that is not open does nothing, so a log that failed to open can be closed like any
// other.
void FileClose(int number) {
  auto found = OpenFiles.find(number);
  if (found == OpenFiles.end()) return;
  HANDLE handle = found->second.Handle;
  if (found->second.Mode == FileOutput && !SetEndOfFile(handle))
    ErrorCode = ErrorCodeFromWin32(GetLastError());
  if (!CloseHandle(handle)) ErrorCode = ErrorCodeFromWin32(GetLastError());
  OpenFiles.erase(found);
}

// The identity of an open file as FileIdentity gives it for a name: what this program has
// open, whatever has happened to the name since. "" when the number is not open.
std::string OpenFileIdentity(int number) {
  OpenFileRecord* file = FindOpenFile(number);
  BY_HANDLE_FILE_INFORMATION info{};
  if (file == nullptr || !GetFileInformationByHandle(file->Handle, &info)) return "";
  return FileIdentityText(info);
}

// Size in bytes of an open file; 0 with an error code when it cannot be told.
int64_t FileSize(int number) {
  OpenFileRecord* file = FindOpenFile(number);
  if (file == nullptr) return 0;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file->Handle, &size)) {
    ErrorCode = ErrorCodeFromWin32(GetLastError());
    return 0;
  }
  return size.QuadPart;
}
