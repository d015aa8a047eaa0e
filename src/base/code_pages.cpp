// Code pages of the shop's documents: lookup by number, and bytes to characters.
#include "base/code_pages.h"

// FindCodePage() - A short walk over the dozen tables.
const CodePageTable* FindCodePage(int number) {
  for (size_t index = 0; index < CodePageTableCount; index++)
    if (CodePageTables[index].number == number) return &CodePageTables[index];
  return nullptr;
}

// IsDosCodePage() - Every table but the Windows code pages.
bool IsDosCodePage(int number) {
  return FindCodePage(number) && (number < 1250 || number > 1252);
}

// CodePageOfLine() - Digits, with blanks around them allowed; nothing else is a number.
int CodePageOfLine(const std::string& line, bool& known) {
  const size_t first = line.find_first_not_of(' ');
  known = true;
  if (first == std::string::npos) return DefaultCodePage;
  const size_t last = line.find_last_not_of(' ');
  int number = 0;
  for (size_t index = first; index <= last; index++) {
    const char digit = line[index];
    if (digit < '0' || digit > '9' || number > 99999) {
      known = false;
      return DefaultCodePage;
    }
    number = number * 10 + (digit - '0');
  }
  known = FindCodePage(number) != nullptr;
  return known ? number : DefaultCodePage;
}

// CodePageToUtf16() - One table lookup a byte.
std::u16string CodePageToUtf16(const CodePageTable& page, const std::string& bytes) {
  std::u16string text(bytes.size(), u'\0');
  for (size_t index = 0; index < bytes.size(); index++)
    text[index] = page.characters[static_cast<unsigned char>(bytes[index])];
  return text;
}

// CodePageToUtf8() - Each byte's character in UTF-8 (all lie below U+10000).
std::string CodePageToUtf8(const CodePageTable& page, const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const char32_t character = page.characters[static_cast<unsigned char>(byte)];
    if (character < 0x80) {
      text.push_back(static_cast<char>(character));
    } else if (character < 0x800) {
      text.push_back(static_cast<char>(0xC0 | (character >> 6)));
      text.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    } else {
      text.push_back(static_cast<char>(0xE0 | (character >> 12)));
      text.push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
      text.push_back(static_cast<char>(0x80 | (character & 0x3F)));
    }
  }
  return text;
}
