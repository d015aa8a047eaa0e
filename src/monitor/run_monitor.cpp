// Run mode: configuration check, start-up test page, then the polling loop of the spool
// monitor.

#include "monitor/run_monitor.h"

#include "config/configured_positions.h"
#include "config/print_settings.h"
#include "config/setup_wizard.h"
#include "monitor/capture_file.h"
#include "platform/console.h"
#include "platform/file_exists.h"
#include "platform/files.h"
#include "platform/text_rules.h"
#include "print/document_printing.h"
#include "shell/test_command.h"

// StartRunMode() - Makes sure a configuration exists, shows it, checks it and prints the
// start-up test page when the printer and font are there.
static PrintSettings StartRunMode() {
  if (!OrdinaryFileExists(SettingsFileName)) {
    ConsolePrintLine("No tavrel2.cfg was detected, you MUST run setup.");
    ConsolePrintLine("Setup will start now.");
    WriteLogLine("Creating new tavrel2.cfg");
    RunSetup();
  }
  PrintSettings settings = LoadPrintSettings();
  ConsolePrintLine("Printer Selection:" + settings.PrinterName);
  ConsolePrintLine("Font Selection:" + settings.FontName);
  ConsolePrintLine("Point size Selection:" + settings.PointSizeText);

  ConfiguredPositions positions = FindConfiguredPositions(settings);
  if (positions.printer < 0) ConsolePrintLine("invalid printer selection, please run tavrel -setup");
  // The fonts of a printer that is not installed are never asked for.
  if (positions.printer >= 0 && positions.font < 0) {
    ConsolePrintLine("invalid font selection, please run tavrel -setup");
    WriteLogLine("Invalid Font");
  }
  ConsolePrintLine("Press S to rerun setup, or X to exit.");
  if (positions.printer >= 0 && positions.font >= 0) {
    int16_t pointSize = PointSizeValue(settings);
    PrintDocument(positions.printer, positions.font, pointSize, TestPageName);
  }
  return settings;
}

// RunMonitor() - Polls for capture files about ten times a second until the operator
// presses X; that pass still handles a capture file that is present.
void RunMonitor() {
  FileOpen(LogFileName, LogFileNumber, FileAppend);
  PrintSettings settings = StartRunMode();

  std::string lastKey;
  while (UpperCase(lastKey) != "X") {
    lastKey = ConsoleInkey();
    std::string key = UpperCase(lastKey);
    if (key == "P") StartProgram("POS.EXE", 1);
    if (key == "T") PrintTestPage();
    if (key == "S") {
      RunSetup();
      settings = LoadPrintSettings();
    }
    HandleCaptureFile(settings);
    ReapStartedPrograms();
    SleepMilliseconds(100);
  }
  FileClose(LogFileNumber);
}
