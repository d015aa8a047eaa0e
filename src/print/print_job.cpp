// Print job: the one open printer document and its six operations.

#include "print/print_job.h"

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "platform/console/console.h"
#include "platform/process/last_error.h"
#include "base/text_rules.h"

PrintJobRecord PrintJob;
LOGFONTA PrintJobFont;
bool PrintJobDelivered = false;
std::string PrintJobFailureCause;

namespace {

// Face name: first its 200-byte buffer, then the 32-byte field of the font description.
constexpr size_t FaceBufferLimit = 199;
constexpr size_t FaceFieldLimit = 31;

constexpr int16_t DefaultColumns = 80;
constexpr int16_t DefaultRows = 65;

// The baseline-left alignment every job draws with.
constexpr unsigned JobTextAlign = TA_BASELINE | TA_LEFT;

// MulDiv() - a * b / c on a 64-bit product, rounded half away from zero; -1 when c is 0 or
// the result does not fit 32 bits, as the Windows call does.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t product = static_cast<int64_t>(a) * b;
  bool negative = (product < 0) != (c < 0);
  uint64_t magnitude =
      product < 0 ? static_cast<uint64_t>(-product) : static_cast<uint64_t>(product);
  uint64_t divisor =
      c < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
  uint64_t quotient = (magnitude + divisor / 2) / divisor;
  if (quotient > static_cast<uint64_t>(INT32_MAX)) return -1;
  return negative ? -static_cast<int32_t>(quotient) : static_cast<int32_t>(quotient);
}

// FailureCause() - The operator's words for a printer error code (GetLastError).
std::string FailureCause(uint32_t error) {
  switch (error) {
    case ERROR_TIMEOUT:
      return "the printer's scheduler did not answer within " +
             std::to_string(SchedulerWaitSeconds) + " seconds";
    case ERROR_SERVICE_NOT_ACTIVE:
      return "the printer's scheduler is not running";
    case ERROR_INVALID_PRINTER_NAME:
      return "the printer is not installed";
    case ERROR_NOT_READY:
      return "the queue is stopped or does not accept jobs";
    case ERROR_ACCESS_DENIED:
      return "the printer or its folder refused access";
    case ERROR_PRINT_CANCELLED:
      return "the printer refused the document";
    case ERROR_DIRECTORY:
      return "the folder pdf is a link or not a folder";
    case ERROR_DISK_FULL:
      return "the disk is full";
    case ERROR_WRITE_FAULT:
      return "the PDF file could not be written";
    case ERROR_NOT_ENOUGH_MEMORY:
      return "there was not enough memory to make the document";
    default:
      return "the printer failed with error " + std::to_string(error);
  }
}

// NoteFailure() - Keeps why the job failed: the first reason counts, later failures of the
// same job follow from it.
void NoteFailure(const std::string& cause) {
  if (PrintJobFailureCause.empty()) PrintJobFailureCause = cause;
}

// ReleaseJobFont() - Puts the context's own font back and deletes the job font it replaces.
void ReleaseJobFont(HDC dc) {
  if (!PrintJob.SavedFont) return;
  HGDIOBJ jobFont = SelectObject(dc, PrintJob.SavedFont);
  if (jobFont) DeleteObject(jobFont);
}

// OpenJob() - The opening sequence shared by both openers; the settings come from the driver
// with the given mode, and the orientation is set only when asked to.
int32_t OpenJob(const std::string& printerName, const std::string& documentName, int16_t columns,
                int16_t rows, int settingsMode, bool setOrientation, int16_t landscape) {
  PrintJobDelivered = false;
  PrintJobFailureCause.clear();
  if (PrintJob.PrinterDc) {
    NoteFailure("another print job is still open");
    return 0;
  }

  PrintJob.CurrentY = 0;
  PrintJob.GridColumns = columns > 0 ? columns : DefaultColumns;
  PrintJob.GridRows = rows > 0 ? rows : DefaultRows;

  std::string printer = BufferText(CleanPrintName(printerName), PrintNameLimit);
  HANDLE printerHandle = nullptr;
  SetLastError(ERROR_INVALID_PRINTER_NAME);
  if (!OpenPrinterA(printer.c_str(), &printerHandle)) {
    NoteFailure(FailureCause(GetLastError()));
    return 0;
  }

  // From here on the printer handle and the settings record are released on every way out.
  int32_t result = 0;
  long settingsSize =
      DocumentPropertiesA(nullptr, printerHandle, printer.c_str(), nullptr, nullptr, 0);
  std::unique_ptr<DEVMODEA> settings;
  if (settingsSize >= 1) settings.reset(new (std::nothrow) DEVMODEA());
  if (settings && DocumentPropertiesA(nullptr, printerHandle, printer.c_str(), settings.get(),
                                      nullptr, settingsMode) == IDOK) {
    if (setOrientation)
      settings->dmOrientation = landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    result = 1;
  } else {
    NoteFailure(settingsMode & DM_IN_PROMPT ? "the printer settings were cancelled"
                                            : "the printer's settings could not be read");
  }

  if (result) {
    PrintJob.PrinterDc = CreateDCA(nullptr, printer.c_str(), nullptr, settings.get());
    if (!PrintJob.PrinterDc) {
      NoteFailure(FailureCause(GetLastError()));
      ConsolePrint("Create Printer DC failed");
      ConsolePrintZone();
      ConsolePrintZone();
      ConsolePrint("Err3");
      ConsoleNewLine();
      result = 0;
    }
  }

  if (result) {
    std::string document = BufferText(documentName, PrintNameLimit);
    DOCINFOA info;
    // The record's size on the original 32-bit platform (five 4-byte fields), which its
    // spooler checks; the size of this build's record may differ.
    info.cbSize = 20;
    info.lpszDocName = document.c_str();
    if (StartDocA(PrintJob.PrinterDc, &info) <= 0) {
      NoteFailure(FailureCause(GetLastError()));
      DeleteDC(PrintJob.PrinterDc);
      PrintJob.PrinterDc = nullptr;
      result = 0;
    } else if (StartPage(PrintJob.PrinterDc) <= 0) {
      NoteFailure(FailureCause(GetLastError()));
      EndDoc(PrintJob.PrinterDc);
      DeleteDC(PrintJob.PrinterDc);
      PrintJob.PrinterDc = nullptr;
      result = 0;
    }
  }

  if (result) {
    SetTextAlign(PrintJob.PrinterDc, JobTextAlign);
    SetBkMode(PrintJob.PrinterDc, TRANSPARENT);
    PrintJob.GridRowHeight = GetDeviceCaps(PrintJob.PrinterDc, VERTRES) / (PrintJob.GridRows + 1);
    PrintJob.GridColumnWidth =
        GetDeviceCaps(PrintJob.PrinterDc, HORZRES) / (PrintJob.GridColumns + 2);
  }

  ClosePrinter(printerHandle);
  return result;
}

}  // namespace

// CleanPrintName() - Drops NUL-space pairs from the start, then from the end; single spaces
// and single NULs stay, so "Shop Printer " keeps its trailing space.
std::string CleanPrintName(const std::string& name) {
  const std::string pattern("\0 ", 2);
  return TrimPatternRight(TrimPatternLeft(name, pattern), pattern);
}

// BufferText() - What a NUL-terminated buffer of limit + 1 bytes holds of the text.
std::string BufferText(const std::string& text, size_t limit) {
  size_t end = text.find('\0');
  if (end == std::string::npos) end = text.size();
  if (end > limit) end = limit;
  return text.substr(0, end);
}

// OpenPrintJob() - Opens a document on the printer with its default settings and the chosen
// orientation, page 1 started. Refuses while a job (or a font-discovery context) is open.
int32_t OpenPrintJob(const std::string& printerName, const std::string& documentName,
                     int16_t columns, int16_t rows, int16_t landscape) {
  return OpenJob(printerName, documentName, columns, rows, DM_OUT_BUFFER, true, landscape);
}

// OpenPrintJobWithPrompt() - As OpenPrintJob, but the driver asks the operator for the settings
// and they are used as given; a cancelled question opens nothing.
int32_t OpenPrintJobWithPrompt(const std::string& printerName, const std::string& documentName,
                               int16_t columns, int16_t rows) {
  return OpenJob(printerName, documentName, columns, rows, DM_IN_PROMPT | DM_OUT_BUFFER, false, 0);
}

// SelectPrintFont() - Selects the face at the point size into the job; the previous job font
// is deleted, the context's own font is kept in SavedFont for EndPrintJob. A font that cannot
// be made or selected is deleted again and the job keeps its font (result 0).
int32_t SelectPrintFont(const std::string& faceName, int32_t pointSize) {
  HDC dc = PrintJob.PrinterDc;
  if (!dc) return 0;

  std::string face =
      BufferText(BufferText(CleanPrintName(faceName), FaceBufferLimit), FaceFieldLimit);
  LOGFONTA description;
  face.copy(description.lfFaceName, face.size());
  description.lfFaceName[face.size()] = '\0';
  // Negative: matched by character height, in printer pixels.
  description.lfHeight = -MulDiv(pointSize, GetDeviceCaps(dc, LOGPIXELSY), 72);

  HFONT font = CreateFontIndirectA(&description);
  if (!font) return 0;

  // Selected before the previous job font goes, so a refusal leaves the job as it was.
  HGDIOBJ previous = SelectObject(dc, font);
  if (!previous) {
    DeleteObject(font);
    return 0;
  }
  if (PrintJob.SavedFont)
    DeleteObject(previous);  // the previous job font
  else
    PrintJob.SavedFont = previous;  // the context's own font
  PrintJobFont = description;
  return 1;
}

// SetPrintTextColor() - Colour of the following text; 0 without a job or for an invalid colour.
int32_t SetPrintTextColor(COLORREF color) {
  if (!PrintJob.PrinterDc) return 0;
  return SetTextColor(PrintJob.PrinterDc, color) == CLR_INVALID ? 0 : 1;
}

// StartNextPage() - Ends the page and starts the next, the first baseline one line height down.
// When the page cannot be started the job is cancelled (AbortPrintJob): a document cut short
// is not printed at all, and it counts as not delivered.
int32_t StartNextPage() {
  HDC dc = PrintJob.PrinterDc;
  if (!dc) return 0;
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  PrintJob.CurrentY = metrics.tmHeight + metrics.tmExternalLeading;
  EndPage(dc);
  if (StartPage(dc) > 0) return 1;
  NoteFailure("a new page could not be started");
  AbortPrintJob();
  return 0;
}

// PrintFontFitsPage() - 1 when a line of the selected font (its height and external leading)
// is not taller than the printable height and its "W" not wider than the printable width.
int32_t PrintFontFitsPage() {
  HDC dc = PrintJob.PrinterDc;
  if (!dc) return 0;
  TEXTMETRICA metrics;
  int advance = 0;
  if (!GetTextMetricsA(dc, &metrics) || !GetCharWidth32A(dc, 'W', 'W', &advance)) return 0;
  const int64_t lineHeight = static_cast<int64_t>(metrics.tmHeight) + metrics.tmExternalLeading;
  const bool fits = lineHeight > 0 && lineHeight <= GetDeviceCaps(dc, VERTRES) &&
                    advance <= GetDeviceCaps(dc, HORZRES);
  return fits ? 1 : 0;
}

// EndPrintJob() - Restores the context's own font, ends page and document and deletes the
// context; the document goes to the spooler. Nothing happens without a job.
void EndPrintJob() {
  HDC dc = PrintJob.PrinterDc;
  if (!dc) return;
  ReleaseJobFont(dc);
  EndPage(dc);
  PrintJobDelivered = EndDoc(dc) > 0;
  if (PrintJobDelivered)
    PrintJobFailureCause.clear();
  else
    NoteFailure(FailureCause(GetLastError()));
  DeleteDC(dc);
  PrintJob.PrinterDc = nullptr;
  PrintJob.SavedFont = nullptr;
}

// AbortPrintJob() - Restores the context's own font and deletes the context with its document
// unfinished, which cancels the document: a job that must not reach the printer half done.
void AbortPrintJob() {
  HDC dc = PrintJob.PrinterDc;
  if (!dc) return;
  ReleaseJobFont(dc);
  DeleteDC(dc);
  PrintJob.PrinterDc = nullptr;
  PrintJob.SavedFont = nullptr;
  PrintJobDelivered = false;
  NoteFailure("the job was cancelled before its end");
}
