// Document printing: a capture file, or the test page, on the chosen printer and font.
#pragma once

#include <cstdint>
#include <string>

// The name that asks for the test page instead of a file.
inline const std::string TestPageName = "1";

// A point size of 0 becomes 12, written back into pointSize.
void PrintDocument(int16_t& printerIndex, int16_t& fontIndex, int16_t& pointSize,
                   const std::string& fileName);
