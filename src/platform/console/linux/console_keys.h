// Console keys: turning the bytes a terminal sends into the console's keys.
//
// A character key is its byte (Enter 13, Backspace 8, Escape 27); a key without a character
// is byte 0 and its PC scan code (Up 72, F1 59, Alt+Q 16, ...). Pure functions over a byte
// queue, so they work without a terminal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How long an Escape waits for the rest of a sequence before it counts as the Escape key.
constexpr int EscapeWaitMilliseconds = 50;

// The decoding of the bytes at the front of the queue.
struct DecodedKey {
  size_t used = 0;  // bytes taken; 0 when the front is an unfinished sequence
  std::string key;  // "" when the bytes taken are no key (an unknown or broken sequence)
};

// Decodes the front of a non-empty byte run. With timedOut, an unfinished sequence is taken
// anyway: a lone Escape is the Escape key, ESC O is Alt+O, anything else unfinished is dropped.
// Typed UTF-8 characters become their code page 437 byte, or are dropped when it has none.
DecodedKey DecodeKey(std::string_view bytes, bool timedOut);

// Bytes read from the keyboard and not yet taken as keys.
struct KeyQueue {
  std::string bytes;
  int64_t unfinishedSince = -1;  // milliseconds when an unfinished sequence was first seen
};

// The next key, or "" when none is complete yet; unknown sequences are skipped.
std::string TakeKey(KeyQueue& queue, int64_t nowMilliseconds);
// Milliseconds until an unfinished sequence is taken anyway; -1 when none waits.
int KeyWaitMilliseconds(const KeyQueue& queue, int64_t nowMilliseconds);

// Finds and removes a cursor position report (ESC [ row ; column R) from the bytes.
bool TakeCursorReport(std::string& bytes, int& row, int& column);
