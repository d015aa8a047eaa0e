// Configuration file "tavrel2.cfg": loading the three settings, and writing them through a
// file beside it that replaces the configuration only when every line was written.
#include "config/print_settings.h"

#include "base/code_pages.h"
#include "base/error_code.h"
#include "platform/files/files.h"
#include "base/number_text.h"
#include "base/text_to_number.h"

namespace {

// The file the new settings are written to before they replace the configuration.
std::string NewSettingsFileName() {
  return SettingsFileName + ".new";
}

bool SettingsWriteOpen = false;  // the new settings file is open under SettingsFileNumber
int SettingsWriteCode = 0;       // code of the first failed write: the old configuration stays
int HeldSettingsNumber = 0;      // number holding the old configuration during a write

}  // namespace

// Reads printer, font and point size, one line each; what cannot be read is empty text.
PrintSettings LoadPrintSettings() {
  PrintSettings settings;
  ClearErrorCode();
  FileOpen(SettingsFileName, SettingsFileNumber, FileInput);
  if (ErrorCode != 0) return settings;
  settings.PrinterName = FileLineInput(SettingsFileNumber);
  settings.FontName = FileLineInput(SettingsFileNumber);
  settings.PointSizeText = FileLineInput(SettingsFileNumber);
  settings.CodePageText = FileLineInput(SettingsFileNumber);
  FileClose(SettingsFileNumber);
  return settings;
}

// Starts writing new settings. The old configuration is opened exclusively and held until
// the close, so that while another process has it open nothing is written (and no other
// process reads it half-replaced). The lines go to "tavrel2.cfg.new", emptied at its open;
// a leftover from an interrupted setup is simply overwritten, one held by another setup
// makes this one write nothing.
void OpenSettingsForWriting() {
  if (SettingsWriteOpen) return;
  ClearErrorCode();
  int held = FreeFileNumber();
  FileOpen(SettingsFileName, held, FileInput);
  if (ErrorCode != 0 && ErrorCode != FileNotFoundCode) return;
  HeldSettingsNumber = ErrorCode == 0 ? held : 0;
  ClearErrorCode();
  FileOpen(NewSettingsFileName(), SettingsFileNumber, FileOutput);
  if (ErrorCode != 0) {
    int code = ErrorCode;
    FileClose(HeldSettingsNumber);
    HeldSettingsNumber = 0;
    ErrorCode = code;
    return;
  }
  SettingsWriteOpen = true;
  SettingsWriteCode = 0;
}

// Writes one setting and its CR LF straight to the new settings file.
void WriteSettingsLine(const std::string& text) {
  if (!SettingsWriteOpen) return;
  ClearErrorCode();
  FilePrint(SettingsFileNumber, text);
  FileNewLine(SettingsFileNumber);
  if (ErrorCode != 0 && SettingsWriteCode == 0) SettingsWriteCode = ErrorCode;
}

// Closes the new settings file and, when every line was written, puts it in place of the
// configuration; otherwise removes it and the old configuration stays.
void CloseSettingsFile() {
  if (!SettingsWriteOpen) return;
  SettingsWriteOpen = false;
  ErrorCode = SettingsWriteCode;
  FileClose(SettingsFileNumber);
  if (ErrorCode == 0) RenameFile(NewSettingsFileName(), SettingsFileName);
  int code = ErrorCode;
  if (code != 0) DeleteFiles(NewSettingsFileName());
  FileClose(HeldSettingsNumber);
  HeldSettingsNumber = 0;
  ErrorCode = code;
}

// Gives up the new settings: the new file is removed and the old configuration stays, as when
// the operator leaves setup before it is complete.
void AbandonSettingsFile() {
  if (!SettingsWriteOpen) return;
  SettingsWriteCode = SettingsWriteCode != 0 ? SettingsWriteCode : NotOrdinaryFileCode;
  CloseSettingsFile();
}

// Converts the stored point-size text the way every reader of the configuration does.
int16_t PointSizeValue(const PrintSettings& settings) {
  return StoreInt16(TextToNumber(settings.PointSizeText));
}

// Reads the fourth line as a code page number.
int ConfiguredCodePage(const PrintSettings& settings, bool& known) {
  return CodePageOfLine(settings.CodePageText, known);
}
