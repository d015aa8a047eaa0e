// The technician's questions to the program: its usage (--help, -h) and its version
// (--version, -V).
#pragma once

#include <string>

enum class ProgramInfo { None, Help, Version };

// The question a command tail asks: only one of the four words as the whole tail, in exactly
// that spelling. Anything else is None and goes to the ordinary dispatch.
ProgramInfo ChooseProgramInfo(const std::string& commandTail);

// The text that answers a question: the usage or the version line, ending in a new line.
std::string ProgramInfoText(ProgramInfo info);

// Writes the answer on standard output, and nothing else: no banner, no console set-up, no
// configuration, no log, no printer. False when standard output did not take it all.
bool WriteProgramInfo(ProgramInfo info);
