// Writing a whole byte string to a C runtime file descriptor.
#include "platform/files/write_all.h"

#include <io.h>

#include <cerrno>
#include <climits>

// Writes every byte, or reports that some were lost. Windows descriptors block, so there is
// no full non-blocking descriptor to wait for.
bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const size_t left = bytes.size() - done;
    const unsigned int asked = left > INT_MAX ? INT_MAX : static_cast<unsigned int>(left);
    const int written = _write(fd, bytes.data() + done, asked);
    if (written > 0) {
      done += static_cast<size_t>(written);
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else {
      if (written == 0) errno = ENOSPC;
      return false;
    }
  }
  return true;
}
