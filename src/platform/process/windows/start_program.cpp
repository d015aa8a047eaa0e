// Starting programs without waiting for them: SearchPathA finds the program (the working
// folder first, then PATH), CreateProcessA starts it in this console and working folder.
#include "platform/process/start_program.h"

#include <windows.h>

#include <cstdlib>
#include <vector>

#include "base/error_code.h"
#include "platform/files/windows/win32_codes.h"

namespace {

// Only the first bytes of a command line count, as with the original process start.
constexpr size_t CommandLineLimit = 256;

// The first word of a command line: up to the first blank (space, tab) outside double
// quotes, the quotes dropped.
std::string ProgramName(const std::string& commandLine) {
  std::string word;
  bool quoted = false;
  size_t at = commandLine.find_first_not_of(" \t");
  for (; at != std::string::npos && at < commandLine.size(); ++at) {
    const char c = commandLine[at];
    if (c == '"')
      quoted = !quoted;
    else if ((c == ' ' || c == '\t') && !quoted)
      break;
    else
      word += c;
  }
  return word;
}

// True for an ordinary file, not a folder.
bool IsProgramFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Looks for a program in the folders of a list (separated by ";"), ".exe" added to a name
// without an extension. "" when it is in none of them.
std::string SearchFolders(const std::string& folders, const std::string& name) {
  std::vector<char> found(MAX_PATH + 1);
  for (int tries = 0; tries < 2; tries++) {
    const DWORD length = SearchPathA(folders.c_str(), name.c_str(), ".exe",
                                     static_cast<DWORD>(found.size()), found.data(), nullptr);
    if (length == 0) return "";
    if (length < found.size()) {
      const std::string path(found.data(), length);
      return IsProgramFile(path) ? path : "";
    }
    found.resize(length + 1);
  }
  return "";
}

// Path of the program a command names: a name with a folder as it stands (".exe" added when
// needed); otherwise the working folder first, then each folder of PATH. "" when it is found
// nowhere.
std::string ProgramPath(const std::string& name) {
  if (name.empty()) return "";
  if (name.find_first_of("\\/:") != std::string::npos) {
    if (IsProgramFile(name)) return name;
    return IsProgramFile(name + ".exe") ? name + ".exe" : "";
  }
  std::string path = SearchFolders(".", name);
  if (!path.empty()) return path;
  const char* searchPath = std::getenv("PATH");
  return searchPath != nullptr && *searchPath != '\0' ? SearchFolders(searchPath, name) : "";
}

}  // namespace

// Nothing to collect: the process handles are closed as soon as the program has started.
void ReapStartedPrograms() {}

// Starts the program a command line names, in this console and working folder, at normal
// priority, with this program's inheritable handles, its window shown in the given state;
// returns its process id without waiting. Failure: 0, with 53 when the program is not found,
// else the code of the failure.
int StartProgram(const std::string& commandLine, int windowState) {
  const std::string line = commandLine.substr(0, CommandLineLimit);
  QuietErrorMode quiet;
  const std::string path = ProgramPath(ProgramName(line));
  if (path.empty()) {
    ErrorCode = FileNotFoundCode;
    ErrorCause = "the program was not found";
    return 0;
  }
  std::vector<char> mutableLine(line.begin(), line.end());
  mutableLine.push_back('\0');  // CreateProcessA may write into the command line
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(windowState);
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(path.c_str(), mutableLine.data(), nullptr, nullptr, TRUE,
                      NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started)) {
    SetErrorFromWin32(GetLastError());
    return 0;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return static_cast<int>(started.dwProcessId);
}
