// Code pages of the shop's documents: the character of each byte, and what a code page
// number means for printing (DOS printer text or plain characters).
#pragma once

#include <array>
#include <cstddef>
#include <string>

// The code page documents are printed in when the configuration names none: every byte one
// Windows-1252 character, as the program has always printed.
constexpr int DefaultCodePage = 1252;

// One code page: the Unicode character (below U+10000) of every byte; U+FFFD where the code
// page has no character. Control bytes are their own characters (U+0000..U+001F, U+007F).
struct CodePageTable {
  int number;
  std::array<char16_t, 256> characters;
};

// The tables, generated from iconv when the program is built (tools/code_page_tables.cpp).
extern const CodePageTable CodePageTables[];
extern const size_t CodePageTableCount;

// The table of a code page number; null for a number the program does not know.
const CodePageTable* FindCodePage(int number);

// True for the DOS code pages (437, 850 ...): a document in one is what a DOS program sends
// to its printer, control codes and all. False for the Windows code pages 1250-1252.
bool IsDosCodePage(int number);

// The code page a configuration line names: "" (or blanks) is the default. known is false
// for anything but the number of a table; the default is then the answer.
int CodePageOfLine(const std::string& line, bool& known);

// The document's bytes as UTF-16 characters of the code page, one per byte.
std::u16string CodePageToUtf16(const CodePageTable& page, const std::string& bytes);

// The document's bytes as UTF-8 text of the code page (for a terminal); control bytes are
// kept as they are.
std::string CodePageToUtf8(const CodePageTable& page, const std::string& bytes);

// UTF-16 text as UTF-8 (a lone surrogate becomes U+FFFD).
std::string Utf16ToUtf8(const std::u16string& text);
