// Document printing: a capture file, or the test page, on the chosen printer and font.

#include "print/document_printing.h"

#include <string>

#include "platform/console/console.h"
#include "base/error_code.h"
#include "platform/files/files.h"
#include "print/discovery.h"
#include "print/document_text.h"
#include "print/print_job.h"
#include "print/text_output.h"

namespace {

constexpr int16_t DocumentColumns = 80;
constexpr int16_t DocumentRows = 60;
constexpr int16_t Portrait = 0;
constexpr int16_t DefaultPointSize = 12;

// PrintResultLine() - A 1 or 0 on a console line of its own.
void PrintResultLine(int32_t result) {
  ConsolePrintNumber(result);
  ConsoleNewLine();
}

// OpenDocumentJob() - Rediscovers the printers and opens the job on the one at the index, then
// rediscovers that printer's fonts and selects the one at the index; each result is shown on
// its own line. An index that is not a discovered entry is not read: that step reports 0, as
// a printer that cannot be opened or a font that cannot be selected does. False when the job
// opened but its font is too large for the page: the job is then cancelled with a message
// naming the size, as its lines would only come out as blank sheets.
bool OpenDocumentJob(int16_t printerIndex, int16_t fontIndex, int16_t pointSize,
                     const std::string& what) {
  EnumeratePrinters();
  int32_t opened = 0;
  if (IsPrinterPosition(printerIndex))
    opened = OpenPrintJob(PrinterNames[static_cast<size_t>(printerIndex)], PrintDocumentName,
                          DocumentColumns, DocumentRows, Portrait);
  PrintResultLine(opened);

  EnumerateFonts();
  int32_t selected = 0;
  if (IsFontPosition(fontIndex))
    selected = SelectPrintFont(FontNames[static_cast<size_t>(fontIndex)], pointSize);
  PrintResultLine(selected);

  if (!PrintJob.PrinterDc || PrintFontFitsPage()) return true;
  ConsolePrintLine("Point size " + std::to_string(pointSize) + " is too large for the page; " +
                   what + " was not printed.");
  AbortPrintJob();
  return false;
}

}  // namespace

// ReadFailed() - True when the last read of the file failed: an error code other than 62,
// which only says that no data was left.
static bool ReadFailed() {
  return ErrorCode != 0 && ErrorCode != InputPastEndCode;
}

// DocumentPointSize() - 12 points where the configuration gives none.
int16_t DocumentPointSize(int16_t pointSize) {
  return pointSize == 0 ? DefaultPointSize : pointSize;
}

// PrintFileLines() - The read-and-print loop of every document. A job that did not open still
// has its document read (and echoed); PrintLine then draws nothing.
bool PrintFileLines(int fileNumber, bool echo) {
  if (echo) ConsoleHoldLines();  // the echo goes out in few writes, all of it before the job ends
  bool readFailed = false;
  StartDocumentText();
  DocumentEcho echoed;
  for (;;) {
    ClearErrorCode();
    const bool atEnd = FileAtEnd(fileNumber);
    readFailed = ReadFailed();
    if (atEnd || readFailed) break;
    std::string line = FileLineInput(fileNumber);
    readFailed = ReadFailed();
    if (readFailed) break;
    PrintDocumentLine(line, echoed);
    // The echo shows what goes on paper, one console line for each printed line.
    for (const std::string& bytes : echoed.bytes) {
      if (!echo || bytes.empty()) continue;
      ConsolePrint(bytes);
      ConsoleNewLine();
    }
    for (const std::u16string& characters : echoed.characters) {
      if (!echo || characters.empty()) continue;
      ConsolePrintCharacters(characters);
      ConsoleNewLine();
    }
  }
  FinishDocumentText();
  if (echo) ConsoleFlush();
  return !readFailed;
}

// PrintDocument() - Prints the file line by line (echoing its non-empty lines on the console),
// or one empty page for the test page name. A file that cannot be opened, or not read to its
// end, is reported with its error code and nothing is printed. The file is neither deleted nor
// renamed.
void PrintDocument(int16_t& printerIndex, int16_t& fontIndex, int16_t& pointSize,
                   const std::string& fileName) {
  CreateNameLists();
  pointSize = DocumentPointSize(pointSize);
  ClearErrorCode();
  // Only a job this call opens and ends can count as delivered.
  PrintJobDelivered = false;

  if (fileName == TestPageName) {
    if (!OpenDocumentJob(printerIndex, fontIndex, pointSize, "the test page")) return;
    PrintLine("");
    EndPrintJob();
    return;
  }

  int fileNumber = FreeFileNumber();
  FileOpen(fileName, fileNumber, FileInput);
  if (ErrorCode != 0) {
    ConsolePrint("Error detected! on file open");
    ConsolePrintNumber(ErrorCode);
    ConsoleNewLine();
    EndPrintJob();
    PrintJobDelivered = false;
    return;
  }

  if (!OpenDocumentJob(printerIndex, fontIndex, pointSize, "the document")) {
    FileClose(fileNumber);
    return;
  }
  // A read that fails ends the reading, and the part printed so far is thrown away.
  const bool readFailed = !PrintFileLines(fileNumber, true);
  if (readFailed) {
    const int code = ErrorCode;
    ConsolePrint("Error detected! on file read, document not printed");
    ConsolePrintNumber(code);
    ConsoleNewLine();
    AbortPrintJob();
  } else {
    EndPrintJob();
  }
  FileClose(fileNumber);
}
