// Renaming files, making folders, and moving a file into a folder.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/error_code.h"
#include "platform/files/linux/file_table.h"
#include "platform/files/linux/errno_codes.h"

namespace {

// Opens a folder of the working directory without following a link, making it when missing.
// -1 with the error set when it is not a real folder or cannot be made.
int OpenRealFolder(const std::string& folder) {
  const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int descriptor = openat(AT_FDCWD, folder.c_str(), flags);
  if (descriptor < 0 && errno == ENOENT && mkdirat(AT_FDCWD, folder.c_str(), 0777) == 0)
    descriptor = openat(AT_FDCWD, folder.c_str(), flags);
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

// Moves the file with renameat2's RENAME_NOREPLACE, so a file that appeared under the name
// after it was chosen is never replaced; where the file system lacks it, a link and an
// unlink do the same.
void MoveIntoFolder(const std::string& from, const std::string& folder, const std::string& name) {
  int target = OpenRealFolder(folder);
  if (target < 0) return;
  int error = 0;
  if (renameat2(AT_FDCWD, from.c_str(), target, name.c_str(), RENAME_NOREPLACE) != 0) {
    error = errno;
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
      error = linkat(AT_FDCWD, from.c_str(), target, name.c_str(), 0) == 0 ? 0 : errno;
      if (error == 0 && unlinkat(AT_FDCWD, from.c_str(), 0) != 0) {
        error = errno;
        unlinkat(target, name.c_str(), 0);
      }
    }
  }
  close(target);
  if (error == EEXIST) {
    ErrorCode = NameTakenCode;
    ErrorCause = "the name is taken";
  } else if (error != 0) {
    SetErrorFromErrno(error);
  }
}
