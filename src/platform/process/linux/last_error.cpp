// The calling thread's last system error code, as the Windows calls of the platform layer
// leave it for GetLastError.
#include "platform/process/last_error.h"

namespace {

// Each thread has its own, as on the original platform: a failure on the tray thread does
// not disturb the main thread's code.
thread_local uint32_t LastError = 0;

}  // namespace

// The code the calling thread's last failed call left.
uint32_t GetLastError() {
  return LastError;
}

// Sets the calling thread's code.
void SetLastError(uint32_t error) {
  LastError = error;
}
