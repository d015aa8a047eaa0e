// One-shot print of the capture file with the configured printer, font and size.

#include "shell/pos_print.h"

#include "config/configured_printing.h"
#include "config/program_files.h"

// PrintCaptureFileOnce() - Shows both positions, then prints the capture file; the file stays.
void PrintCaptureFileOnce() {
  PrintConfigured(CaptureFileName, true);
}
