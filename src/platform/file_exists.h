// Whether a name is an ordinary file, exactly as written (no case folding, no links).
#pragma once

#include <string>

bool OrdinaryFileExists(const std::string& name);

// Whether the program has a keyboard to read typed lines from (a terminal).
bool ConsoleHasKeyboard();
