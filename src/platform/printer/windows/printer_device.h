// Printer device on Windows: the real spooler (winspool) and GDI, and the program's own two
// calls beside them, which gather what the spooler's answers hold.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

// How long the program tells the operator a printer's scheduler was given: on Windows the
// spooler keeps its own time and reports ERROR_TIMEOUT itself.
constexpr int SchedulerWaitSeconds = 10;

// The names of the installed printers, local and connected, in the spooler's order (two calls
// of EnumPrintersA at level 2, the first for the size). False on failure with the spooler's
// error for GetLastError; an empty list is no failure.
bool EnumPrintersA(std::vector<std::string>& names);

// The default printer as the system profile holds it ("name,driver,port"), "" when there is
// none.
std::string DefaultPrinterDevice();
