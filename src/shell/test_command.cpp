// Test command: one empty page on the configured printer, then the run-mode key reminder.

#include "shell/test_command.h"

#include "config/configured_positions.h"
#include "config/print_settings.h"
#include "platform/console.h"
#include "print/document_printing.h"

// PrintTestPage() - Sends the test page unless the configured printer or font is missing.
void PrintTestPage() {
  PrintSettings settings = LoadPrintSettings();
  ConfiguredPositions positions = FindConfiguredPositions(settings);
  if (!ReportMissingSelection(settings, positions)) {
    int16_t pointSize = PointSizeValue(settings);
    PrintDocument(positions.printer, positions.font, pointSize, TestPageName);
  }
  ConsolePrint("Press S to rerun setup, T for a test page, or X to exit.");
  ConsoleNewLine();
}
