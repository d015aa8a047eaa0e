// Open-file table: lookup of file numbers and the handing out of free ones.
#include "platform/files/linux/file_table.h"

#include <sys/stat.h>

#include "base/error_code.h"
#include "platform/files/files.h"

std::map<int, OpenFile> OpenFiles;

namespace {

// The file number FreeFileNumber handed out last; counting resumes after it.
int LastHandedOut = 0;

}  // namespace

// The record of an open file number; ErrorCode 52 when the number is not open.
OpenFile* FindOpenFile(int number) {
  auto found = OpenFiles.find(number);
  if (found == OpenFiles.end()) {
    ErrorCode = BadFileNumberCode;
    return nullptr;
  }
  return &found->second;
}

// 76 when the folder part of a name does not exist as a folder, else 53.
int MissingNameCode(const std::string& name) {
  size_t slash = name.rfind('/');
  if (slash == std::string::npos || slash == 0) return FileNotFoundCode;
  struct stat info;
  std::string folder = name.substr(0, slash);
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? FileNotFoundCode
                                                                   : PathNotFoundCode;
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
