// Positions of the configured printer and font among the installed ones.
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
