// Capture file handling in run mode: one document from detection through printing to removal.

#include "monitor/capture_file.h"

#include <cstdint>
#include <string>

#include "monitor/run_monitor.h"
#include "platform/console.h"
#include "platform/error_code.h"
#include "platform/file_exists.h"
#include "platform/files.h"
#include "platform/text_rules.h"
#include "print/discovery.h"
#include "print/print_job.h"
#include "print/text_output.h"

// A capture file that could be neither deleted nor moved after its turn: it is passed over
// while it stays exactly as it was, so it is not printed again and again.
static std::string StuckIdentity;

// UnprintedName() - A free name in the unprinted folder that keeps the date and time the
// document was found: unprinted/WLSDFKJN-YYYYMMDD-HHMMSS.DRY, then -2, -3 ... on a clash.
static std::string UnprintedName(const std::string& date, const std::string& time) {
  // date is MM-DD-YYYY, time HH:MM:SS.
  std::string stamp = date.substr(6, 4) + date.substr(0, 2) + date.substr(3, 2) + "-" +
                      time.substr(0, 2) + time.substr(3, 2) + time.substr(6, 2);
  std::string base = UnprintedFolder + "/WLSDFKJN-" + stamp;
  std::string name = base + ".DRY";
  for (int counter = 2; OrdinaryFileExists(name) || FirstMatchingFile(name) != ""; counter++)
    name = base + "-" + std::to_string(counter) + ".DRY";
  return name;
}

// Report() - One line on the console and the same in the log.
static void Report(const std::string& message) {
  ConsolePrintLine(message);
  WriteLogLine(message);
}

// KeepUnprinted() - Moves a document that did not reach the spooler out of the
// capture file's way, so the point-of-sale program can write the next one and nothing is lost.
static void KeepUnprinted(const std::string& found, const std::string& identity,
                          const std::string& date, const std::string& time) {
  std::string what = "Document was not printed";
  MakeFolder(UnprintedFolder);
  std::string kept = UnprintedName(date, time);
  ClearErrorCode();
  RenameFile(found, kept);
  if (ErrorCode != 0) {
    StuckIdentity = identity;
    Report(what + " and could not be moved to " + kept + " (error " +
           std::to_string(ErrorCode) + "); it stays as " + found + " until it changes.");
    return;
  }
  Report(what + "; it is kept as " + kept);
}

// PrintCaptureLines() - Sends every line of the open capture file to the printer; true when
// the whole document reached the spooler. A document that cannot be read to its end, or
// whose job fails on the way, is cancelled whole, so nothing of it is printed twice later.
static bool PrintCaptureLines(int number, const PrintSettings& settings) {
  ConsolePrintLine("valid file");
  EnumeratePrinters();
  int32_t opened = OpenPrintJob(settings.PrinterName, PrintDocumentName, 80, 60, 0);
  ConsolePrintNumber(opened);
  ConsoleNewLine();
  EnumerateFonts();
  int16_t pointSize = PointSizeValue(settings);
  if (pointSize == 0) pointSize = 12;
  ConsolePrintNumber(SelectPrintFont(settings.FontName, pointSize));
  ConsoleNewLine();
  ClearErrorCode();
  while (!FileAtEnd(number) && ErrorCode == 0) PrintLine(FileLineInput(number));
  if (ErrorCode != 0 && ErrorCode != 62) {
    ConsolePrint("Error detected! on file read");
    ConsolePrintNumber(ErrorCode);
    ConsoleNewLine();
    AbortPrintJob();
    return false;
  }
  EndPrintJob();
  return opened == 1 && PrintJobDelivered;
}

// RemovePrinted() - Deletes the printed capture file unless the point-of-sale program has
// already begun the next document under its name.
static void RemovePrinted(const std::string& found, const std::string& identity) {
  if (FileIdentity(found) != identity) return;
  ClearErrorCode();
  DeleteFiles(found);
  if (ErrorCode != 0) {
    StuckIdentity = identity;
    Report("Printed, but " + found + " could not be deleted (error " +
           std::to_string(ErrorCode) + "); it is passed over until it changes.");
  }
}

// HandleCaptureFile() - Waits for the writer, prints the document once and removes it.
void HandleCaptureFile(const PrintSettings& settings) {
  std::string found = FirstMatchingFile(CaptureFileName);
  if (found.empty()) return;
  if (!StuckIdentity.empty()) {
    if (FileIdentity(found) == StuckIdentity) return;
    StuckIdentity.clear();
  }

  SleepMilliseconds(500);
  std::string date = DateText(), time = TimeText();
  ConsolePrintLine("Found file, printing document now " + time);
  WriteLogLine("Printing Doc");
  ConsolePrint(settings.FontName);
  ConsolePrintZone();
  ConsolePrint(settings.PointSizeText);
  ConsolePrintZone();
  ConsolePrint(settings.PrinterName);
  ConsoleNewLine();

  int number = FreeFileNumber();
  ClearErrorCode();
  FileOpen(found, number, FileInput);
  int openError = ErrorCode;
  if (openError != 0) {
    // 70: the point-of-sale program is still writing; the next pass tries again.
    if (openError != 70) {
      ConsolePrint("Error detected! on file open");
      ConsolePrintNumber(openError);
      ConsoleNewLine();
    }
    SleepMilliseconds(200);
    return;
  }
  std::string identity = FileIdentity(found);

  if (FileSize(number) == 0) {
    ConsolePrintLine("zero size file, deleting.");
    FileClose(number);
    RemovePrinted(found, identity);
    SleepMilliseconds(200);
    return;
  }

  bool delivered = PrintCaptureLines(number, settings);
  ConsolePrintLine("Press S to rerun setup, or X to exit.");
  FileClose(number);
  SleepMilliseconds(200);
  if (delivered)
    RemovePrinted(found, identity);
  else if (FileIdentity(found) == identity)
    KeepUnprinted(found, identity, date, time);
}
