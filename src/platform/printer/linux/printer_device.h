// Printer device on Linux: printers, device contexts, documents, pages, fonts, text and
// bitmaps, with the names, signatures and units of the Windows graphics interface the printing
// code is written for.
//
// Behind it: CUPS destinations and the built-in "Print to PDF" printer, both written as PDF by
// the printer layer's own writer, fonts from fontconfig with FreeType metrics (or a test's own
// kind of printer, printer_internal.h). Coordinates are device pixels, origin at the top-left
// corner of the printable area, y downwards. Text is 8-bit: each byte is one glyph (Windows-1252);
// the wide calls (...W) take UTF-16 for characters beyond it, and draw and measure the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DeviceContext;
struct GdiObject;  // a font or a bitmap
using HDC = DeviceContext*;
using HGDIOBJ = GdiObject*;
using HFONT = GdiObject*;
using HBITMAP = GdiObject*;
using HANDLE = void*;
using COLORREF = uint32_t;
using DWORD = uint32_t;
// A caller's value handed through to a callback: as wide as a pointer, as on Windows.
using LPARAM = intptr_t;

// The calling convention of a procedure the system calls back: the ordinary one here.
#ifndef CALLBACK
#define CALLBACK
#endif

constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int PHYSICALWIDTH = 110;
constexpr int PHYSICALHEIGHT = 111;
constexpr int PHYSICALOFFSETX = 112;
constexpr int PHYSICALOFFSETY = 113;
constexpr int RC_STRETCHDIB = 0x2000;

constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_BASELINE = 24;
constexpr unsigned GDI_ERROR_ALIGN = 0xFFFFFFFF;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

constexpr int DM_OUT_BUFFER = 2;
constexpr int DM_IN_PROMPT = 4;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int16_t DMORIENT_PORTRAIT = 1;
constexpr int16_t DMORIENT_LANDSCAPE = 2;
constexpr uint32_t DM_ORIENTATION = 0x1;

// Why a printer call failed, for GetLastError after OpenPrinterA, CreateDCA, StartDocA,
// StartPage or EndDoc reported a failure (the Windows spooler's numbers).
constexpr uint32_t ERROR_ACCESS_DENIED = 5;      // the scheduler or the folder refused us
constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;  // the document could not be made
constexpr uint32_t ERROR_NOT_READY = 21;         // the queue is stopped or refuses jobs
constexpr uint32_t ERROR_WRITE_FAULT = 29;       // the PDF file could not be written
constexpr uint32_t ERROR_PRINT_CANCELLED = 63;   // the scheduler refused the job or document
constexpr uint32_t ERROR_DISK_FULL = 112;
constexpr uint32_t ERROR_DIRECTORY = 267;              // "pdf" is a link or not a folder
constexpr uint32_t ERROR_SERVICE_NOT_ACTIVE = 1062;    // no scheduler is running
constexpr uint32_t ERROR_TIMEOUT = 1460;               // the scheduler did not answer in time
constexpr uint32_t ERROR_INVALID_PRINTER_NAME = 1801;  // no printer of that name

// The longest the printer layer waits for the printer's scheduler to connect, to take a
// request or to answer one. Once a wait of a print job has run out, the job's later calls
// fail at once (ERROR_TIMEOUT) instead of waiting again: a scheduler that hangs costs one
// document at most this long.
constexpr int SchedulerWaitSeconds = 10;

// The printer's settings record; the device context keeps its own copy.
struct DEVMODEA {
  uint32_t dmFields = 0;
  int16_t dmOrientation = DMORIENT_PORTRAIT;
};

// The document record; cbSize is 20, its size on the original 32-bit platform.
struct DOCINFOA {
  int cbSize = 20;
  const char* lpszDocName = nullptr;
  const char* lpszOutput = nullptr;
  const char* lpszDatatype = nullptr;
  uint32_t fwType = 0;
};

struct LOGFONTA {
  int32_t lfHeight = 0;  // negative: em size in device pixels
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  char lfFaceName[32] = {};
};

struct ENUMLOGFONTA {
  LOGFONTA elfLogFont;
  char elfFullName[64] = {};
  char elfStyle[32] = {};
};

struct TEXTMETRICA {
  int32_t tmHeight = 0;  // ascent + descent
  int32_t tmAscent = 0;
  int32_t tmDescent = 0;
  int32_t tmInternalLeading = 0;
  int32_t tmExternalLeading = 0;  // line gap beyond the height, never negative
  int32_t tmAveCharWidth = 0;
  int32_t tmMaxCharWidth = 0;
};

struct SIZE {
  int32_t cx = 0;
  int32_t cy = 0;
};

// The font enumeration callback gets each family's description (an ENUMLOGFONTA, whose first
// member is this LOGFONTA), its metrics, its kind and the caller's value.
using FONTENUMPROCA = int(CALLBACK*)(const LOGFONTA* font, const TEXTMETRICA* metrics,
                                     DWORD fontType, LPARAM callerValue);

// The spooler's access request when a printer is opened; none is ever given here.
struct PRINTER_DEFAULTSA;

// Printers: the CUPS destinations of the default server in libcups's order (an instance as
// "queue/instance"), then "Print to PDF". No scheduler is not a failure (the CUPS part is
// empty). False on another failure, with the error number for GetLastError.
bool EnumPrintersA(std::vector<std::string>& names);
uint32_t GetLastError();

// The CUPS default destination's name, "" when there is none.
std::string DefaultPrinterDevice();

// A printer handle for the settings calls; false when no such printer. The access request is
// ignored (null is what the program gives).
bool OpenPrinterA(const char* name, HANDLE* printer, PRINTER_DEFAULTSA* defaults = nullptr);
// mode 0: size of the settings record; DM_OUT_BUFFER: the printer's defaults into out (IDOK);
// DM_IN_PROMPT | DM_OUT_BUFFER: the operator is asked on the console (IDOK or IDCANCEL).
long DocumentPropertiesA(void* window, HANDLE printer, const char* name, DEVMODEA* out,
                         const DEVMODEA* in, DWORD mode);
int ClosePrinter(HANDLE printer);

// A device context of the named printer; 0 when there is no such printer.
HDC CreateDCA(const char* driver, const char* device, const char* output, const DEVMODEA* settings);
// Deleting a context whose document has not ended cancels its job.
int DeleteDC(HDC dc);
// Starting a document creates the spooler job under the document name (> 0 on success);
// ending it hands the finished PDF to the spooler or the PDF folder (> 0 on success).
int StartDocA(HDC dc, const DOCINFOA* info);
int StartPage(HDC dc);
int EndPage(HDC dc);
int EndDoc(HDC dc);

int GetDeviceCaps(HDC dc, int index);

HFONT CreateFontIndirectA(const LOGFONTA* font);
// Selecting a font or bitmap returns the object it replaces.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
int DeleteObject(HGDIOBJ object);

int GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
int GetTextExtentPoint32A(HDC dc, const char* text, int length, SIZE* size);
// Advance widths of the bytes first..last in the selected font; the extent of a text is the
// sum of its bytes' advances (no kerning).
int GetCharWidth32A(HDC dc, unsigned first, unsigned last, int* widths);
int TextOutA(HDC dc, int x, int y, const char* text, int length);
// The wide calls: text in UTF-16 units (on Linux each wchar_t holds one 16-bit unit; a
// surrogate pair is one character). A character the font lacks, a control character
// included, is the font's missing glyph, as with the 8-bit calls.
int GetTextExtentPoint32W(HDC dc, const wchar_t* text, int length, SIZE* size);
// Advances of the characters first..last (at most 0..0xFFFF) in the selected font.
int GetCharWidth32W(HDC dc, unsigned first, unsigned last, int* widths);
int TextOutW(HDC dc, int x, int y, const wchar_t* text, int length);
unsigned SetTextAlign(HDC dc, unsigned align);
unsigned GetTextAlign(HDC dc);
int SetBkMode(HDC dc, int mode);
COLORREF SetTextColor(HDC dc, COLORREF color);

// One callback per font family of the context's printer, until the callback returns 0.
int EnumFontFamiliesA(HDC dc, const char* family, FONTENUMPROCA callback, LPARAM value);

// a * b / c on a 64-bit product, rounded half away from zero; -1 when c is 0 or the result does
// not fit 32 bits, as the Windows call does.
int MulDiv(int a, int b, int c);
