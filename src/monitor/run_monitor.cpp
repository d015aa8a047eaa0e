// Run mode: configuration check, start-up test page, then the polling loop of the spool
// monitor.

#include "monitor/run_monitor.h"

#include <cstdlib>

#include "config/configured_printing.h"
#include "config/program_files.h"
#include "config/print_settings.h"
#include "config/setup_wizard.h"
#include "monitor/capture_file.h"
#include "monitor/run_guard.h"
#include "platform/console/console.h"
#include "platform/files/file_exists.h"
#include "platform/files/file_watch.h"
#include "platform/files/files.h"
#include "platform/process/stop_requests.h"
#include "print/document_printing.h"
#include "print/print_job.h"
#include "base/text_rules.h"
#include "platform/process/start_program.h"

// A stop request (SIGTERM, SIGHUP, SIGINT, SIGQUIT) while a document is on its way waits
// until the document is settled: delivered and its capture file removed, or kept. Ended in
// between, a delivered document would stay in the folder and be printed again at the next
// start. Console lines held back go out first, so none is lost when the request then ends
// the program.
static void LetStopRequestsThrough() {
  ConsoleFlush();
  ReleaseStopRequests();
}

// AbortOpenJob() - The exit hook: an open print job is cancelled at the printer.
static void AbortOpenJob() {
  AbortPrintJob();
}

// CancelOpenJobAtExit() - Registers the exit hook once.
void CancelOpenJobAtExit() {
  static bool registered = false;
  if (!registered) registered = std::atexit(AbortOpenJob) == 0;
}

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
  UseConfiguredCodePage(settings);

  ConfiguredPositions positions = FindConfiguredPositions(settings);
  if (positions.printer < 0)
    ConsolePrintLine("invalid printer selection, please run tavrel -setup");
  // The fonts of a printer that is not installed are never asked for.
  if (positions.printer >= 0 && positions.font < 0) {
    ConsolePrintLine("invalid font selection, please run tavrel -setup");
    WriteLogLine("Invalid Font");
  }
  ConsolePrintLine("Press S to rerun setup, or X to exit.");
  if (positions.printer >= 0 && positions.font >= 0) {
    int16_t pointSize = PointSizeValue(settings);
    HoldStopRequests();
    PrintDocument(positions.printer, positions.font, pointSize, TestPageName);
    LetStopRequestsThrough();
  }
  return settings;
}

// RunMonitor() - Polls for capture files about ten times a second until the operator
// presses X; that pass still handles a capture file that is present. A second run mode in the
// same folder ends at once, before it opens the log, runs setup or shows any of run mode's
// lines.
void RunMonitor() {
  if (!TakeRunFolder()) return;
  CancelOpenJobAtExit();
  // Watched from the start, so a writer that opens the capture file during setup or the
  // start-up test page is seen as holding it.
  WatchWorkingFolder();
  FileOpen(LogFileName, LogFileNumber, FileAppend);
  PrintSettings settings = StartRunMode();

  std::string lastKey;
  while (UpperCase(lastKey) != "X") {
    lastKey = ConsoleInkey();
    std::string key = UpperCase(lastKey);
    if (key == "P") StartProgram("POS.EXE", 1);
    if (key == "T") {
      HoldStopRequests();
      PrintTestPage();
      LetStopRequestsThrough();
    }
    if (key == "S") {
      RunSetup();
      settings = LoadPrintSettings();
      UseConfiguredCodePage(settings);
    }
    HoldStopRequests();
    HandleCaptureFile(settings);
    LetStopRequestsThrough();
    ReapStartedPrograms();
    SleepMilliseconds(100);
  }
  FileClose(LogFileNumber);
  ReleaseRunFolder();
}
