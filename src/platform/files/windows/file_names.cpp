// Renaming files, making folders, and moving a file into a folder.
#include <windows.h>

#include "base/error_code.h"
#include "platform/files/files.h"
#include "platform/files/windows/win32_codes.h"

namespace {

// Opens a folder of the working directory, making it when missing, and holds it without
// letting anyone delete or rename it, so a link cannot take its place before the move is
// done. A link (reparse point: symbolic link or junction) or a file of that name is 75.
// INVALID_HANDLE_VALUE with the error set otherwise.
HANDLE HoldRealFolder(const std::string& folder) {
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    SetErrorFromWin32(GetLastError());
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    SetErrorFromWin32(GetLastError());
    return handle;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    CloseHandle(handle);
    ErrorCode = NotOrdinaryFileCode;
    ErrorCause = folder + " is a link or not a folder";
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

}  // namespace

// Renames a file, replacing a file already named `to`. A missing source is 53 (76 when its
// folder is missing too), a missing target folder 76, other failures the code of the error.
void RenameFile(const std::string& from, const std::string& to) {
  QuietErrorMode quiet;
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
    SetErrorFromWin32(GetLastError());
}

// Makes a folder unless a folder of that name is already there. A file of that name is 75,
// a missing parent folder 76.
void MakeFolder(const std::string& name) {
  QuietErrorMode quiet;
  if (CreateDirectoryA(name.c_str(), nullptr)) return;
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesA(name.c_str());
  if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return;
  SetErrorFromWin32(error);
}

// Moves the file without ever replacing one (MoveFileExA without MOVEFILE_REPLACE_EXISTING),
// so a file that appeared under the name after it was chosen stays: 58 then.
void MoveIntoFolder(const std::string& from, const std::string& folder, const std::string& name) {
  QuietErrorMode quiet;
  HANDLE held = HoldRealFolder(folder);
  if (held == INVALID_HANDLE_VALUE) return;
  const std::string target = folder + "\\" + name;
  const bool moved = MoveFileExA(from.c_str(), target.c_str(), 0) != 0;
  const DWORD error = moved ? 0 : GetLastError();
  CloseHandle(held);
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
    ErrorCode = NameTakenCode;
    ErrorCause = "the name is taken";
  } else if (error != 0) {
    SetErrorFromWin32(error);
  }
}
