// Starting programs without waiting for them, and reaping them once they have ended.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/error_code.h"
#include "platform/files/files.h"
#include "platform/process/start_program.h"
#include "platform/files/linux/errno_codes.h"

extern char** environ;

namespace {

// Only the first bytes of a command line count, as with the original process start.
constexpr size_t CommandLineLimit = 256;

// Processes started here and not yet reaped.
std::vector<pid_t> StartedPrograms;

// Words of a command line: blanks (space, tab) separate them, double quotes group blanks
// into a word and are dropped; "" is an empty word.
std::vector<std::string> CommandWords(const std::string& commandLine) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (char c : commandLine.substr(0, CommandLineLimit)) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

// True for an ordinary file that this process may execute.
bool IsProgramFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Path of the program a command names: a name holding "/" as it stands; otherwise the
// working directory first, then each folder of PATH (an empty entry being the working
// directory). "" when it is found nowhere.
std::string ProgramPath(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return name;
  if (IsProgramFile("./" + name)) return "./" + name;
  const char* searchPath = std::getenv("PATH");
  std::string folders = searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = std::min(folders.find(':', start), folders.size());
    std::string folder = folders.substr(start, end - start);
    std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
    if (IsProgramFile(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

}  // namespace

// Collects the ended processes among those started here, so none stays a zombie. Waits only
// for our own children, never for any other child of the program.
void ReapStartedPrograms() {
  auto ended = [](pid_t pid) {
    pid_t result;
    do result = waitpid(pid, nullptr, WNOHANG);
    while (result < 0 && errno == EINTR);
    return result == pid || (result < 0 && errno == ECHILD);
  };
  StartedPrograms.erase(std::remove_if(StartedPrograms.begin(), StartedPrograms.end(), ended),
                        StartedPrograms.end());
}

// Starts the program a command line names, in this terminal and working directory, and
// returns its process id without waiting. The window state has no meaning on a terminal.
// Failure: 0, with 53 when the program is not found, else the code of the failure.
int StartProgram(const std::string& commandLine, int windowState) {
  (void)windowState;
  ReapStartedPrograms();
  std::vector<std::string> words = CommandWords(commandLine);
  std::string path = words.empty() ? "" : ProgramPath(words[0]);
  if (path.empty()) {
    ErrorCode = FileNotFoundCode;
    return 0;
  }
  std::vector<char*> arguments;
  arguments.reserve(words.size() + 1);  // the words and the null that ends them
  for (std::string& word : words) arguments.push_back(word.data());
  arguments.push_back(nullptr);

  // The child starts with every signal at its default and none blocked, whatever this
  // program has set up for its own terminal handling.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  int result = posix_spawn(&pid, path.c_str(), nullptr, &attributes, arguments.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) {
    ErrorCode = ErrorCodeFromErrno(result);
    return 0;
  }
  StartedPrograms.push_back(pid);
  return pid;
}
