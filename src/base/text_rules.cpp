// Text operations whose exact results show on the console, on paper and in files.

#include <new>
#include <stdexcept>
#include <vector>

#include "base/error_code.h"
#include "base/text_rules.h"

// a-z to A-Z and the seven code-page letters with accents to their capitals.
std::string UpperCase(const std::string& text) {
  std::string upper = text;
  for (char& byte : upper) {
    unsigned char b = static_cast<unsigned char>(byte);
    if (b >= 'a' && b <= 'z') {
      b = static_cast<unsigned char>(b - 'a' + 'A');
    } else {
      switch (b) {
        case 0x84:
          b = 0x8E;
          break;
        case 0x94:
          b = 0x99;
          break;
        case 0x81:
          b = 0x9A;
          break;
        case 0x82:
          b = 0x90;
          break;
        case 0xA4:
          b = 0xA5;
          break;
        case 0x86:
          b = 0x8F;
          break;
        case 0x87:
          b = 0x80;
          break;
        default:
          break;
      }
    }
    byte = static_cast<char>(b);
  }
  return upper;
}

// Position (from 1) of wanted in text. A start of 0 or 1 searches the whole text forwards;
// a negative start -n finds the last occurrence that begins at or before the n-th byte
// from the end (-1: anywhere). An empty wanted text is found nowhere.
int FindText(int start, const std::string& text, const std::string& wanted) {
  if (text.empty() || wanted.empty() || wanted.size() > text.size()) return 0;
  const long long length = static_cast<long long>(text.size());
  if (start < 0) {
    long long latest = length + start;  // counted from 0
    if (latest < 0) return 0;
    size_t found = text.rfind(wanted, static_cast<size_t>(latest));
    return found == std::string::npos ? 0 : static_cast<int>(found + 1);
  }
  long long from = start > 0 ? start - 1 : 0;
  if (from >= length) return 0;
  size_t found = text.find(wanted, static_cast<size_t>(from));
  return found == std::string::npos ? 0 : static_cast<int>(found + 1);
}

// -1, 0 or 1 by unsigned byte values; a text that is a prefix of the other is less.
int CompareText(const std::string& a, const std::string& b) {
  size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// Removes leading spaces (byte 32 only; a tab is kept).
std::string TrimLeadingSpaces(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

// Removes the whole pattern from the start as often as it repeats there.
std::string TrimPatternLeft(const std::string& text, const std::string& pattern) {
  if (text.empty() || pattern.empty() || pattern.size() > text.size()) return text;
  size_t from = 0;
  while (text.size() - from >= pattern.size() && text.compare(from, pattern.size(), pattern) == 0)
    from += pattern.size();
  return text.substr(from);
}

// Removes the whole pattern from the end as often as it repeats there.
std::string TrimPatternRight(const std::string& text, const std::string& pattern) {
  if (text.empty() || pattern.empty() || pattern.size() > text.size()) return text;
  size_t end = text.size();
  while (end >= pattern.size() && text.compare(end - pattern.size(), pattern.size(), pattern) == 0)
    end -= pattern.size();
  return text.substr(0, end);
}

namespace {

// Start offsets of every field: 0, then just after each non-overlapping delimiter.
std::vector<size_t> FieldStarts(const std::string& text, const std::string& delimiter) {
  std::vector<size_t> starts{0};
  if (text.empty() || delimiter.empty()) return starts;
  for (size_t at = text.find(delimiter); at != std::string::npos;
       at = text.find(delimiter, at + delimiter.size()))
    starts.push_back(at + delimiter.size());
  return starts;
}

}  // namespace

// Whole-delimiter occurrences plus 1; an empty text (or delimiter) is one field.
int FieldCount(const std::string& text, const std::string& delimiter) {
  return static_cast<int>(FieldStarts(text, delimiter).size());
}

// Field `index` (from 1, negative from the end: -1 is the last); out of range gives "".
std::string FieldAt(const std::string& text, const std::string& delimiter, int index) {
  std::vector<size_t> starts = FieldStarts(text, delimiter);
  const long long count = static_cast<long long>(starts.size());
  long long which = index < 0 ? count + index : static_cast<long long>(index) - 1;
  if (index == 0 || which < 0 || which >= count) return std::string();
  size_t from = starts[static_cast<size_t>(which)];
  size_t end =
      which + 1 < count ? starts[static_cast<size_t>(which + 1)] - delimiter.size() : text.size();
  return text.substr(from, end - from);
}

// Up to `length` bytes from `start` (from 1; -1 is the last byte). A start of 0, before
// the first byte or past the end, or a length below 1, gives "".
std::string SubText(const std::string& text, int start, int length) {
  const long long size = static_cast<long long>(text.size());
  long long from = start < 0 ? size + start : static_cast<long long>(start) - 1;
  if (start == 0 || from < 0 || from >= size || length < 1) return std::string();
  return text.substr(static_cast<size_t>(from), static_cast<size_t>(length));
}

// `count` copies of the first byte (byte 0 for an empty text); "" and code 7 when memory
// runs out.
std::string RepeatByte(int count, const std::string& text) {
  if (count < 1) return std::string();
  try {
    return std::string(static_cast<size_t>(count), text.empty() ? '\0' : text[0]);
  } catch (const std::bad_alloc&) {
    ErrorCode = OutOfMemoryCode;
  } catch (const std::length_error&) {
    ErrorCode = OutOfMemoryCode;
  }
  return std::string();
}
