// Capture file handling in run mode: one document from detection through printing to removal.

#include "monitor/capture_file.h"

#include <cstdint>
#include <string>

#include "config/program_files.h"
#include "monitor/run_monitor.h"
#include "platform/console/console.h"
#include "base/error_code.h"
#include "platform/files/file_exists.h"
#include "platform/files/file_watch.h"
#include "platform/files/files.h"
#include "print/discovery.h"
#include "print/document_printing.h"
#include "print/print_job.h"
#include "platform/process/date_time.h"

namespace {

// How long a capture file must stay closed by every other program and unchanged before it is
// taken: a writer that reopens the file for every line has finished only when it stays quiet.
constexpr int SettleMilliseconds = 500;
constexpr int SettleStepMilliseconds = 50;

// A capture file that could not be taken, moved or deleted: it is passed over while it stays
// exactly as it was, so it is neither printed again and again nor reported on every pass.
std::string PassedOverIdentity;

// How one document's printing ended.
enum class PrintOutcome {
  Delivered,         // the whole document reached the spooler
  NotDelivered,      // nothing of it did
  ChangedMeanwhile,  // the file changed while it was read: the job was cancelled
};

// Report() - One line on the console and the same in the log.
void Report(const std::string& message) {
  ConsolePrintLine(message);
  WriteLogLine(message);
}

// WithCause() - " (error N, cause)" for the program's own messages.
std::string WithCause(int code, const std::string& cause) {
  std::string text = " (error " + std::to_string(code);
  if (!cause.empty()) text += ", " + cause;
  return text + ")";
}

// SameFile() - True when two identities are of the same file (device and inode), whatever
// happened to its content.
bool SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  size_t second = a.find(':', a.find(':') + 1);
  return a.compare(0, second, b, 0, second) == 0 && b.size() > second && b[second] == ':';
}

// WaitUntilSettled() - True once the file has stayed closed by every other program and
// unchanged (identity and every change the watch sees) for the whole settle time. A change or
// an open ends the wait early; the next pass starts it again.
bool WaitUntilSettled(const std::string& found) {
  const std::string identity = FileIdentity(found);
  const uint64_t changes = FileChangeCount(found);
  for (int waited = 0;; waited += SettleStepMilliseconds) {
    if (FileOpenCount(found) > 0 || FileIdentity(found) != identity ||
        FileChangeCount(found) != changes)
      return false;
    if (waited >= SettleMilliseconds) return true;
    SleepMilliseconds(SettleStepMilliseconds);
  }
}

// KeepUnprinted() - Moves a document out of the capture file's way into the unprinted folder,
// named after the date and time it was found (WLSDFKJN-YYYYMMDD-HHMMSS.DRY, then -2, -3 ... on
// a clash), so the point-of-sale program can write the next one and nothing is lost. `why`
// begins the message. A document that cannot be moved stays where it is and is passed over
// until it changes.
void KeepUnprinted(const std::string& found, const std::string& why, const std::string& date,
                   const std::string& time) {
  // date is MM-DD-YYYY, time HH:MM:SS.
  const std::string base = "WLSDFKJN-" + date.substr(6, 4) + date.substr(0, 2) + date.substr(3, 2) +
                           "-" + time.substr(0, 2) + time.substr(3, 2) + time.substr(6, 2);
  std::string kept;
  for (int counter = 1;; counter++) {
    kept = base;
    if (counter > 1) {
      kept += '-';
      kept += std::to_string(counter);
    }
    kept += ".DRY";
    ClearErrorCode();
    MoveIntoFolder(found, UnprintedFolder, kept);
    if (ErrorCode != NameTakenCode) break;
  }
  kept = UnprintedFolder + "/" + kept;
  if (ErrorCode != 0) {
    PassedOverIdentity = FileIdentity(found);
    Report(why + " and could not be moved to " + kept + WithCause(ErrorCode, ErrorCause) +
           "; it stays as " + found + " until it changes.");
    return;
  }
  Report(why + "; it is kept as " + kept);
}

// OpenCaptureJob() - Opens the job on the configured printer and selects the font; each
// result on a line of its own. The printer is named as configured, so the printer list is not
// asked for: a scheduler that does not answer cannot hold up a document for "Print to PDF".
// Returns why the document cannot go on this job, "" when it can.
std::string OpenCaptureJob(const PrintSettings& settings) {
  int32_t opened = OpenPrintJob(settings.PrinterName, PrintDocumentName, 80, 60, 0);
  ConsolePrintNumber(opened);
  ConsoleNewLine();
  EnumerateFonts();
  ConsolePrintNumber(
      SelectPrintFont(settings.FontName, DocumentPointSize(PointSizeValue(settings))));
  ConsoleNewLine();
  // A font taller or wider than the page would print every line on a sheet of its own.
  if (opened == 1 && !PrintFontFitsPage()) {
    std::string size = settings.PointSizeText;
    size.erase(0, size.find_first_not_of(' '));
    return "point size " + size + " is too large for the page";
  }
  return "";
}

// PrintCaptureLines() - Sends every line of the open capture file to the printer. A document
// that cannot be read to its end, whose job fails on the way, or whose file changed while it
// was read (cut short by another program, say) is cancelled whole, so nothing of it is printed
// twice later and nothing half-written goes out. `failure` gets why a document was not
// delivered, when that is known.
PrintOutcome PrintCaptureLines(int number, const std::string& identity,
                               const PrintSettings& settings, std::string& failure) {
  ConsolePrintLine("valid file");
  failure = OpenCaptureJob(settings);
  if (!failure.empty()) {
    AbortPrintJob();
    return PrintOutcome::NotDelivered;
  }
  if (!PrintFileLines(number, false)) {
    ConsolePrint("Error detected! on file read");
    ConsolePrintNumber(ErrorCode);
    ConsoleNewLine();
    failure = "it could not be read to its end" + WithCause(ErrorCode, ErrorCause);
    AbortPrintJob();
    return PrintOutcome::NotDelivered;
  }
  if (OpenFileIdentity(number) != identity) {
    AbortPrintJob();
    return PrintOutcome::ChangedMeanwhile;
  }
  EndPrintJob();
  if (PrintJobDelivered) return PrintOutcome::Delivered;
  failure = PrintJobFailureCause;
  return PrintOutcome::NotDelivered;
}

// RemovePrinted() - Deletes the printed capture file. When it cannot be deleted it is passed
// over until it changes, so it is not printed a second time.
void RemovePrinted(const std::string& found, const std::string& identity) {
  ClearErrorCode();
  DeleteFiles(found);
  if (ErrorCode != 0) {
    PassedOverIdentity = identity;
    Report("Printed, but " + found + " could not be deleted" + WithCause(ErrorCode, ErrorCause) +
           "; it is passed over until it changes.");
  }
}

// ReportOpenFailure() - The open failed for a cause that waiting will not mend (no
// permission, not an ordinary file ...): said once, on the console and in the log, and the
// file is passed over until it changes.
void ReportOpenFailure(const std::string& found, int code, const std::string& cause) {
  ConsolePrint("Error detected! on file open");
  ConsolePrintNumber(code);
  std::string identity = FileIdentity(found);
  if (identity.empty()) {  // gone since it was seen: nothing to pass over
    ConsoleNewLine();
    return;
  }
  PassedOverIdentity = identity;
  std::string words = cause.empty() ? "" : "(" + cause + "); ";
  ConsolePrintLine(words + found + " is passed over until it changes.");
  WriteLogLine("Error detected! on file open " + std::to_string(code) + " " + words + found +
               " is passed over until it changes.");
}

}  // namespace

// HandleCaptureFile() - Waits until the writer is done, prints the document once and removes
// it; a document that was not printed whole is kept in the unprinted folder.
void HandleCaptureFile(const PrintSettings& settings) {
  WatchWorkingFolder();
  std::string found = FirstMatchingFile(CaptureFileName);
  if (found.empty()) return;
  if (!PassedOverIdentity.empty()) {
    if (FileIdentity(found) == PassedOverIdentity) return;
    PassedOverIdentity.clear();
  }
  if (!WaitUntilSettled(found)) return;

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
  if (ErrorCode != 0) {
    // Still open in its writer: the next pass tries again, without an error line.
    if (ErrorCode != HeldOrDeniedCode || ErrorCause != HeldElsewhereCause)
      ReportOpenFailure(found, ErrorCode, ErrorCause);
    SleepMilliseconds(200);
    return;
  }
  const std::string identity = OpenFileIdentity(number);

  if (FileSize(number) == 0) {
    ConsolePrintLine("zero size file, deleting.");
    FileClose(number);
    if (FileIdentity(found) == identity) RemovePrinted(found, identity);
    SleepMilliseconds(200);
    return;
  }

  std::string failure;
  PrintOutcome outcome = PrintCaptureLines(number, identity, settings, failure);
  ConsolePrintLine("Press S to rerun setup, or X to exit.");
  FileClose(number);
  SleepMilliseconds(200);

  // Gone, or a new document under its name: the next pass sees to it.
  const std::string now = FileIdentity(found);
  if (!SameFile(now, identity)) return;
  if (outcome == PrintOutcome::Delivered && now == identity) {
    RemovePrinted(found, identity);
  } else if (outcome == PrintOutcome::Delivered) {
    KeepUnprinted(found,
                  "Document changed while it was printed; the copy printed may be incomplete", date,
                  time);
  } else if (outcome == PrintOutcome::ChangedMeanwhile || now != identity) {
    KeepUnprinted(found, "Document changed while it was printed, so it was not printed", date,
                  time);
  } else {
    KeepUnprinted(found, "Document was not printed" + (failure.empty() ? "" : " (" + failure + ")"),
                  date, time);
  }
}
