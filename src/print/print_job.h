// Print job: the one open printer document and its six operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/printer/printer_device.h"

struct PrintJobRecord {
  HDC PrinterDc = nullptr;  // 0: no job (or a document-less context for font discovery)
  int32_t CurrentY = 0;     // baseline of the last line printed on this page
  int16_t GridColumns = 0;
  int16_t GridRows = 0;
  int32_t GridRowHeight = 0;
  int32_t GridColumnWidth = 0;
  HFONT SavedFont = nullptr;  // the context's own font, while a job font is selected
};

extern PrintJobRecord PrintJob;

// The description of the job's selected font (face and em height), for the fonts of the
// same face in other styles (bold, underlined, wider) that DOS printer text draws with.
extern LOGFONTA PrintJobFont;

// The document name every printed document carries on the spooler.
inline const std::string PrintDocumentName = "Tavrel DOS output";

// Returns 1 when the job is open, 0 when not. Columns or rows of 0 or less take the defaults
// 80 and 65, so the grid divisions never divide by zero.
int32_t OpenPrintJob(const std::string& printerName, const std::string& documentName,
                     int16_t columns, int16_t rows, int16_t landscape);
// As OpenPrintJob, with the operator choosing the orientation on the console.
int32_t OpenPrintJobWithPrompt(const std::string& printerName, const std::string& documentName,
                               int16_t columns, int16_t rows);
int32_t SelectPrintFont(const std::string& faceName, int32_t pointSize);
int32_t SetPrintTextColor(COLORREF color);
int32_t StartNextPage();
void EndPrintJob();
// Throws the open job away: releases the job font and deletes the context without ending the
// page or the document, so the spooler job is cancelled (the PDF discarded) and nothing of it
// is printed. PrinterDc and SavedFont become 0 and PrintJobDelivered false. Nothing happens
// without a job.
void AbortPrintJob();

// Removes NUL-space pairs from both ends of a printer or face name.
std::string CleanPrintName(const std::string& name);

// The text as a NUL-terminated buffer of limit + 1 bytes holds it: cut at the first NUL, then
// after limit bytes.
std::string BufferText(const std::string& text, size_t limit);

// Longest printer or document name the platform's calls get: a 256-byte buffer.
constexpr size_t PrintNameLimit = 255;

// 1 when the job's selected font, one line high and one character ("W") wide, fits the
// printable area of the page; 0 without a job or when it does not. A font too tall for the
// page would put every line below its page's end: a run of blank sheets.
int32_t PrintFontFitsPage();

// Why the last print job did not reach the printer, in the operator's words ("the printer's
// scheduler did not answer within 10 seconds", "the queue is stopped or does not accept
// jobs", "the printer is not installed"). Cleared when a job is opened; set when the opening,
// a new page or the delivery fails; empty after a delivered job.
extern std::string PrintJobFailureCause;

// True when the last job ended by EndPrintJob reached the spooler whole: EndDoc reported
// success and no page start failed. Cleared by every OpenPrintJob and PrintDocument, so after
// a failed opening (or a file that could not be read) it is false. Run mode keeps a capture
// file whose document was not delivered.
extern bool PrintJobDelivered;
