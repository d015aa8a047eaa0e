// Printer and font discovery: the global name lists, refilled from the platform before
// every use.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/printer/printer_device.h"

// After a discovery of n names: positions 0..n-1 the names, position n empty. A discovery
// that finds nothing leaves the list as it was.
extern std::vector<std::string> PrinterNames;
extern int32_t PrinterCount;
extern std::vector<std::string> FontNames;
extern int32_t FontCount;
// Each enumerated face name and a TAB; empty between discoveries.
extern std::string FaceNameBuffer;

// Creates both lists with two empty entries; a list that exists is left as it is.
void CreateNameLists();

int32_t EnumeratePrinters();
// Places a document-less context of the printer in PrintJob.PrinterDc when the slot is empty.
HDC OpenPrinterContext(const std::string& printerName);
int32_t EnumerateFonts();
// The font enumeration callback: the system calls it once per family.
int CALLBACK CollectFontFace(const LOGFONTA* font, const TEXTMETRICA* metrics, DWORD fontType,
                             LPARAM callerValue);
std::string DefaultPrinterName();

// True when position is an entry of the list below its count.
bool IsPrinterPosition(int position);
bool IsFontPosition(int position);
