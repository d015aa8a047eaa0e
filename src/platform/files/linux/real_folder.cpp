// Folders opened without following links, and renames that never replace a file.
#include "platform/files/linux/real_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

int OpenRealFolder(const char* name) {
  const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int descriptor = openat(AT_FDCWD, name, flags);
  if (descriptor < 0 && errno == ENOENT && mkdirat(AT_FDCWD, name, 0777) == 0)
    descriptor = openat(AT_FDCWD, name, flags);
  return descriptor;
}

int RenameWithoutReplacing(int fromFolder, const char* from, int toFolder, const char* to) {
  if (renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  if (linkat(fromFolder, from, toFolder, to, 0) != 0) return errno;
  if (unlinkat(fromFolder, from, 0) == 0) return 0;
  const int error = errno;
  unlinkat(toFolder, to, 0);  // the file keeps its old name only
  return error;
}
