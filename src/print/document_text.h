// Document text: the lines of a capture file onto the print job in the documents' code page,
// as DOS printer text where that code page is a DOS one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The documents' code page (base/code_pages.h); DefaultCodePage until the configuration
// names another.
extern int DocumentCodePage;

// Before a document's first line: the printer's modes as after it is switched on.
void StartDocumentText();

// What the console shows of a printed line: its bytes, as the console has always shown a
// document's bytes (Windows-1252), or its characters in the document's code page. Each
// printed line of it is one entry; an empty entry is not shown.
struct DocumentEcho {
  bool inCharacters = false;
  std::vector<std::string> bytes;
  std::vector<std::u16string> characters;
};

// Prints one line of the document. In Windows-1252 the line goes to PrintLine unchanged, byte
// for byte as always. In another code page its characters are drawn; in a DOS code page its
// control codes act (new lines and pages, bold, underline, double width, condensed, cuts)
// and every line takes a line on paper, as on a DOS printer. echo gets what the console
// shows of it: the text printed, without the control codes.
int32_t PrintDocumentLine(const std::string& line, DocumentEcho& echo);

// After a document's last line: the style fonts are let go (the job font stays selected).
void FinishDocumentText();
