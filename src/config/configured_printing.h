// Printing with the configuration: the positions of its printer and font among the installed
// ones, the line that says which is missing, and the documents printed on them.
#pragma once

#include <cstdint>

#include "config/print_settings.h"

struct ConfiguredPositions {
  int16_t printer = -1;  // -1: not installed
  int16_t font = -1;     // -1: not offered by that printer, or no printer
};

// Rediscovers the printers, then that printer's fonts; the fonts of printer -1 are never
// asked for.
ConfiguredPositions FindConfiguredPositions(const PrintSettings& settings);

// When a position is -1, prints one line saying what is missing and that setup fixes it,
// and returns true.
bool ReportMissingSelection(const PrintSettings& settings, const ConfiguredPositions& positions);

// Makes the configuration's code page the documents' code page; a fourth line that names
// none the program knows is said on the console, and Windows-1252 is used.
void UseConfiguredCodePage(const PrintSettings& settings);

// Loads the configuration, finds its printer and font and prints the file on them (the test
// page for TestPageName); a missing printer or font is reported instead. showPositions: both
// positions are shown first, one a line, as the one-shot print does.
void PrintConfigured(const std::string& fileName, bool showPositions);

// The test command: one empty page on the configured printer, then the run-mode key reminder.
void PrintTestPage();
