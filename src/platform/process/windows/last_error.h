// The calling thread's last system error code: Windows's own GetLastError and SetLastError.
#pragma once

#include <windows.h>
