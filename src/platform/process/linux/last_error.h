// The calling thread's last system error code, as the Windows calls of the platform layer
// leave it for GetLastError.
#pragma once

#include <cstdint>

uint32_t GetLastError();
void SetLastError(uint32_t error);
