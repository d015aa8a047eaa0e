// Writing text files: bytes straight to the file, print zones and CR LF line ends.
#include <unistd.h>

#include <cerrno>

#include "base/error_code.h"
#include "base/print_zones.h"
#include "platform/files/linux/file_table.h"
#include "platform/files/linux/errno_codes.h"

namespace {

// The record of a file open for output or append; 52 when not open, 54 when open for input.
OpenFile* OutputFile(int number) {
  OpenFile* file = FindOpenFile(number);
  if (file != nullptr && file->Mode == FileInput) {
    ErrorCode = BadFileModeCode;
    return nullptr;
  }
  return file;
}

// Writes all bytes straight to the file and counts them into the column. A write that
// stops short sets 61 (disk full); a failing one the code of its errno.
void WriteBytes(OpenFile& file, const char* bytes, size_t count) {
  while (count > 0) {
    ssize_t written = write(file.Descriptor, bytes, count);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) {
      ErrorCode = ErrorCodeFromErrno(errno);
      return;
    }
    if (written == 0) {
      ErrorCode = DiskFullCode;
      return;
    }
    file.Column += written;
    bytes += written;
    count -= static_cast<size_t>(written);
  }
}

}  // namespace

// Writes the text's bytes unchanged.
void FilePrint(int number, const std::string& text) {
  OpenFile* file = OutputFile(number);
  if (file == nullptr) return;
  WriteBytes(*file, text.data(), text.size());
}

// Writes blanks up to the next multiple of 14 columns: 1 to 14 of them, 14 at a line start.
void FilePrintZone(int number) {
  OpenFile* file = OutputFile(number);
  if (file == nullptr) return;
  std::string blanks(static_cast<size_t>(BlanksToNextZone(file->Column)), ' ');
  WriteBytes(*file, blanks.data(), blanks.size());
}

// Ends the line with CR LF and starts the column count again.
void FileNewLine(int number) {
  OpenFile* file = OutputFile(number);
  if (file == nullptr) return;
  WriteBytes(*file, "\r\n", 2);
  file->Column = 0;
}
