// Typed text as a number.
#pragma once

#include <string>

// Numbers are extended precision (long double): 18 typed digits are kept.
// Leading blanks skipped, optional sign, digits, fraction and exponent (E, e, D, d); up to 18
// significant digits; "&H", "&B", "&O"/"&Q"/"&" integer forms. No digits gives 0.
long double TextToNumber(const std::string& text);
