// Windowing: window classes, windows, message queues and notification-area icons, with the
// names, records and message numbers of the Windows calls. On Windows the real user32 and
// shell32; on Linux the platform layer's in-process imitation.
#pragma once

#ifdef _WIN32
#include "platform/windowing/windows/windowing.h"
#else
#include "platform/windowing/linux/windowing.h"
#endif
