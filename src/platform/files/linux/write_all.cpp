// Writing a whole byte string to a file descriptor.
#include "platform/files/write_all.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

// Writes every byte, or reports that some were lost.
bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written > 0) {
      done += static_cast<size_t>(written);
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && errno == EAGAIN) {
      // A non-blocking descriptor that is full: wait a while for room, then give up.
      struct pollfd ready = {fd, POLLOUT, 0};
      if (poll(&ready, 1, 1000) <= 0) return false;
    } else {
      return false;
    }
  }
  return true;
}
