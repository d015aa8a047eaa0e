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

// How far a document got.
enum class PrintOutcome { Delivered, NotPrinted, PartlyPrinted };

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

// KeepUnprinted() - Moves a document that did not (wholly) reach the spooler out of the
// capture file's way, so the point-of-sale program can write the next one and nothing is lost.
static void KeepUnprinted(const std::string& found, const std::string& identity,
                          PrintOutcome outcome, const std::string& date,
                          const std::string& time) {
  std::string what = outcome == PrintOutcome::PartlyPrinted ? "Document was not printed completely"
                                                            : "Document was not printed";
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

// PrintCaptureLines() - Sends every line of the open capture file to the printer and tells
// how far the document got.
static PrintOutcome PrintCaptureLines(int number, const PrintSettings& settings) {
  ConsolePrintLine("valid file");
  EnumeratePrinters();
  int32_t opened = OpenPrintJob(settings.PrinterName, PrintDocumentName, 80, 60, 0);
  ConsolePrintNumber(opened);
  ConsoleNewLine();
  EnumerateFonts();
  int16_t pointSize = StoreInt16(TextToNumber(settings.PointSizeText));
  if (pointSize == 0) pointSize = 12;
  ConsolePrintNumber(SelectPrintFont(settings.FontName, pointSize));
  ConsoleNewLine();
  ClearErrorCode();
  while (!FileAtEnd(number)) PrintLine(FileLineInput(number));
  // A read error cuts the document short even though the job itself went well.
  bool readWhole = ErrorCode == 0 || ErrorCode == 62;
  // A page that failed to start ends the job early; the rest never reached the spooler.
  bool jobWhole = opened == 1 && PrintJob.PrinterDc != nullptr;
  EndPrintJob();
  if (opened != 1) return PrintOutcome::NotPrinted;
  if (!jobWhole) return PrintOutcome::PartlyPrinted;
  if (!PrintJobDelivered) return PrintOutcome::NotPrinted;
  return readWhole ? PrintOutcome::Delivered : PrintOutcome::PartlyPrinted;
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

  PrintOutcome outcome = PrintCaptureLines(number, settings);
  ConsolePrintLine("Press S to rerun setup, or X to exit.");
  FileClose(number);
  SleepMilliseconds(200);
  if (outcome == PrintOutcome::Delivered)
    RemovePrinted(found, identity);
  else if (FileIdentity(found) == identity)
    KeepUnprinted(found, identity, outcome, date, time);
}
