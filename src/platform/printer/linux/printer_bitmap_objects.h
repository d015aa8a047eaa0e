// Bitmap objects: the work behind the bitmap calls of printer_bitmap.h, as one table.
//
// The calls reach their objects (loaded bitmaps, screen and memory contexts, pixel read-outs)
// through the table of the kind of printer in use; the real printers use the program's own,
// MemoryBitmapObjects.
#pragma once

#include "platform/printer/printer_bitmap.h"

struct BitmapObjects {
  HANDLE (*loadImage)(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT flags);
  int (*getObject)(HGDIOBJ object, int size, void* out);
  HDC (*getDC)(HWND window);
  int (*releaseDC)(HWND window, HDC dc);
  HDC (*createCompatibleDC)(HDC dc);
  // DeleteDC of a memory context and DeleteObject of a bitmap; false for any other handle.
  bool (*deleteContext)(HDC dc);
  bool (*deleteBitmap)(HGDIOBJ object);
  int (*getDIBits)(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info,
                   UINT usage);
};

// The program's own: bitmaps decoded into memory, and screen and memory contexts that exist
// only to read pixels out.
extern const BitmapObjects MemoryBitmapObjects;
