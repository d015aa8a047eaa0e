// Appending to a file that another program holds locked: O_APPEND and one write, so the line
// lands whole at the end even while the holder writes lines of its own.
#include "platform/files/shared_append.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

// One write at the end of an ordinary file; no lock is asked for, so a holder's lock never
// stops it.
bool AppendWithoutLock(const std::string& name, const std::string& bytes) {
  int descriptor;
  do
    descriptor =
        open(name.c_str(),
             O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
  while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return false;
  struct stat info;
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(descriptor);
    return false;
  }
  ssize_t written;
  do written = write(descriptor, bytes.data(), bytes.size());
  while (written < 0 && errno == EINTR);
  close(descriptor);
  return written == static_cast<ssize_t>(bytes.size());
}
