// Printer device: printers, device contexts, documents, pages, fonts, text and bitmaps, with
// the names, records and units of the Windows graphics interface the printing code is written
// for. On Windows that is the real spooler and GDI; on Linux the platform layer's imitation
// of them over CUPS, its own PDF writer and fontconfig. The printing code compiles unchanged
// over either.
#pragma once

#ifdef _WIN32
#include "platform/printer/windows/printer_device.h"
#else
#include "platform/printer/linux/printer_device.h"
#endif
