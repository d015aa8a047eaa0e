// One-shot print of the capture file with the configured printer, font and size.

#include "shell/pos_print.h"

#include "config/configured_positions.h"
#include "config/print_settings.h"
#include "monitor/run_monitor.h"
#include "platform/console.h"
#include "print/document_printing.h"

// PrintCaptureFileOnce() - Shows both positions, then prints the capture file; the file stays.
void PrintCaptureFileOnce() {
  PrintSettings settings = LoadPrintSettings();
  ConfiguredPositions positions = FindConfiguredPositions(settings);
  ConsolePrintNumber(positions.printer);
  ConsoleNewLine();
  ConsolePrintNumber(positions.font);
  ConsoleNewLine();
  if (ReportMissingSelection(settings, positions)) return;

  int16_t pointSize = PointSizeValue(settings);
  PrintDocument(positions.printer, positions.font, pointSize, CaptureFileName);
}
