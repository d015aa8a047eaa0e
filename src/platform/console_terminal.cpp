// Console terminal: raw mode on /dev/tty, the output terminal, and the signal handlers that
// give the shell its terminal back.
#include "platform/console_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// State shared with the signal handlers: set before the handlers are installed.
int TtyFd = -1;
int OutputFd = -1;
struct termios SavedModes;
struct termios RawModes;
volatile sig_atomic_t ModesChanged = 0;  // the terminal is in raw mode now
volatile sig_atomic_t Suspended = 0;     // stopped by a job-control signal, modes given back
volatile sig_atomic_t ResizeRequested = 0;
volatile sig_atomic_t RedrawRequested = 0;

// The way-out sequences, double-buffered so a handler never reads one half written.
constexpr size_t LeaveCapacity = 128;
char LeaveBuffers[2][LeaveCapacity];
size_t LeaveLengths[2] = {0, 0};
volatile sig_atomic_t LeaveIndex = 0;

// Signals after which the program ends.
constexpr int EndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV,
                                 SIGABRT, SIGBUS, SIGFPE, SIGILL};
struct sigaction PreviousActions[NSIG];
bool Installed[NSIG];

// Writes a buffer from a signal handler (async-signal-safe).
void WriteRaw(const char* bytes, size_t length) {
  while (length > 0) {
    const ssize_t written = write(OutputFd, bytes, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes += written;
    length -= static_cast<size_t>(written);
  }
}

// Gives the terminal its modes, colours and cursor back (async-signal-safe).
void GiveTerminalBack() {
  if (ModesChanged) {
    tcsetattr(TtyFd, TCSANOW, &SavedModes);
    ModesChanged = 0;
  }
  if (OutputFd >= 0) {
    // CAN ends a sequence that the signal may have cut in half.
    WriteRaw("\x18", 1);
    const int index = LeaveIndex;
    WriteRaw(LeaveBuffers[index], LeaveLengths[index]);
  }
}

// An ending signal: terminal back, then the signal's previous action (normally its default).
void OnEndingSignal(int signalNumber) {
  const int savedErrno = errno;
  GiveTerminalBack();
  sigaction(signalNumber, &PreviousActions[signalNumber], nullptr);
  raise(signalNumber);  // delivered when this handler returns
  errno = savedErrno;
}

// True when the program owns the terminal's foreground (async-signal-safe).
bool InForeground() {
  return tcgetpgrp(TtyFd) == getpgrp();
}

// A stop request: terminal back, then stop for real; raw mode returns with SIGCONT.
void OnStopSignal(int signalNumber) {
  const int savedErrno = errno;
  GiveTerminalBack();
  Suspended = 1;
  struct sigaction defaultAction;
  std::memset(&defaultAction, 0, sizeof defaultAction);
  defaultAction.sa_handler = SIG_DFL;
  sigemptyset(&defaultAction.sa_mask);
  struct sigaction ours;
  sigaction(signalNumber, &defaultAction, &ours);
  sigset_t stopSet;
  sigemptyset(&stopSet);
  sigaddset(&stopSet, signalNumber);
  raise(signalNumber);
  sigprocmask(SIG_UNBLOCK, &stopSet, nullptr);  // the stop happens here
  sigaction(signalNumber, &ours, nullptr);
  errno = savedErrno;
}

// Continued after a stop: raw mode again when in the foreground, and a full redraw.
void OnContinueSignal(int) {
  const int savedErrno = errno;
  if (Suspended && (TtyFd < 0 || InForeground())) {
    if (TtyFd >= 0 && tcsetattr(TtyFd, TCSANOW, &RawModes) == 0) ModesChanged = 1;
    Suspended = 0;
    RedrawRequested = 1;
  }
  errno = savedErrno;
}

// The terminal was resized: the next console operation follows it.
void OnResizeSignal(int) {
  ResizeRequested = 1;
}

// Installs a handler unless the signal was ignored when the program started (nohup).
void InstallHandler(int signalNumber, void (*handler)(int)) {
  struct sigaction previous;
  if (sigaction(signalNumber, nullptr, &previous) != 0) return;
  if (previous.sa_handler == SIG_IGN && (previous.sa_flags & SA_SIGINFO) == 0) return;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (sigaction(signalNumber, &action, &PreviousActions[signalNumber]) == 0) {
    Installed[signalNumber] = true;
  }
}

// Puts back the actions the handlers replaced.
void RemoveHandlers() {
  for (int signalNumber = 1; signalNumber < NSIG; signalNumber++) {
    if (!Installed[signalNumber]) continue;
    sigaction(signalNumber, &PreviousActions[signalNumber], nullptr);
    Installed[signalNumber] = false;
  }
}

// True when the descriptor is the program's controlling terminal, the one /dev/tty reaches.
bool IsControllingTerminal(int fd) {
  const pid_t session = tcgetsid(fd);
  return session != -1 && session == getsid(0);
}

// Asks the terminal where its cursor is; the shell's output ends there. Other bytes that
// arrive meanwhile stay in the key queue.
void AskCursorPosition(KeyQueue& keys, TerminalStart& start) {
  if (!WriteAll(OutputFd, "\x1b[6n")) return;
  const int64_t deadline = MonotonicMilliseconds() + 200;
  for (;;) {
    if (!ReadKeyBytes(keys)) return;
    int row = 0;
    int column = 0;
    if (TakeCursorReport(keys.bytes, row, column)) {
      start.cursorRow = row;
      start.cursorColumn = column;
      return;
    }
    const int64_t left = deadline - MonotonicMilliseconds();
    if (left <= 0) return;
    if (!WaitForKeyBytes(static_cast<int>(left))) return;
  }
}

}  // namespace

// Output terminal, raw keyboard, signal handlers, size and cursor of the terminal.
TerminalStart StartTerminal(KeyQueue& keys) {
  TerminalStart start;
  start.stdOutIsTerminal = isatty(1) == 1;
  OutputFd = start.stdOutIsTerminal ? 1 : (isatty(2) == 1 ? 2 : -1);
  start.outputFd = OutputFd;
  LeaveLengths[0] = LeaveLengths[1] = 0;

  // Keys come from the controlling terminal whenever there is one, even when both output
  // streams are redirected.
  TtyFd = open("/dev/tty", O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (TtyFd >= 0 && tcgetattr(TtyFd, &SavedModes) != 0) {
    close(TtyFd);
    TtyFd = -1;
  }
  if (TtyFd >= 0) {
    RawModes = SavedModes;
    RawModes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    RawModes.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    RawModes.c_cc[VMIN] = 0;
    RawModes.c_cc[VTIME] = 0;
  }
  if (OutputFd < 0 && TtyFd < 0) return start;  // no terminal at all: nothing to give back
  // The handlers go in before raw mode, so no moment is left unguarded.
  for (const int signalNumber : EndingSignals) InstallHandler(signalNumber, OnEndingSignal);
  InstallHandler(SIGTSTP, OnStopSignal);
  InstallHandler(SIGCONT, OnContinueSignal);
  if (OutputFd >= 0) InstallHandler(SIGWINCH, OnResizeSignal);
  ResizeRequested = 0;
  RedrawRequested = 0;
  Suspended = 0;
  if (TtyFd >= 0) {
    ModesChanged = 1;  // set first: a signal in between restores the saved modes, harmlessly
    start.keyboard = tcsetattr(TtyFd, TCSANOW, &RawModes) == 0;
    if (!start.keyboard) ModesChanged = 0;
  }
  if (!start.keyboard && TtyFd >= 0) {
    close(TtyFd);
    TtyFd = -1;
  }

  int rows = 0;
  int columns = 0;
  if (TerminalSize(rows, columns)) {
    start.rows = rows;
    start.columns = columns;
  }
  if (start.keyboard && OutputFd >= 0 && IsControllingTerminal(OutputFd)) {
    AskCursorPosition(keys, start);
  }
  return start;
}

// Saved modes back, handlers removed, /dev/tty closed.
void StopTerminal() {
  if (ModesChanged) {
    tcsetattr(TtyFd, TCSANOW, &SavedModes);
    ModesChanged = 0;
  }
  RemoveHandlers();
  if (TtyFd >= 0) close(TtyFd);
  TtyFd = -1;
  OutputFd = -1;
  Suspended = 0;
}

// Rows and columns of the output terminal.
bool TerminalSize(int& rows, int& columns) {
  struct winsize size;
  std::memset(&size, 0, sizeof size);
  const int fd = OutputFd >= 0 ? OutputFd : TtyFd;
  if (fd < 0 || ioctl(fd, TIOCGWINSZ, &size) != 0) return false;
  if (size.ws_row == 0 || size.ws_col == 0) return false;
  rows = size.ws_row;
  columns = size.ws_col;
  return true;
}

// Whether a resize came since the last call.
bool TakeResizeRequest() {
  if (!ResizeRequested) return false;
  ResizeRequested = 0;
  return true;
}

// Whether a return from a stop came since the last call.
bool TakeRedrawRequest() {
  if (!RedrawRequested) return false;
  RedrawRequested = 0;
  return true;
}

// Stores the way-out sequence in the buffer the handlers do not read now.
void SetLeaveSequence(const std::string& sequence) {
  const int next = 1 - LeaveIndex;
  const size_t length = sequence.size() < LeaveCapacity ? sequence.size() : LeaveCapacity;
  std::memcpy(LeaveBuffers[next], sequence.data(), length);
  LeaveLengths[next] = length;
  LeaveIndex = next;
}

// Writes every byte, or reports that some were lost.
bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written > 0) {
      done += static_cast<size_t>(written);
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && errno == EAGAIN) {
      // A non-blocking descriptor that is full: wait a while for room, then give up.
      struct pollfd ready = {fd, POLLOUT, 0};
      if (poll(&ready, 1, 1000) <= 0) return false;
    } else {
      return false;
    }
  }
  return true;
}

// Reads what the keyboard has without waiting.
bool ReadKeyBytes(KeyQueue& keys) {
  if (TtyFd < 0) return false;
  char buffer[4096];
  for (;;) {
    const ssize_t count = read(TtyFd, buffer, sizeof buffer);
    if (count > 0) {
      keys.bytes.append(buffer, static_cast<size_t>(count));
      continue;
    }
    if (count == 0) return true;  // nothing waiting (raw mode with no minimum)
    if (errno == EAGAIN || errno == EINTR) return true;
    return false;
  }
}

// Waits for keyboard input with poll().
bool WaitForKeyBytes(int timeoutMilliseconds) {
  if (TtyFd < 0) return false;
  struct pollfd ready = {TtyFd, POLLIN, 0};
  const int result = poll(&ready, 1, timeoutMilliseconds);
  if (result < 0) return errno == EINTR;
  if (result > 0 && (ready.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return false;
  return true;
}

// Milliseconds of the monotonic clock.
int64_t MonotonicMilliseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
