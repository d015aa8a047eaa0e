// Renaming files and making folders.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "platform/error_code.h"
#include "platform/file_table.h"

// Renames a file, replacing a file already named `to`. A missing source is 53 (76 when its
// folder is missing too), a missing target folder 76, other failures the code of errno.
void RenameFile(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return;
  int error = errno;
  struct stat info;
  if (error != ENOENT)
    ErrorCode = ErrorCodeFromErrno(error);
  else if (lstat(from.c_str(), &info) != 0)
    ErrorCode = MissingNameCode(from);
  else
    ErrorCode = 76;
}

// Makes a folder unless a folder of that name is already there. A file of that name is 75,
// a missing parent folder 76.
void MakeFolder(const std::string& name) {
  if (mkdir(name.c_str(), 0777) == 0) return;
  int error = errno;
  struct stat info;
  if (error == EEXIST && stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return;
  ErrorCode = error == ENOENT ? 76 : ErrorCodeFromErrno(error);
}
