// Setup wizard: choose a printer, one of its fixed-pitch fonts and a point size, and write
// "tavrel2.cfg".

#include "config/setup_wizard.h"

#include <cstdint>
#include <string>

#include "config/print_settings.h"
#include "config/printer_lists.h"
#include "platform/console/console.h"
#include "print/discovery.h"
#include "base/number_text.h"
#include "base/text_to_number.h"

// AskNumber() - Asks until the operator types a number from 1 to count; 0 when no number
// can ever be accepted (an empty list, or no keyboard to type on).
static int16_t AskNumber(const std::string& prompt, int32_t count) {
  if (count < 1) return 0;
  // A keyboard that is gone would answer every prompt with an empty line, for ever.
  while (ConsoleHasKeyboard()) {
    ConsolePrintLine(prompt);
    int16_t number = StoreInt16(TextToNumber(ConsoleLineInput()));
    if (number >= 1 && number <= count) return number;
    ConsolePrintLine("Try again, must be a number from above.");
  }
  return 0;
}

// RunSetup() - The whole dialogue. The old configuration stays until the new one is complete.
void RunSetup() {
  ConsolePrintLine("Entering config mode");
  // A name no printer has, so no line of the list is marked "Your selection ": setup offers
  // every printer alike, whatever the configuration names now.
  ListPrinters("fishcakes");
  int16_t printerNumber = AskNumber("Select a printer from the above list.", PrinterCount);
  if (printerNumber == 0) {
    ConsolePrintLine(
        PrinterCount < 1
            ? "No printer is installed, so there is nothing to choose; tavrel2.cfg was not changed."
            : "No keyboard to answer on; tavrel2.cfg was not changed.");
    return;
  }
  int16_t printerPosition = static_cast<int16_t>(printerNumber - 1);

  ListFixedPitchFonts(printerPosition);
  int16_t fontNumber = AskNumber("Select a font from the above list.", FontCount);
  if (fontNumber == 0) {
    ConsolePrintLine(FontCount < 1 ? "That printer offers no font, so there is nothing to choose; "
                                     "tavrel2.cfg was not changed."
                                   : "No keyboard to answer on; tavrel2.cfg was not changed.");
    return;
  }
  int16_t fontPosition = static_cast<int16_t>(fontNumber - 1);

  // The documents' code page is not asked for here; a fourth line written by hand stays.
  const std::string codePageLine = LoadPrintSettings().CodePageText;
  OpenSettingsForWriting();
  std::string printerName = PrinterNameAt(printerPosition);
  ConsolePrintLine(printerName);
  WriteSettingsLine(printerName);

  std::string faceName = FontNameAt(fontPosition, printerPosition);
  ConsolePrintLine(faceName);
  WriteSettingsLine(faceName);

  ConsolePrintLine("Please enter a font point size between 6 and 72.  Common size for POS is 10");
  std::string entry = ConsoleLineInput();
  if (!ConsoleHasKeyboard()) {
    // The terminal went away at the prompt: an empty answer is not the operator's choice.
    AbandonSettingsFile();
    ConsolePrintLine("The keyboard is gone; tavrel2.cfg was not changed.");
    return;
  }
  WriteSettingsLine(NumberText(TextToNumber(entry), 15));
  if (!codePageLine.empty()) WriteSettingsLine(codePageLine);
  ConsolePrintLine(entry);
  CloseSettingsFile();
  ConsolePrintLine("Setup complete, creating config file.");
}
