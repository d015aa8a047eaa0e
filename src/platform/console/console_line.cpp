// Whole console lines, the form most of the program's messages take.

#include "platform/console/console.h"

// ConsolePrintLine() - The text and a new line.
void ConsolePrintLine(const std::string& text) {
  ConsolePrint(text);
  ConsoleNewLine();
}
