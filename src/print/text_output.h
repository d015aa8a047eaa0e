// Text output: lines below each other with breaks and page changes, and text at grid cells.
#pragma once

#include <cstdint>
#include <string>

int32_t PrintLine(const std::string& text);
int32_t PrintAt(const std::string& text, int32_t column, int32_t row);
int32_t PrintAtRight(const std::string& text, int32_t column, int32_t row);
