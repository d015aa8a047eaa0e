// Console terminal: raw mode on /dev/tty, the output terminal, and the signal handlers that
// give the shell its terminal back.
#include "platform/console/linux/console_terminal.h"

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
volatile sig_atomic_t Lent = 0;          // lent to a program we started (ConsoleSuspend)
volatile sig_atomic_t ResizeRequested = 0;
volatile sig_atomic_t RedrawRequested = 0;

// The way-out sequences, double-buffered so a handler never reads one half written.
constexpr size_t LeaveCapacity = 128;
char LeaveBuffers[2][LeaveCapacity];
size_t LeaveLengths[2] = {0, 0};
volatile sig_atomic_t LeaveIndex = 0;

// Faults: the program ends after them; a handler already there (a sanitizer's) still runs.
constexpr int FaultSignals[] = {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};
// Other signals whose default action ends the program. Our handler replaces only that default,
// so a handler someone else installed (a profiler's SIGPROF) keeps working.
constexpr int EndingSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGALRM, SIGUSR1,
                                 SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
                                 SIGTRAP, SIGIO,   SIGPWR,  SIGSTKFLT};
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

// Blocks the job-control signals: with SIGTTOU blocked a tcsetattr from the background is
// carried out instead of stopping the program, and a stop or continue in between cannot
// interleave with a change of modes. The mask is the calling thread's (pthread_sigmask):
// sigprocmask is unspecified in a program with threads.
void BlockJobSignals(sigset_t& previous) {
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGTTOU);
  sigaddset(&blocked, SIGTSTP);
  sigaddset(&blocked, SIGCONT);
  pthread_sigmask(SIG_BLOCK, &blocked, &previous);
}

// Gives the terminal its modes, colours and cursor back (async-signal-safe; the handlers run
// with SIGTTOU blocked).
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
  pthread_sigmask(SIG_UNBLOCK, &stopSet, nullptr);  // the stop happens here
  sigaction(signalNumber, &ours, nullptr);
  errno = savedErrno;
}

// Continued after a stop: raw mode again when in the foreground (unless the terminal is lent
// to a program we started), and a full redraw.
void OnContinueSignal(int) {
  const int savedErrno = errno;
  if (Suspended && (TtyFd < 0 || InForeground())) {
    if (TtyFd >= 0 && !Lent && tcsetattr(TtyFd, TCSANOW, &RawModes) == 0) ModesChanged = 1;
    Suspended = 0;
    RedrawRequested = 1;
  }
  errno = savedErrno;
}

// The terminal was resized: the next console operation follows it.
void OnResizeSignal(int) {
  ResizeRequested = 1;
}

// Installs a handler unless the signal was ignored when the program started (nohup); with
// onlyOverDefault, also not over another handler.
void InstallHandler(int signalNumber, void (*handler)(int), bool onlyOverDefault) {
  struct sigaction previous;
  if (sigaction(signalNumber, nullptr, &previous) != 0) return;
  const bool caught = (previous.sa_flags & SA_SIGINFO) != 0 ||
                      (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN);
  if (!caught && previous.sa_handler == SIG_IGN) return;
  if (caught && onlyOverDefault) return;
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = handler;
  // A restore from the background must not stop the program (SIGTTOU), nor may a stop or
  // continue cut into the handler.
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGTTOU);
  sigaddset(&action.sa_mask, SIGTSTP);
  sigaddset(&action.sa_mask, SIGCONT);
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
  // A reader that goes away (a pipe into head) makes writes fail, which the console drops
  // and standard output reports as code 61, instead of ending the program with the terminal
  // still raw. Programs we start get every signal at its default again.
  signal(SIGPIPE, SIG_IGN);
  start.stdOutIsTerminal = isatty(1) == 1;
  OutputFd = start.stdOutIsTerminal ? 1 : (isatty(2) == 1 ? 2 : -1);
  start.outputFd = OutputFd;
  LeaveLengths[0] = LeaveLengths[1] = 0;
  Lent = 0;

  // Keys come from the controlling terminal whenever there is one, even when both output
  // streams are redirected; but only a program in the terminal's foreground takes them. One
  // started in the background (cmd &, nohup) runs without a keyboard: changing the modes
  // from there would stop it (SIGTTOU) and reading would too (SIGTTIN).
  TtyFd = open("/dev/tty", O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (TtyFd >= 0 && (tcgetattr(TtyFd, &SavedModes) != 0 || !InForeground())) {
    close(TtyFd);
    TtyFd = -1;
  }
  if (TtyFd >= 0) {
    RawModes = SavedModes;
    RawModes.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    RawModes.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    // A read waits for one byte, so a program we start on this terminal does not see an end
    // of file; our own descriptor is non-blocking, so our reads still never wait, and a read
    // of nothing at all means the terminal has hung up.
    RawModes.c_cc[VMIN] = 1;
    RawModes.c_cc[VTIME] = 0;
  }
  if (OutputFd < 0 && TtyFd < 0) return start;  // no terminal at all: nothing to give back
  // The handlers go in before raw mode, so no moment is left unguarded.
  for (const int signalNumber : FaultSignals) InstallHandler(signalNumber, OnEndingSignal, false);
  for (const int signalNumber : EndingSignals) InstallHandler(signalNumber, OnEndingSignal, true);
  InstallHandler(SIGTSTP, OnStopSignal, true);
  InstallHandler(SIGCONT, OnContinueSignal, true);
  if (OutputFd >= 0) InstallHandler(SIGWINCH, OnResizeSignal, true);
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

// Saved modes back, handlers removed, /dev/tty closed. The modes are put back even from the
// background, without stopping the program.
void StopTerminal() {
  sigset_t previous;
  BlockJobSignals(previous);
  if (ModesChanged) {
    tcsetattr(TtyFd, TCSANOW, &SavedModes);
    ModesChanged = 0;
  }
  RemoveHandlers();
  if (TtyFd >= 0) close(TtyFd);
  TtyFd = -1;
  OutputFd = -1;
  Suspended = 0;
  Lent = 0;
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

// The shell's modes back for a program we started; keys are left to it.
void LendTerminal() {
  if (TtyFd < 0 || Lent) return;
  sigset_t previous;
  BlockJobSignals(previous);
  Lent = 1;
  if (ModesChanged) {
    tcsetattr(TtyFd, TCSANOW, &SavedModes);
    ModesChanged = 0;
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

// Raw mode again after LendTerminal, and a redraw. Stopped or in the background meanwhile,
// raw mode waits until the program is back in the foreground.
void TakeTerminalBack() {
  if (TtyFd < 0 || !Lent) return;
  sigset_t previous;
  BlockJobSignals(previous);
  Lent = 0;
  if (!Suspended && InForeground()) {
    ModesChanged = 1;
    if (tcsetattr(TtyFd, TCSANOW, &RawModes) != 0) ModesChanged = 0;
  } else {
    Suspended = 1;
  }
  RedrawRequested = 1;
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

// Typed bytes shown on the keyboard's terminal.
void EchoOnKeyboard(const std::string& bytes) {
  if (TtyFd >= 0) WriteAll(TtyFd, bytes);
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

// Back in the foreground after running in the background (a stopped program continued with
// bg, then brought back with fg, which need not send SIGCONT again): raw mode and a redraw.
static void TakeForegroundBack() {
  if (!Suspended || Lent || !InForeground()) return;
  sigset_t previous;
  BlockJobSignals(previous);
  if (Suspended && !Lent && InForeground()) {
    ModesChanged = 1;
    if (tcsetattr(TtyFd, TCSANOW, &RawModes) != 0) ModesChanged = 0;
    Suspended = 0;
    RedrawRequested = 1;
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

// True while the keys belong to someone else: the program is stopped or in the background, or
// the terminal is lent to a program we started. Reading then would take their keys, or stop
// this program (SIGTTIN). A terminal that cannot tell its foreground has hung up: a read
// then says so.
static bool KeysElsewhere() {
  TakeForegroundBack();
  if (Suspended || Lent) return true;
  const pid_t foreground = tcgetpgrp(TtyFd);
  return foreground != -1 && foreground != getpgrp();
}

// Reads what the keyboard has without waiting.
bool ReadKeyBytes(KeyQueue& keys) {
  if (TtyFd < 0) return false;
  if (KeysElsewhere()) return true;
  char buffer[4096];
  for (;;) {
    const ssize_t count = read(TtyFd, buffer, sizeof buffer);
    if (count > 0) {
      keys.bytes.append(buffer, static_cast<size_t>(count));
      continue;
    }
    if (count == 0) return false;  // a read waits for one byte: nothing at all is a hang-up
    if (errno == EAGAIN || errno == EINTR) return true;
    return false;
  }
}

// Waits for keyboard input with poll(); while the keys are elsewhere, just waits a while.
bool WaitForKeyBytes(int timeoutMilliseconds) {
  if (TtyFd < 0) return false;
  if (KeysElsewhere()) {
    const bool shorter = timeoutMilliseconds >= 0 && timeoutMilliseconds < 100;
    poll(nullptr, 0, shorter ? timeoutMilliseconds : 100);
    return true;
  }
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
