// Print zones: the 14-column stops that console lines, files and the log pad to.
#pragma once

constexpr int PrintZoneWidth = 14;

// Blanks from a 0-based column to the next print zone: 1 to 14 of them, 14 at a zone's start.
constexpr int BlanksToNextZone(long long column) {
  return PrintZoneWidth - static_cast<int>(column % PrintZoneWidth);
}
