// DOS printer text: what a DOS program sends to its dot-matrix or receipt printer, read as
// text and the printer's control codes (ESC/P and ESC/POS), so the codes change the print
// instead of printing as characters.
#pragma once

#include <string>
#include <vector>

// How text is drawn; the printer keeps it from code to code, across lines.
struct DosTextStyle {
  bool bold = false;
  bool underline = false;
  bool doubleWidth = false;  // ESC W, ESC ! bit 5
  bool shiftOut = false;     // SO: double width until the line ends or DC4
  bool condensed = false;

  bool operator==(const DosTextStyle&) const = default;
  // Double width from either code.
  bool Wide() const { return doubleWidth || shiftOut; }
};

enum class DosPieceKind {
  Text,     // characters in one style (the bytes of the document's code page)
  LineEnd,  // a line feed: the next text starts a new line
  PageEnd,  // a form feed or a paper cut: the next text starts a new page
};

struct DosPiece {
  DosPieceKind kind = DosPieceKind::Text;
  std::string text;
  DosTextStyle style;
};

// The printer's state between lines: the style and a control sequence cut by the end of a
// line (its parameter bytes go on in the next line).
struct DosPrinterState {
  DosTextStyle style;
  std::string sequence;  // the bytes of an unfinished control sequence
  int column = 0;        // characters on the printed line so far, for tabs
};

// Reads one line of the document (as the line reader gives it, without its CR or CR LF) into
// pieces; the line's own end is not among them. A sequence that the line's end cuts short
// takes that end's CR as its next byte. Tabs become blanks up to the next multiple of 8
// columns; bytes of unknown sequences, the drawer kick and the beeper are dropped.
std::vector<DosPiece> ReadDosLine(DosPrinterState& state, const std::string& line);

// The end of a line read by ReadDosLine: SO's double width ends, the column starts again.
void EndDosLine(DosPrinterState& state);
