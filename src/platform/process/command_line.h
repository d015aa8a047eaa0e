// The process command line and its tail.
#pragma once

#include <string>

// The process command line: the program name and its arguments, each quoted when it holds a
// blank, joined by single spaces. Set once at start-up.
void SetCommandLine(int argc, char** argv);
std::string CommandLine();
// The command line without the program's own name (and the blanks after it).
std::string CommandTail();
std::string CommandTailOf(const std::string& commandLine);
