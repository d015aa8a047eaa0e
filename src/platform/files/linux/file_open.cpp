// Opening and closing files exclusively, and their sizes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/error_code.h"
#include "platform/files/linux/file_held.h"
#include "platform/files/linux/file_table.h"
#include "platform/files/file_watch.h"
#include "platform/files/linux/errno_codes.h"

namespace {

// Closes a descriptor with the folder's watch caught up on both sides (see file_watch.h).
void CloseWatched(int descriptor) {
  CatchUpWithWatch();
  close(descriptor);
  CatchUpWithWatch();
}

// Words for a name that is not an ordinary file.
const char NotOrdinaryFileCause[] = "it is not an ordinary file";

// Fails the open: closes what was opened and leaves the code and its cause.
void AbandonOpen(int descriptor, int code, const std::string& cause) {
  if (descriptor >= 0) CloseWatched(descriptor);
  ErrorCode = code;
  ErrorCause = cause;
}

// Open flags of a mode. O_NONBLOCK keeps a FIFO or device from stalling the open (it is
// refused right after) and fails the open at once when another process holds a lease.
int OpenFlags(FileMode mode) {
  int flags = O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  switch (mode) {
    case FileInput:
      return flags | O_RDONLY;
    case FileOutput:
      return flags | O_WRONLY | O_CREAT;
    case FileAppend:
      // Every write lands at the end, also after another process appended to the file
      // meanwhile (a second run mode's refusal line in the log this one holds open).
      return flags | O_RDWR | O_CREAT | O_APPEND;
  }
  return flags | O_RDONLY;
}

}  // namespace

// Opens a file exclusively under a file number. Codes: 52 bad number, 55 number already open,
// 53 missing (input), 70 held by another process, 75 not an ordinary file, others from errno.
// Output empties the file only once the exclusive open has succeeded; append starts at the end.
void FileOpen(const std::string& name, int number, FileMode mode) {
  if (number < 1 || number > HighestFileNumber) {
    ErrorCode = BadFileNumberCode;
    return;
  }
  if (OpenFiles.count(number) != 0) {
    ErrorCode = FileAlreadyOpenCode;
    return;
  }
  struct stat info;
  if (lstat(name.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
    return AbandonOpen(-1, NotOrdinaryFileCode, NotOrdinaryFileCause);
  int descriptor;
  CatchUpWithWatch();
  do descriptor = open(name.c_str(), OpenFlags(mode), 0666);
  while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) {
    if (errno == ENOENT) return AbandonOpen(-1, MissingNameCode(name), ErrnoCause(ENOENT));
    if (errno == ELOOP || errno == EISDIR || errno == ENXIO)
      return AbandonOpen(-1, NotOrdinaryFileCode, NotOrdinaryFileCause);
    // A lease held elsewhere refuses a non-blocking open with EWOULDBLOCK.
    if (errno == EWOULDBLOCK) return AbandonOpen(-1, HeldOrDeniedCode, HeldElsewhereCause);
    return SetErrorFromErrno(errno);
  }
  // The name may have been swapped between lstat and open: the open file itself decides.
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode))
    return AbandonOpen(descriptor, NotOrdinaryFileCode, NotOrdinaryFileCause);
  fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  if (HeldElsewhere(descriptor, name))
    return AbandonOpen(descriptor, HeldOrDeniedCode, HeldElsewhereCause);
  if ((mode == FileOutput && ftruncate(descriptor, 0) != 0) ||
      (mode == FileAppend && lseek(descriptor, 0, SEEK_END) < 0)) {
    int error = errno;
    CloseWatched(descriptor);
    return SetErrorFromErrno(error);
  }
  OpenFile& file = OpenFiles[number];
  file.Descriptor = descriptor;
  file.Mode = mode;
}

// Closes a file number: a file open for output is first cut at the current position. The
// lock goes with the descriptor. Closing a number that is not open does nothing, so a log
// that failed to open can be closed like any other.
void FileClose(int number) {
  auto found = OpenFiles.find(number);
  if (found == OpenFiles.end()) return;
  int descriptor = found->second.Descriptor;
  if (found->second.Mode == FileOutput) {
    off_t position = lseek(descriptor, 0, SEEK_CUR);
    if (position < 0 || ftruncate(descriptor, position) != 0) ErrorCode = ErrorCodeFromErrno(errno);
  }
  CatchUpWithWatch();
  if (close(descriptor) != 0 && errno != EINTR) ErrorCode = ErrorCodeFromErrno(errno);
  CatchUpWithWatch();
  OpenFiles.erase(found);
}

// The identity of an open file as FileIdentity gives it for a name: what this program has
// open, whatever has happened to the name since. "" when the number is not open.
std::string OpenFileIdentity(int number) {
  OpenFile* file = FindOpenFile(number);
  struct stat info;
  if (file == nullptr || fstat(file->Descriptor, &info) != 0) return "";
  return FileIdentityText(info);
}

// Size in bytes of an open file; 0 with an error code when it cannot be told.
int64_t FileSize(int number) {
  OpenFile* file = FindOpenFile(number);
  if (file == nullptr) return 0;
  struct stat info;
  if (fstat(file->Descriptor, &info) != 0) {
    ErrorCode = ErrorCodeFromErrno(errno);
    return 0;
  }
  return info.st_size;
}
