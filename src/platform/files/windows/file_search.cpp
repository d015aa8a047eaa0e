// Finding and deleting files by name pattern: * and ? wildcards, letter case ignored, only
// ordinary files that are not hidden or system files. The program matches the long names
// itself (NameMatches): FindFirstFileA's own matching also looks at the short 8.3 names, so
// "*.DRY" would find "NOTES.DRYRUN" through "NOTES~1.DRY".
#include <windows.h>

#include <algorithm>
#include <vector>

#include "base/error_code.h"
#include "platform/files/files.h"
#include "platform/files/name_pattern.h"
#include "platform/files/windows/file_table.h"
#include "platform/files/windows/win32_codes.h"

namespace {

struct SearchPattern {
  std::string Folder;  // "" for the working directory, else ending in "\", "/" or ":"
  std::string Name;    // name pattern, wildcards allowed
};

// Splits a pattern after its last "\", "/" or drive colon into folder and name pattern. A
// pattern that ends in one of them names every file: "*.*" is appended.
SearchPattern SplitPattern(std::string pattern) {
  if (!pattern.empty() &&
      (pattern.back() == ':' || pattern.back() == '\\' || pattern.back() == '/'))
    pattern += "*.*";
  const size_t split = pattern.find_last_of("\\/:");
  if (split == std::string::npos) return {"", pattern};
  return {pattern.substr(0, split + 1), pattern.substr(split + 1)};
}

// Entries that never match: folders, links (reparse points), hidden and system files.
constexpr DWORD SkippedAttributes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT |
                                    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                    FILE_ATTRIBUTE_DEVICE;

// Names of the ordinary files in the folder that match, in byte order. On a folder that
// cannot be read, `error` gets the system's error number.
std::vector<std::string> MatchingFiles(const SearchPattern& search, DWORD& error) {
  std::vector<std::string> names;
  error = 0;
  if (search.Name.empty() || search.Name.find('\0') != std::string::npos) return names;
  QuietErrorMode quiet;
  WIN32_FIND_DATAA entry{};
  HANDLE found = FindFirstFileA((search.Folder + "*").c_str(), &entry);
  if (found == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) error = 0;
    return names;
  }
  do {
    const std::string name = entry.cFileName;
    if ((entry.dwFileAttributes & SkippedAttributes) == 0 && name != "." && name != ".." &&
        NameMatches(name, search.Name))
      names.push_back(name);
  } while (FindNextFileA(found, &entry));
  FindClose(found);
  std::sort(names.begin(), names.end());
  return names;
}

// Deletes one found file unless another process holds it, as an exclusive open would be
// refused: the file is opened for deletion with share mode 0, which fails while anyone else has
// it open, and marked for deletion through that handle, so it goes when the handle closes and
// nobody can open it in between. Returns 0 when deleted, 70 when held, else the failure's
// code; the cause of a failure goes to ErrorCause.
int DeleteUnlessHeld(const std::string& path) {
  QuietErrorMode quiet;
  HANDLE handle = CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    SetErrorFromWin32(GetLastError());
    return ErrorCode;
  }
  int code = 0;
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  if (!IsOrdinaryFile(handle, info)) {
    code = NotOrdinaryFileCode;
    ErrorCause = "it is not an ordinary file";
  } else if (!SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                         sizeof disposition)) {
    const DWORD error = GetLastError();
    code = ErrorCodeFromWin32(error);
    ErrorCause = Win32Cause(error);
  }
  CloseHandle(handle);
  return code;
}

}  // namespace

// Name, without folder, of the first matching ordinary file in byte order; "" when none.
// Always leaves ErrorCode 0.
std::string FirstMatchingFile(const std::string& pattern) {
  DWORD error;
  std::vector<std::string> names = MatchingFiles(SplitPattern(pattern), error);
  ErrorCode = 0;
  return names.empty() ? "" : names.front();
}

// Deletes every matching ordinary file. None matching: 53; a missing folder 76, an
// unreadable one the code of its error. A file another process holds open is kept (70); that
// or any other failed deletion leaves its code and the others are still deleted.
void DeleteFiles(const std::string& pattern) {
  SearchPattern search = SplitPattern(pattern);
  DWORD error;
  std::vector<std::string> names = MatchingFiles(search, error);
  if (names.empty()) {
    ErrorCode = error != 0 ? ErrorCodeFromWin32(error) : FileNotFoundCode;
    return;
  }
  for (const std::string& name : names) {
    int code = DeleteUnlessHeld(search.Folder + name);
    if (code != 0) ErrorCode = code;
  }
}
