// Text output: lines below each other with breaks and page changes, and text at grid cells.

#include "print/text_output.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <string_view>

#include "print/print_job.h"

namespace {

// Longest piece of text drawn at once (a 256-byte buffer).
constexpr size_t ChunkLimit = 255;
constexpr unsigned LeftAlign = TA_BASELINE | TA_LEFT;
constexpr unsigned RightAlign = TA_BASELINE | TA_RIGHT;

// LineHeight() - The current font's line step: its height and its external leading.
int32_t LineHeight(HDC dc) {
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  return metrics.tmHeight + metrics.tmExternalLeading;
}

// FittingLength() - Length of the longest start of the chunk (at most its length) whose
// width, with one "W" after it, is not wider than the page: what measuring chunk + "W" and
// dropping the last character until it fits gives, from the bytes' advances.
size_t FittingLength(const std::string& text, size_t start, size_t chunkLength,
                     const std::array<int, 256>& advances, int64_t width) {
  int64_t allowance = advances[static_cast<unsigned char>('W')];
  std::array<int64_t, ChunkLimit + 1> prefix;
  prefix[0] = 0;
  for (size_t i = 0; i < chunkLength; ++i)
    prefix[i + 1] = prefix[i] + advances[static_cast<unsigned char>(text[start + i])];
  size_t length = chunkLength;
  while (length > 0 && prefix[length] + allowance > width) --length;
  return length;
}

// ClampToInt() - A coordinate computed in 64 bits, kept inside the device's int range.
int ClampToInt(int64_t value) {
  return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

// PlaceText() - Draws one piece of text at a grid cell with the given alignment; row 0 is the
// row after the band of the last printed line, a row beyond the grid goes to the next page.
int32_t PlaceText(const std::string& text, int32_t column, int32_t row, unsigned align) {
  HDC dc = PrintJob.PrinterDc;
  if (!dc) return 0;
  std::string chunk = BufferText(text, ChunkLimit);

  if (column > PrintJob.GridColumns || column < 1) column = 1;
  if (row == 0) {
    // Without a usable row height (a context opened for font discovery) row 1 is taken.
    int32_t band = PrintJob.GridRowHeight > 0 ? PrintJob.CurrentY / PrintJob.GridRowHeight : 0;
    if (PrintJob.CurrentY < 0 && PrintJob.GridRowHeight > 0 &&
        PrintJob.CurrentY % PrintJob.GridRowHeight != 0)
      --band;  // floor, not truncation
    row = band + 1;
  }
  if (align != LeftAlign) SetTextAlign(dc, align);

  if (row > PrintJob.GridRows) {
    row = 1;
    if (!StartNextPage()) return 0;
  }

  int64_t x = std::max<int64_t>(static_cast<int64_t>(column) * PrintJob.GridColumnWidth,
                                GetDeviceCaps(dc, PHYSICALOFFSETX));
  int64_t y = static_cast<int64_t>(row) * PrintJob.GridRowHeight;
  int32_t result =
      TextOutA(dc, ClampToInt(x), ClampToInt(y), chunk.data(), static_cast<int>(chunk.size()));
  if (align != LeftAlign) SetTextAlign(dc, LeftAlign);
  return result;
}

}  // namespace

// PrintLine() - Prints the text below the last line, broken by characters into pieces of at
// most 255 that leave room for one "W" at the right, starting new pages as the page fills.
// Returns the last drawing result; 0 without a job, for an empty text, or when a new page
// cannot be started (the job is then ended).
//
// Every pass takes at least one byte of the text, so printing always ends: a NUL byte ends
// the piece before it and is itself skipped (it draws nothing and takes no line); a character
// too wide to fit beside the "W" is printed alone on its line, so no character is lost. A
// font whose line is taller than the page cancels the job (AbortPrintJob) rather than put
// every line on a sheet of its own below the sheet's end.
int32_t PrintLine(const std::string& text) {
  HDC dc = PrintJob.PrinterDc;
  if (!dc) return 0;
  int64_t width = GetDeviceCaps(dc, HORZRES);
  int32_t result = 0;
  if (text.empty()) return result;

  // The extent of a text is the sum of its bytes' advances; the font stays the same for the
  // whole line, so one read serves every piece.
  std::array<int, 256> advances{};
  GetCharWidth32A(dc, 0, 255, advances.data());

  size_t start = 0;
  while (start < text.size()) {
    size_t chunkLength = std::min(ChunkLimit, text.size() - start);
    const size_t nul = std::string_view(text).substr(start, chunkLength).find('\0');
    if (nul != std::string_view::npos) chunkLength = nul;
    if (chunkLength == 0) {
      ++start;  // a NUL: skipped
      continue;
    }
    size_t length = FittingLength(text, start, chunkLength, advances, width);
    if (length == 0) length = 1;  // not even one character fits: it goes alone

    int32_t pageHeight = GetDeviceCaps(dc, VERTRES);
    const int32_t lineHeight = LineHeight(dc);
    if (lineHeight > pageHeight) {
      // Not one line of this font stands on a page: each would come out as a blank sheet.
      // The document is cancelled whole instead, and counts as not delivered.
      if (PrintJobFailureCause.empty()) PrintJobFailureCause = "the font is too large for the page";
      AbortPrintJob();
      return 0;
    }
    PrintJob.CurrentY = ClampToInt(static_cast<int64_t>(PrintJob.CurrentY) + lineHeight);
    if (PrintJob.CurrentY > pageHeight) {
      if (!StartNextPage()) return result;
    }
    result = TextOutA(dc, GetDeviceCaps(dc, PHYSICALOFFSETX), PrintJob.CurrentY,
                      text.data() + start, static_cast<int>(length));
    start += length;
  }
  return result;
}

// PrintAt() - Draws the text (at most 255 characters, not broken) left-aligned at a grid
// cell; CurrentY stays.
int32_t PrintAt(const std::string& text, int32_t column, int32_t row) {
  return PlaceText(text, column, row, LeftAlign);
}

// PrintAtRight() - As PrintAt, with the text ending at the cell's left edge; the job's
// baseline-left alignment is restored afterwards.
int32_t PrintAtRight(const std::string& text, int32_t column, int32_t row) {
  return PlaceText(text, column, row, RightAlign);
}
