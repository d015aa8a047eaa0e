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

// AppendUtf8() - One character of the Basic Multilingual Plane in UTF-8.
static void AppendUtf8(std::string& text, char32_t character) {
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

// CodePageToUtf8() - Each byte's character in UTF-8 (all lie below U+10000).
std::string CodePageToUtf8(const CodePageTable& page, const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) AppendUtf8(text, page.characters[static_cast<unsigned char>(byte)]);
  return text;
}

// Utf16ToUtf8() - Pairs of surrogates joined; every other unit on its own.
// Written into room for three bytes a unit (a pair's four bytes take two units' room): a
// document's lines are echoed one by one, so this runs for every line printed.
std::string Utf16ToUtf8(const std::u16string& text) {
  std::string utf8(text.size() * 3, '\0');
  size_t at = 0;
  char* out = utf8.data();  // bytes written through pointers: the text is not read again
  const char16_t* in = text.data();
  const size_t count = text.size();
  for (size_t index = 0; index < count; index++) {
    char32_t character = in[index];
    if (character < 0x80) {
      out[at++] = static_cast<char>(character);
      continue;
    }
    const char32_t next = index + 1 < count ? in[index + 1] : 0;
    if (character >= 0xD800 && character < 0xDC00 && next >= 0xDC00 && next < 0xE000) {
      character = 0x10000 + ((character - 0xD800) << 10) + (next - 0xDC00);
      out[at++] = static_cast<char>(0xF0 | (character >> 18));
      out[at++] = static_cast<char>(0x80 | ((character >> 12) & 0x3F));
      out[at++] = static_cast<char>(0x80 | ((character >> 6) & 0x3F));
      out[at++] = static_cast<char>(0x80 | (character & 0x3F));
      index++;
      continue;
    }
    if (character >= 0xD800 && character < 0xE000) character = 0xFFFD;
    if (character < 0x800) {
      out[at++] = static_cast<char>(0xC0 | (character >> 6));
    } else {
      out[at++] = static_cast<char>(0xE0 | (character >> 12));
      out[at++] = static_cast<char>(0x80 | ((character >> 6) & 0x3F));
    }
    out[at++] = static_cast<char>(0x80 | (character & 0x3F));
  }
  utf8.resize(at);
  return utf8;
}
