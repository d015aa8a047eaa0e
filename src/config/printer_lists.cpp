// Printer and font listings for the operator, and lookups of configured names.
//
// Every operation rediscovers what it shows. A position outside the discovered entries (the -1
// of a name that is not installed, or a number beyond the list) is never read: such a printer
// is treated as one whose context cannot be created, such a font as an empty name.

#include "config/printer_lists.h"

#include "platform/console/console.h"
#include "print/discovery.h"
#include "print/print_job.h"
#include "print/text_measure.h"
#include "base/number_text.h"
#include "base/text_rules.h"

namespace {

// Fixed-pitch test: both texts have the same extent only in a fixed-pitch face.
const std::string NarrowProbe = "iiiii";
const std::string WideProbe = "wwwww";
constexpr int32_t ProbePointSize = 12;

// NoPrintersNotice() - The console line shown when discovery found no printer.
void NoPrintersNotice() {
  ConsolePrint("No Printers found");
  ConsoleNewLine();
}

// OpenFontsOf() - Opens a context of the printer at the position and discovers its fonts; a
// position that is not a printer opens nothing and counts no fonts, as a printer whose
// context cannot be created.
void OpenFontsOf(int16_t printerPosition) {
  if (!IsPrinterPosition(printerPosition)) {
    FontCount = 0;
    return;
  }
  OpenPrinterContext(PrinterNames[static_cast<size_t>(printerPosition)]);
  EnumerateFonts();
}

// LastMatch() - 1-based number of the last of the first count entries equal to the name, 0
// when none is.
int16_t LastMatch(const std::vector<std::string>& list, int32_t count, const std::string& name) {
  int16_t found = 0;
  for (int32_t i = 0; i < count && static_cast<size_t>(i) < list.size(); ++i)
    if (CompareText(name, list[static_cast<size_t>(i)]) == 0) found = static_cast<int16_t>(i + 1);
  return found;
}

}  // namespace

// ListPrinters() - One standard-output line per installed printer, numbered from 1 when the
// output is a console; the current printer's line starts with "Your selection ".
void ListPrinters(const std::string& currentName) {
  EnumeratePrinters();
  if (PrinterCount == 0) NoPrintersNotice();
  for (int32_t i = 0; IsPrinterPosition(i); ++i) {
    const std::string& printerName = PrinterNames[static_cast<size_t>(i)];
    if (CompareText(printerName, currentName) == 0) StdOutPrint("Your selection ");
    if (StdOutIsConsole()) StdOutPrint(NumberText(i + 1, 7));
    StdOutPrint(" ");
    StdOutPrint(printerName);
    StdOutNewLine();
  }
}

// PrinterNameAt() - Name of the printer at the position after a fresh discovery; "" for a
// position that is not an installed printer.
std::string PrinterNameAt(int16_t printerPosition) {
  EnumeratePrinters();
  if (PrinterCount == 0) NoPrintersNotice();
  return IsPrinterPosition(printerPosition) ? PrinterNames[static_cast<size_t>(printerPosition)]
                                            : std::string();
}

// ListFixedPitchFonts() - Counts the printer's font families on the console and writes the
// fixed-pitch ones to standard output, numbered by their place in the whole font list. The
// printer context is released before returning.
void ListFixedPitchFonts(int16_t printerPosition) {
  EnumeratePrinters();
  ConsolePrint("Listing Fonts for printer");
  ConsoleNewLine();
  OpenFontsOf(printerPosition);
  ConsolePrintNumber(FontCount);
  ConsolePrint("found");
  ConsoleNewLine();

  for (int32_t i = 0; IsFontPosition(i); ++i) {
    const std::string& faceName = FontNames[static_cast<size_t>(i)];
    SelectPrintFont(faceName, ProbePointSize);
    const TextExtent narrow = MeasurePrintText(NarrowProbe);
    const TextExtent wide = MeasurePrintText(WideProbe);
    if (narrow.width != wide.width || narrow.height != wide.height) continue;
    if (StdOutIsConsole()) StdOutPrint(NumberText(i + 1, 7) + " ");
    StdOutPrint(faceName);
    StdOutNewLine();
  }
  EndPrintJob();
}

// FontNameAt() - Face name at the font position among the fonts of the printer at the printer
// position; "" for a position outside either list.
std::string FontNameAt(int16_t fontPosition, int16_t printerPosition) {
  EnumeratePrinters();
  ConsolePrint("Listing Fonts for printer");
  ConsoleNewLine();
  OpenFontsOf(printerPosition);
  std::string face =
      IsFontPosition(fontPosition) ? FontNames[static_cast<size_t>(fontPosition)] : std::string();
  EndPrintJob();
  return face;
}

// FindPrinter() - 1-based number of the last installed printer of exactly that name, 0 when
// none is installed.
int16_t FindPrinter(const std::string& name) {
  EnumeratePrinters();
  return LastMatch(PrinterNames, PrinterCount, name);
}

// FindFont() - 1-based number of the last family of exactly that face name among the fonts of
// the printer at the position (the printer list as the caller's FindPrinter left it); 0 when
// absent. The printer context is released, so a print job can be opened next.
int16_t FindFont(const std::string& faceName, int16_t printerPosition) {
  OpenFontsOf(printerPosition);
  int16_t found = LastMatch(FontNames, FontCount, faceName);
  EndPrintJob();
  return found;
}
