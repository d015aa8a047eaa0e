// The test whether another process holds a file: an exclusive flock, a write-lease probe and
// the working folder's watch.
#include "platform/files/linux/file_held.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <csignal>

#include "platform/files/file_watch.h"

namespace {

// True when another process has the file open: a write lease is refused (EAGAIN) as long as
// any other open of the file exists, even one without a lock, such as the point-of-sale
// program still writing the capture file. The lease is given back at once. Where no lease
// may be taken (not the file's owner, or a file system without leases) the answer is false.
// A lease taken proves that nobody else has the file open, which the folder's watch is told.
bool OpenedElsewhere(int descriptor, const std::string& name) {
  // A lease is broken by a signal to its holder, SIGIO by default, which would end the
  // program if another process opened the file in the instant the lease is held. SIGURG is
  // ignored unless someone asks for it.
  fcntl(descriptor, F_SETSIG, SIGURG);
  if (fcntl(descriptor, F_SETLEASE, F_WRLCK) == 0) {
    fcntl(descriptor, F_SETLEASE, F_UNLCK);
    NoteOnlyOwnOpen(name);
    return false;
  }
  return errno == EAGAIN || errno == EWOULDBLOCK;
}

// Takes the exclusive lock that keeps out another Tavrel and any program that locks. Only a
// lock held elsewhere fails; a file system without flock support is used without it.
bool LockedElsewhere(int descriptor) {
  while (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    return errno == EWOULDBLOCK || errno == EAGAIN;
  }
  return false;
}

}  // namespace

// The lock first, so that a Tavrel holding the file is seen even when leases are refused. The
// watch counts this program's own open of the descriptor too, so more than one open is
// someone else's: a writer of another user, or on a file system without leases.
bool HeldElsewhere(int descriptor, const std::string& name) {
  return LockedElsewhere(descriptor) || OpenedElsewhere(descriptor, name) ||
         FileOpenCount(name) > 1;
}
