// Text and number rules: the conversions, searches and splits whose exact results show in
// the program's output and files. Texts are byte strings; any byte, NUL included.
#pragma once

#include <cstdint>
#include <string>

// Numbers are extended precision (long double): 18 typed digits are kept, and a typed 1E+400
// or 1E-400 is a number like any other, not an infinity or a zero.

// Number as text: a sign position (blank or "-"), then at most `digits` significant digits
// (7 or 15), rounded on the extra digit with ties to even; exponent form when too large or
// too small for plain form. No trailing blank.
std::string NumberText(long double value, int digits);

// Leading blanks skipped, optional sign, digits, fraction and exponent (E, e, D, d); up to 18
// significant digits; "&H", "&B", "&O"/"&Q"/"&" integer forms. No digits gives 0.
long double TextToNumber(const std::string& text);

// Storing a number into an integer: nearest, ties to even, low bits kept (70000 -> 4464).
int16_t StoreInt16(long double value);
int32_t StoreInt32(long double value);

// Largest integer not above the value.
long double FloorValue(long double value);

// a-z to A-Z, plus the seven code-page byte pairs (84h->8Eh, 94h->99h, 81h->9Ah, 82h->90h,
// A4h->A5h, 86h->8Fh, 87h->80h).
std::string UpperCase(const std::string& text);

// First position (from 1) at or after start where wanted occurs; 0 when absent or text
// empty. A negative start searches backwards from the end.
int FindText(int start, const std::string& text, const std::string& wanted);

// Unsigned byte comparison; a prefix is less. Result -1, 0 or 1.
int CompareText(const std::string& a, const std::string& b);

std::string TrimLeadingSpaces(const std::string& text);
std::string TrimPatternLeft(const std::string& text, const std::string& pattern);
std::string TrimPatternRight(const std::string& text, const std::string& pattern);

// Occurrences of the whole delimiter plus 1; an empty text gives 1.
int FieldCount(const std::string& text, const std::string& delimiter);
// Field by index from 1; negative counts from the end; beyond the count gives "".
std::string FieldAt(const std::string& text, const std::string& delimiter, int index);
// Bytes from start (from 1; negative counts from the end), at most length of them.
std::string SubText(const std::string& text, int start, int length);
// count copies of the first byte of text (byte 0 when text is empty).
std::string RepeatByte(int count, const std::string& text);

// Local date "MM-DD-YYYY" and time "HH:MM:SS".
std::string DateText();
std::string TimeText();

// The process command line: the program name and its arguments, each quoted when it holds a
// blank, joined by single spaces. Set once at start-up.
void SetCommandLine(int argc, char** argv);
std::string CommandLine();
// The command line without the program's own name (and the blanks after it).
std::string CommandTail();
std::string CommandTailOf(const std::string& commandLine);
