// Console keys: the Windows console's key records as the program's keys.
//
// A character key is its byte (Enter 13, Backspace 8, Escape 27, letters in the case the
// keyboard gives them); a key without a character, and Alt held with a letter, is byte 0 and
// the key's keyboard scan code (Up 72, F1 59, Alt+Q 16, ...).
#pragma once

#include <windows.h>

#include <string>

// The key a press record stands for: "" for a release, for a record naming no key, and for
// Shift, Ctrl, Alt, Caps Lock, Num Lock or Scroll Lock pressed alone. The record's repeat
// count is left to the caller.
std::string KeyOfRecord(const KEY_EVENT_RECORD& record);
