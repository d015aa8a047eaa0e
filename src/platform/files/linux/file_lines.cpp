// Reading text files on Linux: the line rules (line_reader.h) over read(2).
#include <unistd.h>

#include <cerrno>

#include "base/error_code.h"
#include "platform/files/line_reader.h"
#include "platform/files/linux/errno_codes.h"
#include "platform/files/linux/file_table.h"

namespace {

// The record of a file open for input; 52 when the number is not open, 54 (bad file mode)
// when it is open for output or append, which are never read.
OpenFile* InputFile(int number) {
  OpenFile* file = FindOpenFile(number);
  if (file != nullptr && file->Mode != FileInput) {
    ErrorCode = BadFileModeCode;
    return nullptr;
  }
  return file;
}

long long ReadDescriptor(void* file, char* into, size_t size) {
  const int descriptor = static_cast<OpenFile*>(file)->Descriptor;
  ssize_t count;
  do count = read(descriptor, into, size);
  while (count < 0 && errno == EINTR);
  if (count < 0) ErrorCode = ErrorCodeFromErrno(errno);
  return count;
}

}  // namespace

std::string FileLineInput(int number) {
  OpenFile* file = InputFile(number);
  if (file == nullptr) return "";
  return ReaderLineInput(file->Reader, ReadDescriptor, file);
}

// A number not open for input answers true (with its code) so that a reading loop ends.
bool FileAtEnd(int number) {
  OpenFile* file = InputFile(number);
  if (file == nullptr) return true;
  return ReaderAtEnd(file->Reader, ReadDescriptor, file);
}
