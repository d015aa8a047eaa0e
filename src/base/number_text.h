// Numbers as text, and numbers stored into integers: the exact forms that show in the
// program's output and files.
#pragma once

#include <cstdint>
#include <string>

// Numbers are extended precision (long double): 18 typed digits are kept, and a typed 1E+400
// or 1E-400 is a number like any other, not an infinity or a zero.

// Number as text: a sign position (blank or "-"), then at most `digits` significant digits
// (7 or 15), rounded on the extra digit with ties to even; exponent form when too large or
// too small for plain form. No trailing blank.
std::string NumberText(long double value, int digits);

// Storing a number into an integer: nearest, ties to even, low bits kept (70000 -> 4464).
int16_t StoreInt16(long double value);
int32_t StoreInt32(long double value);

// Largest integer not above the value.
long double FloorValue(long double value);
