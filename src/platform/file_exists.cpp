// Existence checks the program makes before it reads a file or waits for typed input.

#include "platform/file_exists.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// OrdinaryFileExists() - True for a regular file; a directory, link or device is not one.
bool OrdinaryFileExists(const std::string& name) {
  struct stat info;
  if (name.empty() || name.find('\0') != std::string::npos) return false;
  return lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// ConsoleHasKeyboard() - True when a controlling terminal can be opened for keys.
bool ConsoleHasKeyboard() {
  int fd = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}
