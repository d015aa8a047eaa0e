// Printing with the configuration: positions of its printer and font, the line that says which
// is missing, and the documents printed on them.

#include "config/configured_printing.h"

#include "config/printer_lists.h"
#include "platform/console/console.h"
#include "print/document_printing.h"
#include "print/document_text.h"

// FindConfiguredPositions() - Printer and font positions counted from 0, -1 when absent.
ConfiguredPositions FindConfiguredPositions(const PrintSettings& settings) {
  ConfiguredPositions positions;
  positions.printer = static_cast<int16_t>(FindPrinter(settings.PrinterName) - 1);
  if (positions.printer >= 0)
    positions.font = static_cast<int16_t>(FindFont(settings.FontName, positions.printer) - 1);
  return positions;
}

// ReportMissingSelection() - One clear line when the configuration names something that is
// not there; nothing when both are found.
bool ReportMissingSelection(const PrintSettings& settings, const ConfiguredPositions& positions) {
  if (positions.printer >= 0 && positions.font >= 0) return false;
  if (settings.PrinterName.empty() && settings.FontName.empty())
    ConsolePrint(
        "No printer is configured (tavrel2.cfg is missing or empty). Run tavrel -setup to choose "
        "one.");
  else if (positions.printer < 0)
    ConsolePrint("Printer \"" + settings.PrinterName +
                 "\" is not installed. Run tavrel -setup to choose a printer.");
  else
    ConsolePrint("Font \"" + settings.FontName + "\" is not offered by printer \"" +
                 settings.PrinterName + "\". Run tavrel -setup to choose a font.");
  ConsoleNewLine();
  return true;
}

// UseConfiguredCodePage() - The fourth line's number, or Windows-1252 with a line saying so.
void UseConfiguredCodePage(const PrintSettings& settings) {
  bool known = true;
  DocumentCodePage = ConfiguredCodePage(settings, known);
  if (!known)
    ConsolePrintLine("Code page \"" + settings.CodePageText +
                     "\" in tavrel2.cfg is not one Tavrel knows (437, 850, 852, 857, 858, 860, "
                     "863, 865, 866, 1250, 1251, 1252); documents print as Windows-1252.");
}

// PrintConfigured() - The sequence the test command and the one-shot print share.
void PrintConfigured(const std::string& fileName, bool showPositions) {
  PrintSettings settings = LoadPrintSettings();
  UseConfiguredCodePage(settings);
  ConfiguredPositions positions = FindConfiguredPositions(settings);
  if (showPositions) {
    ConsolePrintNumber(positions.printer);
    ConsoleNewLine();
    ConsolePrintNumber(positions.font);
    ConsoleNewLine();
  }
  if (ReportMissingSelection(settings, positions)) return;
  int16_t pointSize = PointSizeValue(settings);
  PrintDocument(positions.printer, positions.font, pointSize, fileName);
}

// PrintTestPage() - Sends the test page unless the configured printer or font is missing.
void PrintTestPage() {
  PrintConfigured(TestPageName, false);
  ConsolePrint("Press S to rerun setup, T for a test page, or X to exit.");
  ConsoleNewLine();
}
