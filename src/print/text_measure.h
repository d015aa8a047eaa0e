// Text measure: how wide and high a text prints in the print job's selected font.
#pragma once

#include <cstdint>
#include <string>

// A text's extent in printer pixels.
struct TextExtent {
  int32_t width = 0;
  int32_t height = 0;
};

// The extent of the text (each byte one character) in the font selected on the print job's
// context (a job's or the one font discovery opened); 0 by 0 when there is no context or no
// font to measure with.
TextExtent MeasurePrintText(const std::string& text);
