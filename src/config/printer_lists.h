// Printer and font listings for the operator, and lookups of configured names.
#pragma once

#include <cstdint>
#include <string>

void ListPrinters(const std::string& currentName);
std::string PrinterNameAt(int16_t printerPosition);
void ListFixedPitchFonts(int16_t printerPosition);
std::string FontNameAt(int16_t fontPosition, int16_t printerPosition);
// 1-based number of the last matching entry, 0 when absent.
int16_t FindPrinter(const std::string& name);
int16_t FindFont(const std::string& faceName, int16_t printerPosition);
