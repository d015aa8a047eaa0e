// Document printing: a capture file, or the test page, on the chosen printer and font.
#pragma once

#include <cstdint>
#include <string>

// The name that asks for the test page instead of a file.
inline const std::string TestPageName = "1";

// The point size a document is printed at: 12 when the configuration gives none (0).
int16_t DocumentPointSize(int16_t pointSize);

// Prints every line of the open file on the open job, the non-empty ones also on the console
// when echo is asked for. False when a read failed: ErrorCode keeps its code, and the job is
// left to the caller to cancel, so the shop gets the whole document or none of it. Code 62
// only says that no data is left, which is the end, not a failure.
bool PrintFileLines(int fileNumber, bool echo);

// A point size of 0 becomes 12, written back into pointSize.
void PrintDocument(int16_t& printerIndex, int16_t& fontIndex, int16_t& pointSize,
                   const std::string& fileName);
