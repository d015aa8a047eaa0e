// CUPS printers: the destinations of the default server, their media and their jobs.
#include <cups/cups.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/printer_canvas.h"

// A CUPS printer of a context: its destination and what the server says it supports.
struct CupsDestination {
  cups_dest_t* dest = nullptr;  // a copy of one destination
  cups_dinfo_t* info = nullptr;
};

namespace {

// Refuses every password libcups would ask for: the operator is never questioned by the
// spooler library; a server that wants one fails the call instead.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) { return nullptr; }

// Prepares libcups before its first use.
void StartCups() {
  static bool started = false;
  if (started) return;
  cupsSetPasswordCB2(NoPassword, nullptr);
  started = true;
}

// The name of a destination as listed: "queue" or "queue/instance".
std::string DestName(const cups_dest_t& dest) {
  std::string name = dest.name ? dest.name : "";
  if (dest.instance) name += std::string("/") + dest.instance;
  return name;
}

// A copy of the named destination ("queue" or "queue/instance") from libcups's list, or
// null when there is none. Free with cupsFreeDests(1, ...).
cups_dest_t* CopyNamedDest(const std::string& name) {
  if (name.empty()) return nullptr;
  StartCups();
  const size_t slash = name.find('/');
  const std::string queue = name.substr(0, slash);
  const std::string instance = slash == std::string::npos ? "" : name.substr(slash + 1);
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  cups_dest_t* found =
      cupsGetDest(queue.c_str(), instance.empty() ? nullptr : instance.c_str(), count, dests);
  cups_dest_t* copy = nullptr;
  if (found) cupsCopyDest(found, 0, &copy);
  cupsFreeDests(count, dests);
  return copy;
}

// The destination's default orientation: its own option, else the printer's default.
int16_t DefaultOrientation(cups_dest_t* dest, cups_dinfo_t* info) {
  int value = 0;
  if (const char* option =
          cupsGetOption("orientation-requested", dest->num_options, dest->options)) {
    value = atoi(option);
  } else if (info) {
    ipp_attribute_t* attr =
        cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "orientation-requested");
    if (attr) value = ippGetInteger(attr, 0);
  }
  // 4 landscape, 5 reverse landscape.
  return value == 4 || value == 5 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
}

// The destination's default media, when the server knows a sensible one.
bool DefaultMedia(cups_dest_t* dest, cups_dinfo_t* info, MediaSize& media) {
  cups_size_t size = {};
  if (!info || !cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest, info, 0, &size)) return false;
  if (size.width <= 0 || size.length <= 0 || size.left < 0 || size.right < 0 || size.top < 0 ||
      size.bottom < 0 || size.left + size.right >= size.width ||
      size.top + size.bottom >= size.length)
    return false;
  media.width = size.width;
  media.length = size.length;
  media.left = size.left;
  media.right = size.right;
  media.top = size.top;
  media.bottom = size.bottom;
  return true;
}

// The destination's default resolution in dots per inch, else 600.
void DefaultResolution(cups_dest_t* dest, cups_dinfo_t* info, int& dpiX, int& dpiY) {
  dpiX = dpiY = 600;
  if (!info) return;
  ipp_attribute_t* attr = cupsFindDestDefault(CUPS_HTTP_DEFAULT, dest, info, "printer-resolution");
  if (!attr || ippGetValueTag(attr) != IPP_TAG_RESOLUTION) return;
  int y = 0;
  ipp_res_t units = IPP_RES_PER_INCH;
  int x = ippGetResolution(attr, 0, &y, &units);
  if (units == IPP_RES_PER_CM) {
    x = static_cast<int>(std::lround(x * 2.54));
    y = static_cast<int>(std::lround(y * 2.54));
  }
  if (x >= 72 && x <= 9600 && y >= 72 && y <= 9600) {
    dpiX = x;
    dpiY = y;
  }
}

// An errno-like number for a CUPS failure.
uint32_t CupsErrorNumber(ipp_status_t status) {
  switch (status) {
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
      return EACCES;
    case IPP_STATUS_ERROR_INTERNAL:
      return EPROTO;
    default:
      return EIO;
  }
}

// Lists the destinations in libcups's order. No scheduler (or no printer) is an empty list.
bool CupsListPrinters(std::vector<std::string>& names, uint32_t& error) {
  StartCups();
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  for (int i = 0; i < count; i++) names.push_back(DestName(dests[i]));
  cupsFreeDests(count, dests);
  if (count > 0) return true;
  const ipp_status_t status = cupsLastError();
  if (status <= IPP_STATUS_OK_EVENTS_COMPLETE || status == IPP_STATUS_ERROR_NOT_FOUND ||
      status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
    return true;
  error = CupsErrorNumber(status);
  return false;
}

// True when the destination exists; its default orientation.
bool CupsFindPrinter(const std::string& name, DEVMODEA& defaults) {
  cups_dest_t* dest = CopyNamedDest(name);
  if (!dest) return false;
  cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
  defaults = DEVMODEA();
  defaults.dmFields = DM_ORIENTATION;
  defaults.dmOrientation = DefaultOrientation(dest, info);
  if (info) cupsFreeDestInfo(info);
  cupsFreeDests(1, dest);
  return true;
}

// Frees the destination of a context.
void FreeDestination(DeviceContext& dc) {
  if (!dc.destination) return;
  if (dc.destination->info) cupsFreeDestInfo(dc.destination->info);
  if (dc.destination->dest) cupsFreeDests(1, dc.destination->dest);
  delete dc.destination;
  dc.destination = nullptr;
}

// Geometry from the destination's default media and resolution (A4 with 6.35 mm margins
// when the media is unknown).
bool CupsOpenContext(DeviceContext& dc) {
  cups_dest_t* dest = CopyNamedDest(dc.printer);
  if (!dest) return false;
  dc.destination = new CupsDestination{dest, cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)};
  MediaSize media;
  if (!DefaultMedia(dest, dc.destination->info, media)) media = MediaSize();
  int dpiX = 600, dpiY = 600;
  DefaultResolution(dest, dc.destination->info, dpiX, dpiY);
  SetPageGeometry(dc, media, dpiX, dpiY);
  return true;
}

// Cancels a job not yet handed over and frees the destination.
void CupsCloseContext(DeviceContext& dc) {
  if (dc.document && dc.destination && CanvasJobId(dc) > 0)
    cupsCancelDestJob(CUPS_HTTP_DEFAULT, dc.destination->dest, CanvasJobId(dc));
  CanvasDiscard(dc);
  FreeDestination(dc);
}

// True when the queue takes and prints jobs now: known to the scheduler, not stopped and
// accepting. A stopped queue would keep the job without printing it.
bool QueueReady(const cups_dest_t* dest) {
  cups_dest_t* fresh = cupsGetNamedDest(CUPS_HTTP_DEFAULT, dest->name, dest->instance);
  if (!fresh) return false;
  const char* state = cupsGetOption("printer-state", fresh->num_options, fresh->options);
  const char* accepting =
      cupsGetOption("printer-is-accepting-jobs", fresh->num_options, fresh->options);
  const bool ready = !(state && atoi(state) == IPP_PSTATE_STOPPED) &&
                     !(accepting && strcmp(accepting, "false") == 0);
  cupsFreeDests(1, fresh);
  return ready;
}

// Starts the PDF and creates the job under the document name; a stopped or rejecting queue
// or a missing scheduler fails here. Returns the job number.
int CupsStartDoc(DeviceContext& dc) {
  CupsDestination* destination = dc.destination;
  if (!destination) return 0;
  if (!destination->info) destination->info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, destination->dest);
  if (!destination->info || !QueueReady(destination->dest) || !CanvasStartDoc(dc)) return 0;
  std::string title = Cp1252ToUtf8(dc.documentName);
  if (title.empty()) title = "Untitled";
  int job = 0;
  const ipp_status_t status = cupsCreateDestJob(CUPS_HTTP_DEFAULT, destination->dest,
                                                destination->info, &job, title.c_str(), 0, nullptr);
  if (status > IPP_STATUS_OK_EVENTS_COMPLETE || job <= 0) {
    CanvasDiscard(dc);
    return 0;
  }
  CanvasJobId(dc) = job;
  return job;
}

// Sends the finished PDF as the job's one document; a refusal cancels the job and fails.
int CupsEndDoc(DeviceContext& dc) {
  CupsDestination* destination = dc.destination;
  if (!destination || !dc.document) return 0;
  const int job = CanvasJobId(dc);
  std::string pdf;
  bool sent = CanvasFinish(dc, pdf);
  if (sent) {
    std::string title = Cp1252ToUtf8(dc.documentName);
    sent = cupsStartDestDocument(CUPS_HTTP_DEFAULT, destination->dest, destination->info, job,
                                 title.c_str(), CUPS_FORMAT_PDF, 0, nullptr,
                                 1) == HTTP_STATUS_CONTINUE;
    if (sent) {
      const bool written = cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data(), pdf.size()) ==
                           HTTP_STATUS_CONTINUE;
      // The request is finished even after a failed write, so the connection stays usable.
      const ipp_status_t status =
          cupsFinishDestDocument(CUPS_HTTP_DEFAULT, destination->dest, destination->info);
      sent = written && status <= IPP_STATUS_OK_EVENTS_COMPLETE;
    }
  }
  if (!sent) cupsCancelDestJob(CUPS_HTTP_DEFAULT, destination->dest, job);
  CanvasDiscard(dc);
  return sent ? job : 0;
}

}  // namespace

const PrinterBackend CupsPrinterBackend = {
    CupsListPrinters,   CupsFindPrinter,    CupsOpenContext,    CupsCloseContext,
    CupsStartDoc,       CanvasStartPage,    CanvasEndPage,      CupsEndDoc,
    CatalogListFaces,   CatalogRealizeFont, CatalogReleaseFont, CanvasDrawText,
    nullptr,            nullptr,            nullptr,
};

// The default CUPS destination's name, "" when there is none.
std::string CupsDefaultPrinter() {
  StartCups();
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  const cups_dest_t* dest = cupsGetDest(nullptr, nullptr, count, dests);
  std::string name = dest ? DestName(*dest) : "";
  cupsFreeDests(count, dests);
  return name;
}
