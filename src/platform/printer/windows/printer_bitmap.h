// Printer device on Windows, bitmaps: GDI's own LoadImageA, GetDIBits, StretchDIBits and
// their records; the bitmap resources are in the program's resource section.
#pragma once

#include "platform/printer/windows/printer_device.h"
