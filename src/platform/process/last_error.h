// The calling thread's last system error code, as the Windows calls of the platform layer
// leave it for GetLastError and SetLastError. Each platform gives the interface its own way:
// Windows its own calls, Linux the platform layer's record of them.
#pragma once

#ifdef _WIN32
#include "platform/process/windows/last_error.h"
#else
#include "platform/process/linux/last_error.h"
#endif
