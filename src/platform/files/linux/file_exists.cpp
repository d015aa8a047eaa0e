// Whether a file the program looks for is there as an ordinary file, and which version it is.

#include "platform/files/file_exists.h"

#include "platform/files/linux/file_table.h"

#include <sys/stat.h>

#include <string>

// OrdinaryFileExists() - True for a regular file; a directory, link or device is not one.
bool OrdinaryFileExists(const std::string& name) {
  struct stat info;
  if (name.empty() || name.find('\0') != std::string::npos) return false;
  return lstat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// FileIdentityText() - Device, inode, size, modification and status-change times and the
// permissions as one text. A file whose permissions the operator put right counts as changed.
std::string FileIdentityText(const struct stat& info) {
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" +
         std::to_string(info.st_size) + ":" + std::to_string(info.st_mtim.tv_sec) + "." +
         std::to_string(info.st_mtim.tv_nsec) + ":" + std::to_string(info.st_ctim.tv_sec) + "." +
         std::to_string(info.st_ctim.tv_nsec) + ":" + std::to_string(info.st_mode);
}

// FileIdentity() - The identity of the ordinary file of that name; "" when there is none.
std::string FileIdentity(const std::string& name) {
  struct stat info;
  if (name.empty() || name.find('\0') != std::string::npos) return "";
  if (lstat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return "";
  return FileIdentityText(info);
}
