// The process-wide error code.
#include "base/error_code.h"

int ErrorCode = 0;
std::string ErrorCause;

// Marks that no error is pending, so the next failing service can be noticed.
void ClearErrorCode() {
  ErrorCode = 0;
  ErrorCause.clear();
}
