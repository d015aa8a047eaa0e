// Console: the terminal screen, keys and the standard output stream.
//
// A screen model in memory is the truth; it is rendered to the terminal with ANSI sequences.
// Rows and columns count from 1. Without any terminal, console text goes to standard error
// as plain lines and no key is ever waiting.
#pragma once

#include <string>

// Sets the console up (output target, raw keyboard, light grey on black). The terminal's
// modes are restored by ConsoleStop, at normal exit and on fatal signals.
void ConsoleStart();
void ConsoleStop();

void ConsolePrint(const std::string& text);
// Text in characters (UTF-16) rather than code page 437 bytes: a document in another code
// page shown as it prints. On a terminal each character takes a cell; as plain lines the text
// goes out in UTF-8.
void ConsolePrintCharacters(const std::u16string& text);
void ConsolePrintZone();
void ConsoleNewLine();
// The number's text (sign position, digits) and one trailing blank.
void ConsolePrintNumber(double number);
void ConsoleClear();
// A component of 16 or more leaves that component unchanged.
void ConsoleColor(int foreground, int background);
// A coordinate out of range (0 included) is kept.
void ConsoleLocate(int row, int column);
// Without a terminal, holds console lines back (up to 32 KB at a time) so that a long run of
// lines goes out in few writes; ConsoleFlush writes them out and ends the hold, and so do key
// waits, sleeps, standard output and the end of the program. No effect on a terminal.
void ConsoleHoldLines();
void ConsoleFlush();

// One key without waiting: "" when none, one byte for a character, byte 0 and the scan code
// for a key without a character.
std::string ConsoleInkey();
// Whether keys can still arrive: false without a terminal, or once the terminal is gone.
bool ConsoleHasKeyboard();
// Whether console text is drawn on a terminal; false when it goes out as plain lines.
bool ConsoleIsTerminal();
// Lends the terminal to a program started on it (POS.EXE): the terminal gets its original
// modes and colours and no key is read; ConsoleResume takes raw mode back and has the screen
// drawn again.
void ConsoleSuspend();
void ConsoleResume();
// A typed line with echo; Backspace edits; Enter ends; at most 10000 bytes.
std::string ConsoleLineInput();

void StdOutPrint(const std::string& text);
void StdOutNewLine();
bool StdOutIsConsole();

void SleepMilliseconds(int milliseconds);

// A whole console line: the text, then a new line.
void ConsolePrintLine(const std::string& text);
