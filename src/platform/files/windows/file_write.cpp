// Writing text files: bytes straight to the file, print zones and CR LF line ends.
#include <windows.h>

#include "base/error_code.h"
#include "base/print_zones.h"
#include "platform/files/windows/file_table.h"
#include "platform/files/windows/win32_codes.h"

namespace {

// The record of a file open for output or append; 52 when not open, 54 when open for input.
OpenFileRecord* OutputFile(int number) {
  OpenFileRecord* file = FindOpenFile(number);
  if (file != nullptr && file->Mode == FileInput) {
    ErrorCode = BadFileModeCode;
    return nullptr;
  }
  return file;
}

// Writes all bytes straight to the file and counts them into the column. A write that
// stops short sets 61 (disk full); a failing one the code and words of its error, a full
// disk being 61 as well.
void WriteBytes(OpenFileRecord& file, const char* bytes, size_t count) {
  while (count > 0) {
    DWORD written = 0;
    const DWORD asked = count > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count);
    if (!WriteFile(file.Handle, bytes, asked, &written, nullptr)) {
      SetErrorFromWin32(GetLastError());
      return;
    }
    if (written == 0) {
      ErrorCode = DiskFullCode;
      ErrorCause = Win32Cause(ERROR_DISK_FULL);
      return;
    }
    file.Column += written;
    bytes += written;
    count -= written;
  }
}

}  // namespace

// Writes the text's bytes unchanged.
void FilePrint(int number, const std::string& text) {
  OpenFileRecord* file = OutputFile(number);
  if (file == nullptr) return;
  WriteBytes(*file, text.data(), text.size());
}

// Writes blanks up to the next multiple of 14 columns: 1 to 14 of them, 14 at a line start.
void FilePrintZone(int number) {
  OpenFileRecord* file = OutputFile(number);
  if (file == nullptr) return;
  std::string blanks(static_cast<size_t>(BlanksToNextZone(file->Column)), ' ');
  WriteBytes(*file, blanks.data(), blanks.size());
}

// Ends the line with CR LF and starts the column count again.
void FileNewLine(int number) {
  OpenFileRecord* file = OutputFile(number);
  if (file == nullptr) return;
  WriteBytes(*file, "\r\n", 2);
  file->Column = 0;
}
