// Document text: capture-file lines in their code page, DOS printer codes acted on.
#include "print/document_text.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <vector>

#include "base/code_pages.h"
#include "print/dos_printer_codes.h"
#include "print/print_job.h"
#include "print/text_output.h"

int DocumentCodePage = DefaultCodePage;

namespace {

// Style fonts made for the document: one per combination of bold, underline and width, with
// the advances of the characters met so far.
struct StyleFont {
  HFONT font = nullptr;
  std::vector<int> advances;  // by UTF-16 unit, -1 until measured; made on first use
};

// Index of a style among the fonts: bold, underline, and the width (normal, double,
// condensed, double condensed).
enum WidthKind { NormalWidth = 0, DoubleWidth = 1, CondensedWidth = 2, DoubleCondensedWidth = 3 };

// A character's style font and advance on the line being printed.
struct Placed {
  int font;
  int advance;
};

struct DocumentTextState {
  DosPrinterState printer;
  std::wstring lineCharacters;     // the characters of the line being printed
  std::vector<Placed> linePlaces;  // and their fonts and advances
  std::array<StyleFont, 16> fonts;
  bool pageEnded = false;     // the next printed line starts a new page
  bool lineEndsPage = false;  // the page ended and no line end has followed yet
  int blankLines = 0;         // empty lines waiting for text below them on the page
};

DocumentTextState Text;

// A run of characters of one style on a printed line.
struct StyledRun {
  std::wstring characters;
  DosTextStyle style;
};

int FontIndex(const DosTextStyle& style, bool wideFits) {
  int width = NormalWidth;
  if (style.Wide() && wideFits) width |= DoubleWidth;
  if (style.condensed) width |= CondensedWidth;
  return (style.bold ? 8 : 0) | (style.underline ? 4 : 0) | width;
}

// The font of a style index, made on first use from the job's font: bold, underlined,
// twice as wide, or condensed (17 characters where 10 go); null for the plain style, which is
// the job's font itself.
HFONT StyleFontOf(int index) {
  if (index == 0) return nullptr;
  StyleFont& style = Text.fonts[static_cast<size_t>(index)];
  if (style.font) return style.font;
  LOGFONTA description = PrintJobFont;
  if (index & 8) description.lfWeight = 700;
  if (index & 4) description.lfUnderline = 1;
  if (index & 3) {
    TEXTMETRICA metrics{};
    GetTextMetricsA(PrintJob.PrinterDc, &metrics);
    int width = metrics.tmAveCharWidth;
    if (index & DoubleWidth) width *= 2;
    if (index & CondensedWidth) width = width * 10 / 17;
    description.lfWidth = std::max(1, width);
  }
  style.font = CreateFontIndirectA(&description);
  return style.font;
}

// Selects a style's font on the job (the job's own font for the plain style); returns the
// font it replaces.
HGDIOBJ SelectStyle(int index) {
  HFONT font = StyleFontOf(index);
  return font ? SelectObject(PrintJob.PrinterDc, font) : nullptr;
}

// A style's table of advances, made on first use: -1 for every character until measured.
int* AdvanceTable(int index) {
  std::vector<int>& advances = Text.fonts[static_cast<size_t>(index)].advances;
  if (advances.empty()) advances.assign(0x10000, -1);
  return advances.data();
}

// Advance of a character in a style, measured on its first use in that style.
int MeasureAdvance(int index, wchar_t character) {
  StyleFont& style = Text.fonts[static_cast<size_t>(index)];
  const auto unit = static_cast<size_t>(character) & 0xFFFFu;
  AdvanceTable(index);
  HGDIOBJ previous = SelectStyle(index);
  int measured = 0;
  GetCharWidth32W(PrintJob.PrinterDc, static_cast<unsigned>(unit), static_cast<unsigned>(unit),
                  &measured);
  if (previous) SelectObject(PrintJob.PrinterDc, previous);
  style.advances[unit] = std::max(0, measured);
  return style.advances[unit];
}

// Advance of a character in a style: a table lookup once measured, as on nearly every line.
inline int AdvanceOf(int index, wchar_t character) {
  const std::vector<int>& advances = Text.fonts[static_cast<size_t>(index)].advances;
  const auto unit = static_cast<size_t>(character) & 0xFFFFu;
  if (!advances.empty() && advances[unit] >= 0) return advances[unit];
  return MeasureAdvance(index, character);
}

// Places a run's characters with their style font and advances. The style's table is held
// in a local: the places written could be anything to the compiler, which would read the
// table's whereabouts again after every character. A measurement fills in its entry; the
// table itself stays where it is.
void PlaceRun(const std::wstring& characters, int font, Placed* places) {
  const int* advances = AdvanceTable(font);
  for (size_t index = 0; index < characters.size(); index++) {
    const wchar_t character = characters[index];
    int advance = advances[static_cast<size_t>(character) & 0xFFFFu];
    if (advance < 0) advance = MeasureAdvance(font, character);
    places[index] = Placed{font, advance};
  }
}

// The job's line step: its font's height and external leading.
int32_t LineStep() {
  TEXTMETRICA metrics{};
  GetTextMetricsA(PrintJob.PrinterDc, &metrics);
  return metrics.tmHeight + metrics.tmExternalLeading;
}

// Moves to the next line position, on a new page when the page is full or was ended; false
// when the job ended (a page could not be started).
bool NextLinePosition() {
  HDC dc = PrintJob.PrinterDc;
  const int32_t step = LineStep();
  if (Text.pageEnded) {
    Text.pageEnded = false;
    if (PrintJob.CurrentY > 0) return StartNextPage() != 0;
  }
  const int64_t y = static_cast<int64_t>(PrintJob.CurrentY) + step;
  PrintJob.CurrentY = static_cast<int32_t>(std::min<int64_t>(y, INT_MAX));
  if (PrintJob.CurrentY > GetDeviceCaps(dc, VERTRES)) return StartNextPage() != 0;
  return true;
}

// Prints the runs of one line of text, broken where the page is too narrow as PrintLine
// breaks (room for one "W" kept free). Double width is drawn only when the whole line fits
// in it. Empty lines wait until text follows them on the page. Returns the last drawing
// result.
int32_t PrintRuns(const std::vector<StyledRun>& runs) {
  HDC dc = PrintJob.PrinterDc;
  if (!dc) return 0;
  size_t count = 0;
  for (const StyledRun& run : runs) count += run.characters.size();
  if (count == 0) {
    Text.blankLines++;
    return 0;
  }
  const int64_t width = GetDeviceCaps(dc, HORZRES);
  const int64_t allowance = AdvanceOf(0, L'W');
  bool wideFits = true;
  if (std::any_of(runs.begin(), runs.end(),
                  [](const StyledRun& run) { return run.style.Wide(); })) {
    int64_t total = 0;
    for (const StyledRun& run : runs)
      for (const wchar_t character : run.characters)
        total += AdvanceOf(FontIndex(run.style, true), character);
    wideFits = total + allowance <= width;
  }

  // Each character with its style font and advance, in order; the buffers are kept from
  // line to line.
  std::wstring& characters = Text.lineCharacters;
  std::vector<Placed>& line = Text.linePlaces;
  characters.clear();
  line.resize(count);
  size_t placed = 0;
  for (const StyledRun& run : runs) {
    characters += run.characters;
    PlaceRun(run.characters, FontIndex(run.style, wideFits), line.data() + placed);
    placed += run.characters.size();
  }

  // The blank lines above this one, on the new page when a page ended before them.
  for (; Text.blankLines > 0; Text.blankLines--)
    if (!NextLinePosition()) return 0;
  int32_t result = 0;
  size_t start = 0;
  while (start < line.size()) {
    size_t end = start;
    int64_t used = 0;
    while (end < line.size() && used + line[end].advance + allowance <= width)
      used += line[end++].advance;
    if (end == start) end = start + 1;  // not even one fits: it goes alone
    if (!NextLinePosition()) return result;
    int64_t x = GetDeviceCaps(dc, PHYSICALOFFSETX);
    for (size_t piece = start; piece < end;) {
      size_t pieceEnd = piece;
      int64_t pieceWidth = 0;
      while (pieceEnd < end && line[pieceEnd].font == line[piece].font)
        pieceWidth += line[pieceEnd++].advance;
      HGDIOBJ previous = SelectStyle(line[piece].font);
      result = TextOutW(dc, static_cast<int>(std::min<int64_t>(x, INT_MAX)), PrintJob.CurrentY,
                        characters.data() + piece, static_cast<int>(pieceEnd - piece));
      if (previous) SelectObject(dc, previous);
      x += pieceWidth;
      piece = pieceEnd;
    }
    start = end;
  }
  return result;
}

// The code page's characters of a document's bytes, as the wide calls take them.
std::wstring WideText(const CodePageTable& page, const std::string& bytes) {
  std::wstring characters(bytes.size(), L'\0');
  for (size_t index = 0; index < bytes.size(); index++)
    characters[index] = page.characters[static_cast<unsigned char>(bytes[index])];
  return characters;
}

}  // namespace

// StartDocumentText() - A DOS printer freshly initialised (ESC @), on a fresh page.
void StartDocumentText() {
  FinishDocumentText();
  Text.printer = DosPrinterState{};
  Text.pageEnded = false;
  Text.blankLines = 0;
}

// PrintDocumentLine() - By code page: bytes as always, characters, or DOS printer text.
int32_t PrintDocumentLine(const std::string& line, DocumentEcho& echo) {
  const CodePageTable* page = FindCodePage(DocumentCodePage);
  echo = DocumentEcho{};
  if (!page || DocumentCodePage == DefaultCodePage) {
    echo.bytes.push_back(line);
    return PrintLine(line);
  }
  echo.inCharacters = true;
  if (!IsDosCodePage(DocumentCodePage)) {
    // A Windows code page: characters, and empty lines take no space, as in Windows-1252.
    echo.characters.push_back(CodePageToUtf16(*page, line));
    if (line.empty() || !PrintJob.PrinterDc) return 0;
    Text.blankLines = 0;
    // A NUL draws nothing, as in a Windows-1252 line.
    std::wstring characters = WideText(*page, line);
    std::erase(characters, L'\0');
    if (characters.empty()) return 0;
    return PrintRuns({StyledRun{characters, DosTextStyle{}}});
  }

  int32_t result = 0;
  std::vector<StyledRun> runs;
  echo.characters.emplace_back();
  // Ends the printed line; the first end right after a page end (a form feed's own CR LF or
  // LF) feeds no blank line, and a page end prints no empty line of its own.
  auto endLine = [&](bool pageEnd) {
    if (!runs.empty() || !(Text.lineEndsPage || pageEnd)) result = PrintRuns(runs);
    Text.lineEndsPage = pageEnd;
    runs.clear();
  };
  for (const DosPiece& piece : ReadDosLine(Text.printer, line)) {
    if (piece.kind == DosPieceKind::Text) {
      // The run's characters and the echo's, in one pass over the bytes.
      StyledRun& run =
          runs.emplace_back(StyledRun{std::wstring(piece.text.size(), L'\0'), piece.style});
      std::u16string& echoed = echo.characters.back();
      const size_t echoStart = echoed.size();
      echoed.resize(echoStart + piece.text.size());
      for (size_t index = 0; index < piece.text.size(); index++) {
        const char16_t character = page->characters[static_cast<unsigned char>(piece.text[index])];
        run.characters[index] = static_cast<wchar_t>(character);
        echoed[echoStart + index] = character;
      }
      continue;
    }
    endLine(piece.kind == DosPieceKind::PageEnd);
    echo.characters.emplace_back();
    if (piece.kind == DosPieceKind::PageEnd) {
      Text.pageEnded = true;
      Text.blankLines = 0;
    }
  }
  endLine(false);
  EndDosLine(Text.printer);
  return result;
}

// FinishDocumentText() - The style fonts are selected nowhere between lines: deleting them
// leaves the job's font in place.
void FinishDocumentText() {
  for (StyleFont& style : Text.fonts) {
    if (style.font) DeleteObject(style.font);
    style = StyleFont{};
  }
  Text.blankLines = 0;
  Text.pageEnded = false;
  Text.lineEndsPage = false;
}
