// Printer device, bitmaps: loading bitmap images, reading their pixels as device-independent
// bitmaps and drawing them scaled onto a printer's page, with the Windows names and records.
// On Windows the real GDI and resource calls; on Linux the platform layer's imitation.
#pragma once

#ifdef _WIN32
#include "platform/printer/windows/printer_bitmap.h"
#else
#include "platform/printer/linux/printer_bitmap.h"
#endif
