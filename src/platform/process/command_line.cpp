
#include "platform/process/command_line.h"
// The process command line as one text, and the command tail taken from it.

namespace {

// The command line put together at start-up; empty until then.
std::string ProcessCommandLine;

}  // namespace

// Joins the program name and its arguments with single spaces, quoting any that holds a
// blank, so the command tail is taken from it as from a command line typed in one piece.
void SetCommandLine(int argc, char** argv) {
  ProcessCommandLine.clear();
  for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
    std::string argument = argv[i];
    if (i > 0) ProcessCommandLine += ' ';
    if (argument.find_first_of(" \t") != std::string::npos)
      ProcessCommandLine += '"' + argument + '"';
    else
      ProcessCommandLine += argument;
  }
}

// The whole command line, program name first.
std::string CommandLine() {
  return ProcessCommandLine;
}

// The command line without the program's own name and the spaces after it.
std::string CommandTail() {
  return CommandTailOf(ProcessCommandLine);
}

// Skips the program name: a quoted one through its closing quote (or to the end) and the
// spaces after it; an unquoted one up to the first byte of 32 or below, then any spaces.
// The rest is returned as typed, trailing spaces included.
std::string CommandTailOf(const std::string& commandLine) {
  size_t at = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    size_t closing = commandLine.find('"', 1);
    if (closing == std::string::npos) return std::string();
    at = closing + 1;
  } else {
    while (at < commandLine.size() && static_cast<unsigned char>(commandLine[at]) > 32) ++at;
    if (at < commandLine.size() && commandLine[at] != ' ') return commandLine.substr(at);
  }
  while (at < commandLine.size() && commandLine[at] == ' ') ++at;
  return commandLine.substr(at);
}
