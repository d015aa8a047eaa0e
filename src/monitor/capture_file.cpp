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

// SayLine() - One console line.
static void SayLine(const std::string& text) {
  ConsolePrint(text);
  ConsoleNewLine();
}

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

// KeepUnprinted() - Moves a document that did not reach the spooler out of the capture file's
// way, so the point-of-sale program can write the next one and nothing is lost.
static void KeepUnprinted(const std::string& found, const std::string& date,
                          const std::string& time) {
  MakeFolder(UnprintedFolder);
  std::string kept = UnprintedName(date, time);
  ClearErrorCode();
  RenameFile(found, kept);
  if (ErrorCode != 0) {
    SayLine("Document was not printed and could not be moved to " + kept +
            "; it stays as " + found + " and is tried again.");
    WriteLogLine("Not printed, could not move " + found + " to " + kept);
    return;
  }
  SayLine("Document was not printed; it is kept as " + kept);
  WriteLogLine("Not printed, kept as " + kept);
}

// PrintCaptureLines() - Sends every line of the open capture file to the printer; true when
// the whole document reached the spooler.
static bool PrintCaptureLines(int number, const PrintSettings& settings) {
  SayLine("valid file");
  EnumeratePrinters();
  int32_t opened = OpenPrintJob(settings.PrinterName, PrintDocumentName, 80, 60, 0);
  ConsolePrintNumber(opened);
  ConsoleNewLine();
  EnumerateFonts();
  int16_t pointSize = StoreInt16(TextToNumber(settings.PointSizeText));
  if (pointSize == 0) pointSize = 12;
  ConsolePrintNumber(SelectPrintFont(settings.FontName, pointSize));
  ConsoleNewLine();
  while (!FileAtEnd(number)) PrintLine(FileLineInput(number));
  // A page that failed to start ends the job early; the rest never reached the spooler.
  bool jobWhole = opened == 1 && PrintJob.PrinterDc != nullptr;
  EndPrintJob();
  return jobWhole && PrintJobDelivered;
}

// HandleCaptureFile() - Waits for the writer, prints the document once and removes it.
void HandleCaptureFile(const PrintSettings& settings) {
  std::string found = FirstMatchingFile(CaptureFileName);
  if (found.empty()) return;

  SleepMilliseconds(500);
  std::string date = DateText(), time = TimeText();
  SayLine("Found file, printing document now " + time);
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

  if (FileSize(number) == 0) {
    SayLine("zero size file, deleting.");
    FileClose(number);
    DeleteFiles(found);
    SleepMilliseconds(200);
    return;
  }

  bool delivered = PrintCaptureLines(number, settings);
  SayLine("Press S to rerun setup, or X to exit.");
  FileClose(number);
  SleepMilliseconds(200);
  if (delivered)
    DeleteFiles(found);
  else
    KeepUnprinted(found, date, time);
}
