// Printer backends: which kinds of printer are in use, and the one order a name is looked up.
#include <string>
#include <vector>

#include "platform/process/last_error.h"
#include "platform/printer/linux/printer_internal.h"

namespace {

// A test's kind of printer, standing in for the real ones while set.
const PrinterBackend* TestBackend = nullptr;

// The kinds of printer in the order a name is looked up.
std::vector<const PrinterBackend*> LookupBackends() {
  if (TestBackend) return {TestBackend};
  return {&PdfFilePrinterBackend, &CupsPrinterBackend};
}

}  // namespace

// Puts a test's kind of printer in place of the real ones, or the real ones back (null).
void UseTestPrinterBackend(const PrinterBackend* backend) {
  TestBackend = backend;
}

// The kinds of printer in use, in listing order.
std::vector<const PrinterBackend*> ListingBackends() {
  if (TestBackend) return {TestBackend};
  return {&CupsPrinterBackend, &PdfFilePrinterBackend};
}

// The first kind of printer, in lookup order, that has the named printer. A kind that holds
// its lookups is asked to hold this one first: a printer its server does not know (or a
// server that does not answer) is then not asked about a second time.
const PrinterBackend* FindPrinterBackend(const std::string& name, DEVMODEA& defaults, void*& held) {
  SetLastError(ERROR_INVALID_PRINTER_NAME);
  for (const PrinterBackend* backend : LookupBackends()) {
    held = nullptr;
    if (backend->holdPrinter && !(held = backend->holdPrinter(name))) continue;
    if (backend->findPrinter(name, defaults)) return backend;
    LetGoPrinter(*backend, held);
  }
  held = nullptr;
  return nullptr;
}

// Lets go of what a lookup held.
void LetGoPrinter(const PrinterBackend& backend, void* held) {
  if (held && backend.letGoPrinter) backend.letGoPrinter(held);
}
