// Renaming files, making folders, and moving a file into a folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/error_code.h"
#include "platform/files/linux/file_table.h"
#include "platform/files/linux/errno_codes.h"
#include "platform/files/linux/real_folder.h"

namespace {

// Opens a folder of the working directory as OpenRealFolder does; -1 with the error set.
int OpenTargetFolder(const std::string& folder) {
  int descriptor = OpenRealFolder(folder.c_str());
  if (descriptor >= 0) return descriptor;
  if (errno == ELOOP || errno == ENOTDIR) {
    ErrorCode = NotOrdinaryFileCode;
    ErrorCause = folder + " is a link or not a folder";
  } else {
    SetErrorFromErrno(errno);
  }
  return -1;
}

}  // namespace

// Renames a file, replacing a file already named `to`. A missing source is 53 (76 when its
// folder is missing too), a missing target folder 76, other failures the code of errno.
void RenameFile(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return;
  int error = errno;
  struct stat info;
  if (error != ENOENT)
    SetErrorFromErrno(error);
  else if (lstat(from.c_str(), &info) != 0)
    ErrorCode = MissingNameCode(from);
  else
    ErrorCode = PathNotFoundCode;
}

// Makes a folder unless a folder of that name is already there. A file of that name is 75,
// a missing parent folder 76.
void MakeFolder(const std::string& name) {
  if (mkdir(name.c_str(), 0777) == 0) return;
  int error = errno;
  struct stat info;
  if (error == EEXIST && stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return;
  if (error == ENOENT)
    ErrorCode = PathNotFoundCode;
  else
    SetErrorFromErrno(error);
}

// Moves the file without ever replacing one, so a file that appeared under the name after it
// was chosen stays.
void MoveIntoFolder(const std::string& from, const std::string& folder, const std::string& name) {
  int target = OpenTargetFolder(folder);
  if (target < 0) return;
  const int error = RenameWithoutReplacing(AT_FDCWD, from.c_str(), target, name.c_str());
  close(target);
  if (error == EEXIST) {
    ErrorCode = NameTakenCode;
    ErrorCause = "the name is taken";
  } else if (error != 0) {
    SetErrorFromErrno(error);
  }
}
