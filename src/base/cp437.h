// Code page 437: the glyph of each console byte, and the byte of a typed character.
#pragma once

#include <string>

// The UTF-8 text of the glyph the console shows for a byte; control bytes have their
// pictures (13 is ♪, 10 is ◙), byte 0 shows as a blank.
const std::string& Cp437Glyph(unsigned char byte);

// The code page byte of a Unicode character: itself below 128, else the byte 128..255 whose
// glyph it is; -1 when the code page has no such character.
int Cp437ByteOf(char32_t character);
