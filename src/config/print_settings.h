// Configuration file "tavrel2.cfg": printer name, font face name and point size text.
#pragma once

#include <cstdint>
#include <string>

#include "config/program_files.h"

struct PrintSettings {
  std::string PrinterName;
  std::string FontName;
  std::string PointSizeText;
  // An optional fourth line: the number of the documents' code page ("" for Windows-1252).
  std::string CodePageText;
};

// The documents' code page the configuration names; known is false (and the answer
// Windows-1252) for a fourth line that names no code page the program has.
int ConfiguredCodePage(const PrintSettings& settings, bool& known);

// The point size as a number stored in a signed 16-bit integer; text that is not a number
// gives 0.
int16_t PointSizeValue(const PrintSettings& settings);

// Never fails outward: what cannot be read comes back as empty text.
PrintSettings LoadPrintSettings();

// Writing, as setup does it: open, then each line (text and CR LF) straight to the file, then
// close. The lines go to a file beside the configuration, which replaces it only on close,
// so an interrupted setup keeps the old configuration.
void OpenSettingsForWriting();
void WriteSettingsLine(const std::string& text);
void CloseSettingsFile();
// Removes the unfinished new settings; the old configuration stays.
void AbandonSettingsFile();
