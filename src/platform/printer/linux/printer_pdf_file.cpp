// "Print to PDF": the built-in printer that writes each document into the folder "pdf".
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "platform/process/last_error.h"
#include "platform/files/linux/real_folder.h"
#include "platform/printer/linux/printer_canvas.h"

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

}  // namespace

// The file a "Print to PDF" document is written into: a temporary name in the folder until
// the document is complete.
struct PdfFileOutput {
  int folder = -1;
  int fd = -1;
  std::string temporary;
};

namespace {

// Closes the document's file; an unfinished one is removed.
void DropPdfFile(DeviceContext& dc) {
  PdfFileOutput* file = dc.pdfFile;
  if (!file) return;
  if (file->fd >= 0) close(file->fd);
  if (!file->temporary.empty()) unlinkat(file->folder, file->temporary.c_str(), 0);
  if (file->folder >= 0) close(file->folder);
  delete file;
  dc.pdfFile = nullptr;
}

// Removes the temporary files that processes no longer running left in the folder: a
// document being written when its process was killed never became a PDF.
void RemoveAbandonedFiles(int folder) {
  const int listing = dup(folder);
  if (listing < 0) return;
  DIR* dir = fdopendir(listing);
  if (!dir) {
    close(listing);
    return;
  }
  while (const dirent* entry = readdir(dir)) {
    int pid = 0;
    int attempt = 0;
    int length = 0;
    if (sscanf(entry->d_name, ".tavrel-%d-%d.tmp%n", &pid, &attempt, &length) != 2 ||
        entry->d_name[length] != '\0' || pid <= 0 || pid == getpid())
      continue;
    if (kill(pid, 0) != 0 && errno == ESRCH) unlinkat(folder, entry->d_name, 0);
  }
  closedir(dir);
}

// The printer error code of a failed file operation (errno).
uint32_t PdfFailure(int error) {
  switch (error) {
    case ELOOP:
    case ENOTDIR:
      return ERROR_DIRECTORY;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_WRITE_FAULT;
  }
}

// Creates the document's temporary file in the folder "pdf" of the working directory (made
// when missing). The folder is never reached through a link: "pdf" that is a symbolic link,
// or not a folder at all, fails the document (ERROR_DIRECTORY) instead of sending the shop's
// documents wherever the link points. Sets the last error on failure.
bool OpenPdfFile(DeviceContext& dc) {
  auto* file = new PdfFileOutput;
  dc.pdfFile = file;
  file->folder = OpenRealFolder(PdfFolder);
  if (file->folder < 0) {
    SetLastError(PdfFailure(errno));
    return false;
  }
  RemoveAbandonedFiles(file->folder);
  for (int attempt = 0; file->fd < 0 && attempt < 1000; attempt++) {
    const std::string temporary =
        ".tavrel-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
    file->fd = openat(file->folder, temporary.c_str(),
                      O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (file->fd >= 0)
      file->temporary = temporary;
    else if (errno != EEXIST)
      break;
  }
  if (file->fd < 0) SetLastError(PdfFailure(errno));
  return file->fd >= 0;
}

// Puts the written file on disk and gives it its name; a name in use gets a counter:
// "name (2).pdf". True once file and name are on disk (file and folder synced); otherwise the
// last error says why.
bool PlacePdfFile(PdfFileOutput& file, const std::string& baseName) {
  int error = fsync(file.fd) == 0 ? 0 : errno;
  if (close(file.fd) != 0 && error == 0) error = errno;
  file.fd = -1;
  bool placed = false;
  for (int counter = 1; error == 0 && !placed && counter < 10000; counter++) {
    const std::string name =
        baseName + (counter == 1 ? "" : " (" + std::to_string(counter) + ")") + ".pdf";
    const int placing =
        RenameWithoutReplacing(file.folder, file.temporary.c_str(), file.folder, name.c_str());
    if (placing == 0)
      placed = true;
    else if (placing != EEXIST)
      error = placing;
  }
  if (!placed) {
    SetLastError(PdfFailure(error));
    return false;
  }
  file.temporary.clear();
  // The new name is an entry of the folder: on disk only once the folder is synced too.
  if (fsync(file.folder) == 0) return true;
  SetLastError(PdfFailure(errno));
  return false;
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

// A document not ended is thrown away, its file with it.
void PdfCloseContext(DeviceContext& dc) {
  CanvasDiscard(dc);
  DropPdfFile(dc);
}

// Starts the PDF, written into a temporary file of the folder as it is drawn.
int PdfStartDoc(DeviceContext& dc) {
  DropPdfFile(dc);
  if (OpenPdfFile(dc)) {
    if (CanvasStartDoc(dc, dc.pdfFile->fd)) return 1;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  DropPdfFile(dc);
  return 0;
}

// Finishes the PDF and gives its file the document's name.
int PdfEndDoc(DeviceContext& dc) {
  std::string pdf;
  const std::string baseName = PdfBaseName(dc.documentName, CanvasStartTime(dc));
  bool done = dc.pdfFile && CanvasFinish(dc, pdf);
  // A failed write names its cause (a full disk, say); any other failure is a write fault.
  if (!done) SetLastError(PdfFailure(CanvasWriteError(dc)));
  done = done && PlacePdfFile(*dc.pdfFile, baseName);
  CanvasDiscard(dc);
  DropPdfFile(dc);
  return done ? 1 : 0;
}

}  // namespace

const PrinterBackend PdfFilePrinterBackend = {
    PdfListPrinters,
    PdfFindPrinter,
    PdfOpenContext,
    PdfCloseContext,
    PdfStartDoc,
    CanvasStartPage,
    CanvasEndPage,
    PdfEndDoc,
    CatalogListFaces,
    CatalogRealizeFont,
    CatalogReleaseFont,
    RealizedAdvances,
    CanvasDrawText,
    CanvasDrawBitmap,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    CatalogCharacterAdvances,
    CanvasDrawCharacters,
};
