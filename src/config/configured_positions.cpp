// Positions of the configured printer and font, and the line that says which is missing.

#include "config/configured_positions.h"

#include "config/printer_lists.h"
#include "platform/console.h"

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
    ConsolePrint("No printer is configured (tavrel2.cfg is missing or empty). Run tavrel -setup to choose one.");
  else if (positions.printer < 0)
    ConsolePrint("Printer \"" + settings.PrinterName +
                 "\" is not installed. Run tavrel -setup to choose a printer.");
  else
    ConsolePrint("Font \"" + settings.FontName + "\" is not offered by printer \"" +
                 settings.PrinterName + "\". Run tavrel -setup to choose a font.");
  ConsoleNewLine();
  return true;
}
