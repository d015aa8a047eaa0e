// Printer and font discovery: the installed printers, and the font families of one printer.

#include "print/discovery.h"

#include "platform/console/console.h"
#include "print/print_job.h"
#include "base/number_text.h"
#include "base/text_rules.h"

std::vector<std::string> PrinterNames;
int32_t PrinterCount = 0;
std::vector<std::string> FontNames;
int32_t FontCount = 0;
std::string FaceNameBuffer;

namespace {

// Every name list starts as two empty entries.
constexpr size_t StartEntries = 2;

// FillList() - n names at positions 0..n-1 and one empty entry after them.
void FillList(std::vector<std::string>& list, const std::vector<std::string>& names) {
  list.assign(names.size() + 1, std::string());
  for (size_t i = 0; i < names.size(); ++i) list[i] = names[i];
}

}  // namespace

// CreateNameLists() - Two empty entries in each list that has never been filled.
void CreateNameLists() {
  if (PrinterNames.empty()) PrinterNames.assign(StartEntries, std::string());
  if (FontNames.empty()) FontNames.assign(StartEntries, std::string());
}

// EnumeratePrinters() - Refills PrinterNames from the spooler and sets PrinterCount. A failed
// or empty enumeration leaves the list as it was and counts 0.
int32_t EnumeratePrinters() {
  std::vector<std::string> names;
  if (!EnumPrintersA(names)) {
    uint32_t error = GetLastError();
    ConsolePrint("Error on EnumPrinters");
    ConsolePrintZone();
    ConsolePrintZone();
    ConsolePrint("Err1 ret=" + NumberText(error, 15));
    ConsoleNewLine();
    PrinterCount = 0;
    return 0;
  }
  if (names.empty()) {
    PrinterCount = 0;
    return 0;
  }
  FillList(PrinterNames, names);
  PrinterCount = static_cast<int32_t>(names.size());
  return PrinterCount;
}

// OpenPrinterContext() - A context of the printer, without a document, in PrintJob.PrinterDc for
// font discovery; 0 and nothing changed when the slot already holds one. The caller releases
// it with EndPrintJob.
HDC OpenPrinterContext(const std::string& printerName) {
  if (PrintJob.PrinterDc) return nullptr;
  std::string name = BufferText(CleanPrintName(printerName), PrintNameLimit);
  PrintJob.PrinterDc = CreateDCA(nullptr, name.c_str(), nullptr, nullptr);
  return PrintJob.PrinterDc;
}

// EnumerateFonts() - Refills FontNames with the families of the context in the slot and sets
// FontCount; without a context the list stays and the count is 0.
int32_t EnumerateFonts() {
  HDC dc = PrintJob.PrinterDc;
  if (!dc) {
    FontCount = 0;
    return 0;
  }
  FaceNameBuffer.clear();
  EnumFontFamiliesA(dc, nullptr, CollectFontFace, reinterpret_cast<LPARAM>(dc));

  const std::string tab = "\t";
  int count = FieldCount(FaceNameBuffer, tab) - 1;
  std::vector<std::string> faces;
  faces.reserve(count > 0 ? static_cast<size_t>(count) : 0);
  for (int k = 1; k <= count; ++k) faces.push_back(FieldAt(FaceNameBuffer, tab, k));
  FillList(FontNames, faces);
  FaceNameBuffer.clear();

  FontCount = static_cast<int32_t>(faces.size());
  return FontCount;
}

// CollectFontFace() - Enumeration callback: appends the family's face name and a TAB to
// FaceNameBuffer; every kind of font counts, and the enumeration always goes on.
int CALLBACK CollectFontFace(const LOGFONTA* font, const TEXTMETRICA* /*metrics*/,
                             DWORD /*fontType*/, LPARAM /*callerValue*/) {
  if (font) {
    const char* face = font->lfFaceName;
    size_t length = 0;
    while (length < sizeof(font->lfFaceName) && face[length]) ++length;
    FaceNameBuffer.append(face, length);
  }
  FaceNameBuffer += '\t';
  return 1;
}

// DefaultPrinterName() - The system's default printer, its name up to the first comma,
// cleaned like every printer name; "" when there is none. The lists are not touched.
std::string DefaultPrinterName() {
  return CleanPrintName(FieldAt(DefaultPrinterDevice(), ",", 1));
}

// IsPrinterPosition() - True for a position of a printer found by the latest discovery.
bool IsPrinterPosition(int position) {
  return position >= 0 && position < PrinterCount &&
         static_cast<size_t>(position) < PrinterNames.size();
}

// IsFontPosition() - True for a position of a family found by the latest font discovery.
bool IsFontPosition(int position) {
  return position >= 0 && position < FontCount && static_cast<size_t>(position) < FontNames.size();
}
