// Printer settings: printer handles, the settings record and the operator's orientation choice.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <unordered_set>

#include "platform/console/console.h"
#include "platform/process/last_error.h"
#include "platform/printer/linux/printer_internal.h"

namespace {

// An open printer: its name, kind and default settings; what the lookup held (a CUPS
// printer's destination) stays held while the handle is open, so the job opened with it asks
// the scheduler nothing twice.
struct PrinterHandle {
  std::string name;
  const PrinterBackend* backend = nullptr;
  DEVMODEA defaults;
  void* held = nullptr;
};

std::unordered_set<PrinterHandle*> LivePrinters;

// Settings record flag: the input record's fields are merged in.
constexpr int DM_IN_BUFFER = 8;

// How long the orientation question waits for a key before it gives up.
constexpr int PromptTimeoutMs = 10 * 60 * 1000;
constexpr int PromptPollMs = 50;

// True when the process has a terminal to read keys from.
bool HaveKeyboard() {
  int fd = open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

// The name of an orientation as the operator sees it.
const char* OrientationName(int16_t orientation) {
  return orientation == DMORIENT_LANDSCAPE ? "Landscape" : "Portrait";
}

}  // namespace

// Asks the operator for the page orientation: P portrait, L landscape, Enter keeps the
// default, Escape cancels. Other keys are ignored; no key within timeoutMs cancels.
long AskOrientation(const std::string& printer, int16_t& orientation, std::string (*readKey)(),
                    int timeoutMs) {
  ConsolePrint("Printer settings for " + printer);
  ConsoleNewLine();
  ConsolePrint(std::string("Orientation: ") + OrientationName(orientation));
  ConsoleNewLine();
  ConsolePrint("P = Portrait, L = Landscape, Enter = keep, Esc = cancel");
  ConsoleNewLine();
  int waited = 0;
  while (waited <= timeoutMs) {
    std::string key = readKey();
    if (key.empty()) {
      if (waited >= timeoutMs) break;
      SleepMilliseconds(PromptPollMs);
      waited += PromptPollMs;
      continue;
    }
    if (key.size() != 1) continue;  // a key without a character
    const char c = key[0];
    if (c == 'p' || c == 'P')
      orientation = DMORIENT_PORTRAIT;
    else if (c == 'l' || c == 'L')
      orientation = DMORIENT_LANDSCAPE;
    else if (c == 27)
      break;
    else if (c != 13)
      continue;
    ConsolePrint(std::string("Orientation: ") + OrientationName(orientation));
    ConsoleNewLine();
    return IDOK;
  }
  ConsolePrint("Printer settings cancelled");
  ConsoleNewLine();
  return IDCANCEL;
}

// Opens a printer for the settings calls; false when no printer has that name, with the
// reason for GetLastError. "Print to PDF" is answered without asking the scheduler. No access
// request is needed here: every printer handle may read the settings.
bool OpenPrinterA(const char* name, HANDLE* printer, PRINTER_DEFAULTSA* /*defaults*/) {
  if (!name || !printer) return false;
  DEVMODEA defaults;
  void* held = nullptr;
  const PrinterBackend* backend = FindPrinterBackend(name, defaults, held);
  if (!backend) return false;
  auto* handle = new PrinterHandle{name, backend, defaults, held};
  handle->defaults.dmFields |= DM_ORIENTATION;
  LivePrinters.insert(handle);
  *printer = handle;
  return true;
}

// The settings record: its size (mode 0), the printer's defaults (DM_OUT_BUFFER), or the
// defaults as the operator changes them on the console (DM_IN_PROMPT | DM_OUT_BUFFER).
long DocumentPropertiesA(void* /*window*/, HANDLE printer, const char* /*name*/, DEVMODEA* out,
                         const DEVMODEA* in, DWORD mode) {
  auto* handle = static_cast<PrinterHandle*>(printer);
  if (!handle || !LivePrinters.count(handle)) return -1;
  if (mode == 0) return sizeof(DEVMODEA);
  DEVMODEA settings = handle->defaults;
  if ((mode & DM_IN_BUFFER) && in && (in->dmFields & DM_ORIENTATION) &&
      (in->dmOrientation == DMORIENT_PORTRAIT || in->dmOrientation == DMORIENT_LANDSCAPE))
    settings.dmOrientation = in->dmOrientation;
  if ((mode & DM_OUT_BUFFER) && !out) return -1;
  if (mode & DM_IN_PROMPT) {
    long answer;
    if (handle->backend->askOrientation) {
      answer = handle->backend->askOrientation(handle->name, settings.dmOrientation);
    } else if (!HaveKeyboard()) {
      // Without a terminal no key can ever come: the question is cancelled at once.
      int16_t unused = settings.dmOrientation;
      answer = AskOrientation(
          handle->name, unused, [] { return std::string(); }, 0);
    } else {
      answer = AskOrientation(handle->name, settings.dmOrientation, ConsoleInkey, PromptTimeoutMs);
    }
    if (answer != IDOK) return IDCANCEL;
  }
  if (mode & DM_OUT_BUFFER) *out = settings;
  return IDOK;
}

// Closes a printer handle.
int ClosePrinter(HANDLE printer) {
  auto* handle = static_cast<PrinterHandle*>(printer);
  if (!handle || !LivePrinters.count(handle)) return 0;
  LivePrinters.erase(handle);
  LetGoPrinter(*handle->backend, handle->held);
  delete handle;
  return 1;
}
