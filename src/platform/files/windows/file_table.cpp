// Open-file table: lookup of file numbers and the handing out of free ones.
#include "platform/files/windows/file_table.h"

#include "base/error_code.h"
#include "platform/files/files.h"

std::map<int, OpenFileRecord> OpenFiles;

namespace {

// The file number FreeFileNumber handed out last; counting resumes after it.
int LastHandedOut = 0;

}  // namespace

// The record of an open file number; ErrorCode 52 when the number is not open.
OpenFileRecord* FindOpenFile(int number) {
  auto found = OpenFiles.find(number);
  if (found == OpenFiles.end()) {
    ErrorCode = BadFileNumberCode;
    return nullptr;
  }
  return &found->second;
}

// Next number not in use, counting up from the last one handed out and wrapping from 32767
// to 1; 0 with ErrorCode 67 (too many files) when every number is open.
int FreeFileNumber() {
  int number = LastHandedOut;
  for (int tried = 0; tried < HighestFileNumber; ++tried) {
    number = number >= HighestFileNumber ? 1 : number + 1;
    // The configuration's and the log's fixed numbers are never handed out, so a
    // file opened under a free number cannot later keep them from opening.
    if (number == SettingsFileNumber || number == LogFileNumber) continue;
    if (OpenFiles.count(number) == 0) {
      LastHandedOut = number;
      return number;
    }
  }
  ErrorCode = TooManyFilesCode;
  return 0;
}
