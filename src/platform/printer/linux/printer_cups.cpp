// CUPS printers: the destinations of the default server, their media and their jobs.
//
// Every call reaches the scheduler over a connection of our own whose waits (connect, request,
// answer) are bounded by SchedulerWaitSeconds: a scheduler that hangs must not hold the shop's
// documents, or the operator's keys, for minutes. A print job looks its printer up once and
// keeps the connection; once a wait has run out, the rest of that job fails at once.
#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/process/last_error.h"
#include "platform/printer/linux/printer_canvas.h"

namespace {

using Clock = std::chrono::steady_clock;

// A connection to the scheduler of the default server.
struct SchedulerLink {
  http_t* http = nullptr;
  Clock::time_point asked;  // when the call under way began
  bool silent = false;      // the scheduler let a call run out: nothing more is asked
};

}  // namespace

// A CUPS printer of a print job: its destination, what the server says it supports, the
// job's connection and how many handles and contexts hold it.
struct CupsDestination {
  std::string name;
  int holders = 0;
  SchedulerLink link;
  cups_dest_t* dest = nullptr;  // a copy of one destination
  cups_dinfo_t* info = nullptr;
  DEVMODEA defaults;
};

namespace {

// The destinations held by the open handles and contexts.
std::vector<CupsDestination*> HeldDestinations;

// A print job's CUPS printer is held by its printer handle and its device context, so the
// scheduler is asked once per job and a wait that ran out is not waited again; it is freed
// when the last holder lets go. Null, with GetLastError set, when the printer is not a CUPS
// destination or the scheduler cannot tell.
CupsDestination* HoldCupsDestination(const std::string& name);
void LetGoCupsDestination(CupsDestination* destination);

// Refuses every password libcups would ask for: the operator is never questioned by the
// spooler library; a server that wants one fails the call instead.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
  return nullptr;
}

// Prepares libcups before its first use.
void StartCups() {
  static bool started = false;
  if (started) return;
  cupsSetPasswordCB2(NoPassword, nullptr);
  started = true;
}

// libcups waits for the scheduler in slices of this many seconds and asks us after each
// whether to go on.
constexpr double WaitSlice = 0.25;

// Bytes of the PDF sent to the scheduler in one call.
constexpr size_t SendPiece = size_t{64} * 1024;

// A server name where no scheduler can be: see NamedDest.
const char NoServer[] = "/nonexistent/tavrel/no-scheduler.sock";

// Marks the start of a call to the scheduler: its waits together may last the bound.
void Ask(SchedulerLink& link) {
  link.asked = Clock::now();
}

// Called by libcups after each slice of waiting: go on until the call has lasted the bound,
// then give up for good. Once silent, every later wait gives up after its first slice.
int KeepWaiting(http_t*, void* data) {
  auto* link = static_cast<SchedulerLink*>(data);
  if (!link->silent && Clock::now() - link->asked < std::chrono::seconds(SchedulerWaitSeconds))
    return 1;
  link->silent = true;
  return 0;
}

// Connects to the default server within the bound. False when no scheduler takes the
// connection (silent when the connecting itself ran out of time).
bool Connect(SchedulerLink& link) {
  StartCups();
  int cancel = 0;
  errno = 0;
  Ask(link);
  link.http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                           SchedulerWaitSeconds * 1000, &cancel);
  if (!link.http) {
    link.silent = errno == ETIMEDOUT;
    return false;
  }
  httpSetTimeout(link.http, WaitSlice, KeepWaiting, &link);
  return true;
}

// The named destination with its options, in one request over the link; null when the
// scheduler does not know it (or did not answer). For a name it does not know, libcups goes on
// to look on the network over the library's own connection, whose waits are not ours: the
// library's server points nowhere meanwhile, so that look-up never reaches a scheduler that
// hangs.
cups_dest_t* NamedDest(SchedulerLink& link, const std::string& queue, const std::string& instance) {
  const std::string server = cupsServer();
  cupsSetServer(NoServer);
  Ask(link);
  cups_dest_t* dest =
      cupsGetNamedDest(link.http, queue.c_str(), instance.empty() ? nullptr : instance.c_str());
  cupsSetServer(server.c_str());
  return dest;
}

// Closes the link's connection.
void Disconnect(SchedulerLink& link) {
  if (link.http) httpClose(link.http);
  link.http = nullptr;
}

// Why the last call over the link failed, as a printer error code.
uint32_t LinkFailure(const SchedulerLink& link) {
  if (link.silent) return ERROR_TIMEOUT;
  if (!link.http) return ERROR_SERVICE_NOT_ACTIVE;
  switch (cupsLastError()) {
    case IPP_STATUS_ERROR_SERVICE_UNAVAILABLE:
      return ERROR_SERVICE_NOT_ACTIVE;
    case IPP_STATUS_ERROR_FORBIDDEN:
    case IPP_STATUS_ERROR_NOT_AUTHENTICATED:
    case IPP_STATUS_ERROR_NOT_AUTHORIZED:
    case IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED:
      return ERROR_ACCESS_DENIED;
    case IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS:
    case IPP_STATUS_ERROR_PRINTER_IS_DEACTIVATED:
      return ERROR_NOT_READY;
    case IPP_STATUS_ERROR_NOT_FOUND:
      return ERROR_INVALID_PRINTER_NAME;
    default:
      return ERROR_PRINT_CANCELLED;
  }
}

// The name of a destination as listed: "queue" or "queue/instance".
std::string DestName(const cups_dest_t& dest) {
  std::string name = dest.name ? dest.name : "";
  if (dest.instance) name += std::string("/") + dest.instance;
  return name;
}

// The destination's default orientation: its own option, else the printer's default.
int16_t DefaultOrientation(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  int value = 0;
  if (const char* option =
          cupsGetOption("orientation-requested", dest->num_options, dest->options)) {
    value = atoi(option);
  } else if (info) {
    ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info, "orientation-requested");
    if (attr) value = ippGetInteger(attr, 0);
  }
  // 4 landscape, 5 reverse landscape.
  return value == 4 || value == 5 ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
}

// The destination's default media, when the server knows a sensible one.
bool DefaultMedia(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, MediaSize& media) {
  cups_size_t size = {};
  if (!info || !cupsGetDestMediaDefault(http, dest, info, 0, &size)) return false;
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
void DefaultResolution(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, int& dpiX, int& dpiY) {
  dpiX = dpiY = 600;
  if (!info) return;
  ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info, "printer-resolution");
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

// An errno-like number for a failed listing, as the printer list shows it.
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

// Lists the destinations in libcups's order. No scheduler, one that does not answer in time,
// or no printer, is an empty list.
bool CupsListPrinters(std::vector<std::string>& names, uint32_t& error) {
  SchedulerLink link;
  if (!Connect(link)) return true;
  cups_dest_t* dests = nullptr;
  Ask(link);
  const int count = cupsGetDests2(link.http, &dests);
  for (int i = 0; i < count; i++) names.push_back(DestName(dests[i]));
  cupsFreeDests(count, dests);
  const bool silent = link.silent;
  Disconnect(link);
  if (count > 0 || silent) return true;
  const ipp_status_t status = cupsLastError();
  if (status <= IPP_STATUS_OK_EVENTS_COMPLETE || status == IPP_STATUS_ERROR_NOT_FOUND ||
      status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
    return true;
  error = CupsErrorNumber(status);
  return false;
}

// Frees a destination and its connection.
void FreeDestination(CupsDestination* destination) {
  if (destination->info) cupsFreeDestInfo(destination->info);
  if (destination->dest) cupsFreeDests(1, destination->dest);
  Disconnect(destination->link);
  delete destination;
}

// Looks the destination ("queue" or "queue/instance") up over its own connection: the
// destination with its options, what the server says it supports, its default orientation.
// Sets the last error and returns false when it cannot be found.
bool LookUpDestination(CupsDestination& destination) {
  SchedulerLink& link = destination.link;
  if (!Connect(link)) {
    SetLastError(LinkFailure(link));
    return false;
  }
  const size_t slash = destination.name.find('/');
  const std::string queue = destination.name.substr(0, slash);
  const std::string instance = slash == std::string::npos ? "" : destination.name.substr(slash + 1);
  destination.dest = NamedDest(link, queue, instance);
  if (!destination.dest) {
    SetLastError(link.silent ? ERROR_TIMEOUT : ERROR_INVALID_PRINTER_NAME);
    return false;
  }
  Ask(link);
  destination.info = cupsCopyDestInfo(link.http, destination.dest);
  if (link.silent) {
    SetLastError(ERROR_TIMEOUT);
    return false;
  }
  destination.defaults = DEVMODEA();
  destination.defaults.dmFields = DM_ORIENTATION;
  destination.defaults.dmOrientation =
      DefaultOrientation(link.http, destination.dest, destination.info);
  return true;
}

// True when the destination exists; its default orientation. Asks the scheduler only when no
// handle or context of the job holds the printer yet.
bool CupsFindPrinter(const std::string& name, DEVMODEA& defaults) {
  CupsDestination* destination = HoldCupsDestination(name);
  if (!destination) return false;
  defaults = destination->defaults;
  LetGoCupsDestination(destination);
  return true;
}

// Geometry from the destination's default media and resolution (A4 with 6.35 mm margins
// when the media is unknown). The context holds the destination until it is deleted.
bool CupsOpenContext(DeviceContext& dc) {
  CupsDestination* destination = HoldCupsDestination(dc.printer);
  if (!destination) return false;
  dc.destination = destination;
  http_t* http = destination->link.http;
  MediaSize media;
  if (!DefaultMedia(http, destination->dest, destination->info, media)) media = MediaSize();
  int dpiX = 600, dpiY = 600;
  DefaultResolution(http, destination->dest, destination->info, dpiX, dpiY);
  SetPageGeometry(dc, media, dpiX, dpiY);
  return true;
}

// Cancels a job not yet handed over (unless the scheduler has stopped answering: the job
// then waits there without a document) and lets go of the destination.
void CupsCloseContext(DeviceContext& dc) {
  CupsDestination* destination = dc.destination;
  if (dc.document && destination && !destination->link.silent && CanvasJobId(dc) > 0) {
    Ask(destination->link);
    cupsCancelDestJob(destination->link.http, destination->dest, CanvasJobId(dc));
  }
  CanvasDiscard(dc);
  if (destination) LetGoCupsDestination(destination);
  dc.destination = nullptr;
}

// True when the queue takes and prints jobs, as the scheduler said when the job looked it up:
// not stopped and accepting. A stopped queue would keep the job without printing it.
bool QueueReady(const cups_dest_t* dest) {
  const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
  const char* accepting =
      cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
  return !(state && atoi(state) == IPP_PSTATE_STOPPED) &&
         !(accepting && strcmp(accepting, "false") == 0);
}

// Starts the PDF and creates the job under the document name; a stopped or rejecting queue
// or a scheduler that does not answer fails here, with the reason as the last error.
// Returns the job number.
int CupsStartDoc(DeviceContext& dc) {
  CupsDestination* destination = dc.destination;
  if (!destination) return 0;
  SchedulerLink& link = destination->link;
  if (!link.silent && !destination->info) {
    Ask(link);
    destination->info = cupsCopyDestInfo(link.http, destination->dest);
  }
  if (link.silent || !destination->info) {
    SetLastError(LinkFailure(link));
    return 0;
  }
  if (!QueueReady(destination->dest)) {
    SetLastError(ERROR_NOT_READY);
    return 0;
  }
  if (!CanvasStartDoc(dc)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  std::string title = Cp1252ToUtf8(dc.documentName);
  if (title.empty()) title = "Untitled";
  int job = 0;
  Ask(link);
  const ipp_status_t status = cupsCreateDestJob(link.http, destination->dest, destination->info,
                                                &job, title.c_str(), 0, nullptr);
  if (link.silent || status > IPP_STATUS_OK_EVENTS_COMPLETE || job <= 0) {
    SetLastError(LinkFailure(link));
    CanvasDiscard(dc);
    return 0;
  }
  CanvasJobId(dc) = job;
  return job;
}

// Sends the finished PDF as the job's one document; a refusal cancels the job and fails, with
// the reason as the last error.
int CupsEndDoc(DeviceContext& dc) {
  CupsDestination* destination = dc.destination;
  if (!destination || !dc.document) return 0;
  SchedulerLink& link = destination->link;
  const int job = CanvasJobId(dc);
  std::string pdf;
  bool sent = CanvasFinish(dc, pdf);
  uint32_t failure = sent ? 0 : ERROR_NOT_ENOUGH_MEMORY;
  if (sent && link.silent) {
    sent = false;
    failure = ERROR_TIMEOUT;
  }
  if (sent) {
    std::string title = Cp1252ToUtf8(dc.documentName);
    Ask(link);
    sent =
        cupsStartDestDocument(link.http, destination->dest, destination->info, job, title.c_str(),
                              CUPS_FORMAT_PDF, 0, nullptr, 1) == HTTP_STATUS_CONTINUE;
    if (sent) {
      // In pieces, each with the whole bound: a long document on a slow network is not given
      // up while the scheduler takes it.
      bool written = true;
      for (size_t at = 0; written && at < pdf.size(); at += SendPiece) {
        Ask(link);
        written =
            cupsWriteRequestData(link.http, pdf.data() + at,
                                 std::min(SendPiece, pdf.size() - at)) == HTTP_STATUS_CONTINUE;
      }
      // The request is finished even after a failed write, so the connection stays usable.
      Ask(link);
      const ipp_status_t status =
          link.silent ? IPP_STATUS_ERROR_INTERNAL
                      : cupsFinishDestDocument(link.http, destination->dest, destination->info);
      sent = written && !link.silent && status <= IPP_STATUS_OK_EVENTS_COMPLETE;
    }
    if (!sent) failure = LinkFailure(link);
  }
  if (!sent && !link.silent) {
    Ask(link);
    cupsCancelDestJob(link.http, destination->dest, job);
  }
  CanvasDiscard(dc);
  if (!sent) SetLastError(failure);
  return sent ? job : 0;
}

// The held destination of that name, looked up when no handle or context holds it yet.
CupsDestination* HoldCupsDestination(const std::string& name) {
  if (name.empty()) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  for (CupsDestination* destination : HeldDestinations) {
    if (destination->name != name) continue;
    destination->holders++;
    return destination;
  }
  auto* destination = new CupsDestination;
  destination->name = name;
  if (!LookUpDestination(*destination)) {
    FreeDestination(destination);
    return nullptr;
  }
  destination->holders = 1;
  HeldDestinations.push_back(destination);
  return destination;
}

// Lets go of a held destination; the last holder frees it and closes the job's connection.
void LetGoCupsDestination(CupsDestination* destination) {
  if (!destination || --destination->holders > 0) return;
  HeldDestinations.erase(std::remove(HeldDestinations.begin(), HeldDestinations.end(), destination),
                         HeldDestinations.end());
  FreeDestination(destination);
}

// The default CUPS destination's name, "" when there is none (or no scheduler answers).
std::string CupsDefaultPrinter() {
  SchedulerLink link;
  if (!Connect(link)) return "";
  cups_dest_t* dests = nullptr;
  Ask(link);
  const int count = cupsGetDests2(link.http, &dests);
  const cups_dest_t* dest = cupsGetDest(nullptr, nullptr, count, dests);
  std::string name = dest ? DestName(*dest) : "";
  cupsFreeDests(count, dests);
  Disconnect(link);
  return name;
}

// The held destination, for a lookup of the device layer.
void* HoldCupsPrinter(const std::string& name) {
  return HoldCupsDestination(name);
}

// Lets go of a destination held by a lookup.
void LetGoCupsPrinter(void* held) {
  LetGoCupsDestination(static_cast<CupsDestination*>(held));
}

}  // namespace

const PrinterBackend CupsPrinterBackend = {
    CupsListPrinters,
    CupsFindPrinter,
    CupsOpenContext,
    CupsCloseContext,
    CupsStartDoc,
    CanvasStartPage,
    CanvasEndPage,
    CupsEndDoc,
    CatalogListFaces,
    CatalogRealizeFont,
    CatalogReleaseFont,
    RealizedAdvances,
    CanvasDrawText,
    CanvasDrawBitmap,
    HoldCupsPrinter,
    LetGoCupsPrinter,
    CupsDefaultPrinter,
    nullptr,
    nullptr,
    CatalogCharacterAdvances,
    CanvasDrawCharacters,
};
