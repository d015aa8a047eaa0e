// Text measure: how wide and high a text prints in the print job's selected font.
#include "print/text_measure.h"

#include <climits>

#include "platform/printer/printer_device.h"
#include "print/print_job.h"

// Measures the text on the job's context.
TextExtent MeasurePrintText(const std::string& text) {
  TextExtent extent;
  if (text.size() > static_cast<size_t>(INT_MAX)) return extent;
  SIZE size{};
  if (!GetTextExtentPoint32A(PrintJob.PrinterDc, text.data(), static_cast<int>(text.size()), &size))
    return extent;
  extent.width = size.cx;
  extent.height = size.cy;
  return extent;
}
