// Text rules: the case, searches, trims and splits whose exact results show in the program's
// output and files. Texts are byte strings; any byte, NUL included.
#pragma once

#include <cstdint>
#include <string>

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
