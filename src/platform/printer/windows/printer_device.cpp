// Printer device on Windows: the printer list and the default printer, from the spooler and
// the system profile. Everything else the printing code calls is the system's own.
#include "platform/printer/windows/printer_device.h"

#include <memory>
#include <new>

namespace {

// Enumerate local printers and the connections to other machines' printers, and the network's.
constexpr DWORD PrinterKinds = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS | PRINTER_ENUM_NETWORK;
// The record of one printer at level 2: name, share, port, driver, comment ... (84 bytes).
constexpr DWORD PrinterInfoLevel = 2;
// The profile answer's room: a printer name, its driver and its port.
constexpr DWORD ProfileTextSize = 127;

}  // namespace

// EnumPrintersA() - The installed printers' names. The first call only says how many bytes the
// records take; the second fills them, with room for two more records in case a printer was
// added in between. A failure of the second call is the enumeration's failure.
bool EnumPrintersA(std::vector<std::string>& names) {
  names.clear();
  DWORD needed = 0;
  DWORD returned = 0;
  ::EnumPrintersA(PrinterKinds, nullptr, PrinterInfoLevel, nullptr, 0, &needed, &returned);

  const DWORD recordSize = sizeof(PRINTER_INFO_2A);
  const DWORD bufferSize = (needed / recordSize + 2) * recordSize;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[bufferSize]());
  if (!buffer) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  returned = 0;
  if (!::EnumPrintersA(PrinterKinds, nullptr, PrinterInfoLevel, buffer.get(), bufferSize, &needed,
                       &returned))
    return false;

  const auto* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.get());
  for (DWORD i = 0; i < returned; ++i)
    if (printers[i].pPrinterName) names.emplace_back(printers[i].pPrinterName);
  return true;
}

// DefaultPrinterDevice() - The "device" entry of the profile's "windows" section, where the
// system keeps the default printer as "name,driver,port"; "" when there is none.
std::string DefaultPrinterDevice() {
  char device[ProfileTextSize + 1] = {};
  DWORD length = GetProfileStringA("windows", "device", "", device, ProfileTextSize);
  return std::string(device, length);
}
