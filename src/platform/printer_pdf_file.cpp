// "Print to PDF": the built-in printer that writes each document into the folder "pdf".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "platform/printer_canvas.h"

namespace {

const char PdfPrinterName[] = "Print to PDF";
const char PdfFolder[] = "pdf";

// The file name of a document: its name (as UTF-8, without slashes or control characters),
// the date and time it was started.
std::string PdfBaseName(const std::string& documentName, time_t started) {
  std::string name = Cp1252ToUtf8(documentName);
  for (char& c : name)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  if (!name.empty() && name[0] == '.') name[0] = '_';
  // Room for the date, a counter and ".pdf" within a file name's 255 bytes.
  size_t cut = std::min<size_t>(name.size(), 200);
  while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
    cut--;
  name.resize(cut);
  struct tm local = {};
  localtime_r(&started, &local);
  char stamp[40];
  strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M-%S", &local);
  return name.empty() ? stamp : name + " " + stamp;
}

// Writes all bytes to a file descriptor.
bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Gives the finished temporary file its name without ever replacing a file: renameat2 with
// RENAME_NOREPLACE, or link and unlink where the file system lacks it. EEXIST: name taken.
int PlaceFile(int folder, const std::string& temporary, const std::string& name) {
  if (renameat2(folder, temporary.c_str(), folder, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  if (linkat(folder, temporary.c_str(), folder, name.c_str(), 0) != 0) return errno;
  unlinkat(folder, temporary.c_str(), 0);
  return 0;
}

// Writes a finished PDF into the folder "pdf" of the working directory (made when missing)
// under a temporary name, then names it; a name in use gets a counter: "name (2).pdf". True
// once file and name are on disk (file and folder synced).
bool WritePdfFile(const std::string& baseName, const std::string& pdf) {
  if (mkdir(PdfFolder, 0777) != 0 && errno != EEXIST) return false;
  int folder = open(PdfFolder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return false;
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 1000; attempt++) {
    temporary = ".tavrel-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
    fd = openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    close(folder);
    return false;
  }
  bool written = WriteAll(fd, pdf) && fsync(fd) == 0;
  written = close(fd) == 0 && written;
  bool placed = false;
  for (int counter = 1; written && !placed && counter < 10000; counter++) {
    const std::string name =
        baseName + (counter == 1 ? "" : " (" + std::to_string(counter) + ")") + ".pdf";
    const int error = PlaceFile(folder, temporary, name);
    if (error == 0) placed = true;
    else if (error != EEXIST) break;
  }
  if (!placed) unlinkat(folder, temporary.c_str(), 0);
  // The new name is an entry of the folder: on disk only once the folder is synced too.
  if (placed && fsync(folder) != 0) placed = false;
  close(folder);
  return placed;
}

// Lists the built-in printer.
bool PdfListPrinters(std::vector<std::string>& names, uint32_t&) {
  names.push_back(PdfPrinterName);
  return true;
}

// True for the built-in printer; portrait by default.
bool PdfFindPrinter(const std::string& name, DEVMODEA& defaults) {
  if (name != PdfPrinterName) return false;
  defaults = DEVMODEA();
  defaults.dmFields = DM_ORIENTATION;
  return true;
}

// A4 with 6.35 mm margins at 600 dpi.
bool PdfOpenContext(DeviceContext& dc) {
  if (dc.printer != PdfPrinterName) return false;
  SetPageGeometry(dc, MediaSize(), 600, 600);
  return true;
}

// A document not ended is thrown away.
void PdfCloseContext(DeviceContext& dc) { CanvasDiscard(dc); }

// Starts the PDF in memory.
int PdfStartDoc(DeviceContext& dc) { return CanvasStartDoc(dc) ? 1 : 0; }

// Finishes the PDF and writes it into the folder.
int PdfEndDoc(DeviceContext& dc) {
  std::string pdf;
  bool done = CanvasFinish(dc, pdf) &&
              WritePdfFile(PdfBaseName(dc.documentName, CanvasStartTime(dc)), pdf);
  CanvasDiscard(dc);
  return done ? 1 : 0;
}

}  // namespace

const PrinterBackend PdfFilePrinterBackend = {
    PdfListPrinters,    PdfFindPrinter,  PdfOpenContext,     PdfCloseContext,
    PdfStartDoc,        CanvasStartPage, CanvasEndPage,      PdfEndDoc,
    CatalogListFaces,   CatalogRealizeFont, CatalogReleaseFont, CanvasDrawText,
    nullptr,            nullptr,         nullptr,
};
