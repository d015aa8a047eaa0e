// Folder lock over a POSIX record lock on the lock file: the system drops it when its holder
// ends, and F_GETLK tells any other process, of any user, the holder's process id.
#include "platform/files/folder_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/error_code.h"
#include "platform/files/linux/errno_codes.h"

namespace {

// The held lock file; -1 without a lock. A child forked from the holder inherits the
// descriptor but not the lock, hence the holder's process id beside it.
int LockDescriptor = -1;
pid_t LockProcess = 0;

// Forgets a descriptor inherited from the process that took the lock.
void ForgetInheritedLock() {
  if (LockDescriptor < 0 || LockProcess == getpid()) return;
  close(LockDescriptor);
  LockDescriptor = -1;
}

// A record lock over the whole file, however long it grows.
struct flock WholeFile(short type) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  return lock;
}

// Opens the lock file for writing, created when absent. A file this process may only read
// (left by another user) is opened for reading, writeError telling why: it still shows that
// user's lock. -1 with errno when neither works. Links and FIFOs are never followed or waited
// on.
int OpenLockFile(const std::string& name, int& writeError) {
  const int flags = O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int descriptor;
  do descriptor = open(name.c_str(), flags | O_RDWR | O_CREAT, 0644);
  while (descriptor < 0 && errno == EINTR);
  writeError = descriptor >= 0 ? 0 : errno;
  if (descriptor >= 0 || (errno != EACCES && errno != EPERM && errno != EROFS)) return descriptor;
  do descriptor = open(name.c_str(), flags | O_RDONLY);
  while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) errno = writeError;
  return descriptor;
}

// Lets every user read the lock file of this process, so that a second run mode started by
// another user can learn who holds it, whatever the umask.
void LetEveryoneRead(int descriptor, const struct stat& info) {
  if (info.st_uid != geteuid()) return;
  if ((info.st_mode & 0444) != 0444) fchmod(descriptor, (info.st_mode & 07777) | 0444);
}

// Replaces the file's content with this process's id, for a person who looks at it.
void WriteProcessId(int descriptor) {
  const std::string text = std::to_string(getpid()) + "\n";
  if (ftruncate(descriptor, 0) != 0) return;
  ssize_t written;
  do written = pwrite(descriptor, text.data(), text.size(), 0);
  while (written < 0 && errno == EINTR);
}

// Fails the attempt with the program's code for an errno (or a code of its own).
FolderLockResult Failure(int descriptor, int code) {
  if (descriptor >= 0) close(descriptor);
  FolderLockResult result;
  result.state = FolderLockState::Failed;
  result.errorCode = code;
  return result;
}

}  // namespace

// Takes the lock, or names the process that holds it. A holder that ends between the refusal
// and the question who it is lets the next attempt through.
FolderLockResult TakeFolderLock(const std::string& name) {
  ForgetInheritedLock();
  if (LockDescriptor >= 0) return FolderLockResult{FolderLockState::Taken, 0, 0};
  int writeError = 0;
  const int descriptor = OpenLockFile(name, writeError);
  if (descriptor < 0) return Failure(-1, ErrorCodeFromErrno(errno));
  const bool writable = writeError == 0;
  struct stat info;
  if (fstat(descriptor, &info) != 0) return Failure(descriptor, ErrorCodeFromErrno(errno));
  if (!S_ISREG(info.st_mode)) return Failure(descriptor, NotOrdinaryFileCode);
  fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);

  for (int attempt = 0; attempt < 5; attempt++) {
    if (writable) {
      struct flock lock = WholeFile(F_WRLCK);
      if (fcntl(descriptor, F_SETLK, &lock) == 0) {
        LetEveryoneRead(descriptor, info);
        WriteProcessId(descriptor);
        LockDescriptor = descriptor;
        LockProcess = getpid();
        return FolderLockResult{FolderLockState::Taken, 0, 0};
      }
      if (errno == EINTR) continue;
      if (errno != EACCES && errno != EAGAIN) return Failure(descriptor, ErrorCodeFromErrno(errno));
    }
    struct flock holder = WholeFile(F_WRLCK);
    if (fcntl(descriptor, F_GETLK, &holder) != 0) {
      if (errno == EINTR) continue;
      return Failure(descriptor, ErrorCodeFromErrno(errno));
    }
    if (holder.l_type != F_UNLCK) {
      close(descriptor);
      return FolderLockResult{FolderLockState::HeldElsewhere, holder.l_pid, 0};
    }
    // Nobody holds it, but this process may not write it: it cannot be taken here.
    if (!writable) return Failure(descriptor, ErrorCodeFromErrno(writeError));
  }
  return Failure(descriptor, ErrorCodeFromErrno(EAGAIN));
}

// Empties the file and closes it, which drops the lock.
void ReleaseFolderLock() {
  ForgetInheritedLock();
  if (LockDescriptor < 0) return;
  // Emptied while still held. A process id left behind when that fails does no harm: only
  // the lock counts, never the file's content.
  [[maybe_unused]] const bool emptied = ftruncate(LockDescriptor, 0) == 0;
  close(LockDescriptor);
  LockDescriptor = -1;
}
