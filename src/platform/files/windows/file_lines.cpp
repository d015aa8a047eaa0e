// Reading text files on Windows: the line rules (line_reader.h) over ReadFile.
#include <windows.h>

#include "base/error_code.h"
#include "platform/files/line_reader.h"
#include "platform/files/windows/file_table.h"
#include "platform/files/windows/win32_codes.h"

namespace {

// The record of a file open for input; 52 when the number is not open, 54 (bad file mode)
// when it is open for output or append, which are never read.
OpenFileRecord* InputFile(int number) {
  OpenFileRecord* file = FindOpenFile(number);
  if (file != nullptr && file->Mode != FileInput) {
    ErrorCode = BadFileModeCode;
    return nullptr;
  }
  return file;
}

long long ReadHandle(void* file, char* into, size_t size) {
  DWORD count = 0;
  if (ReadFile(static_cast<OpenFileRecord*>(file)->Handle, into, static_cast<DWORD>(size), &count,
               nullptr) != 0)
    return count;
  const DWORD error = GetLastError();
  if (error == ERROR_HANDLE_EOF) return 0;
  SetErrorFromWin32(error);
  return -1;
}

}  // namespace

std::string FileLineInput(int number) {
  OpenFileRecord* file = InputFile(number);
  if (file == nullptr) return "";
  return ReaderLineInput(file->Reader, ReadHandle, file);
}

// A number not open for input answers true (with its code) so that a reading loop ends.
bool FileAtEnd(int number) {
  OpenFileRecord* file = InputFile(number);
  if (file == nullptr) return true;
  return ReaderAtEnd(file->Reader, ReadHandle, file);
}
