// Console terminal on a real pseudo-terminal: raw modes, lending the terminal to a started
// program, a keyboard that hangs up, and the echo of typing when console text is redirected.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/console/console.h"

namespace {

// A child process whose controlling terminal (and standard streams) is a new pseudo-terminal.
struct TerminalChild {
  pid_t pid = -1;
  int master = -1;
};

// Runs body (giving the exit code) in the child; the parent keeps the master side.
template <typename Body>
TerminalChild StartOnTerminal(Body body) {
  TerminalChild child;
  struct winsize size = {24, 80, 0, 0};
  child.pid = forkpty(&child.master, nullptr, nullptr, &size);
  if (child.pid == 0) _exit(body());
  return child;
}

// Waits until the child has put its terminal in raw mode.
bool WaitForRawMode(const TerminalChild& child) {
  const int slave = open(ptsname(child.master), O_RDWR | O_NOCTTY);
  if (slave < 0) return false;
  bool raw = false;
  for (int tries = 0; tries < 500 && !raw; tries++) {
    struct termios modes;
    raw = tcgetattr(slave, &modes) == 0 && (modes.c_lflag & ICANON) == 0;
    if (!raw) usleep(10000);
  }
  close(slave);
  return raw;
}

// Reads what the child writes until it ends; its exit code (128 + the signal that ended it).
int WaitForExit(TerminalChild& child, std::string& output) {
  int status = 0;
  for (int tries = 0; tries < 1000; tries++) {
    if (child.master >= 0) {
      struct pollfd ready = {child.master, POLLIN, 0};
      char buffer[4096];
      if (poll(&ready, 1, 10) > 0) {
        const ssize_t count = read(child.master, buffer, sizeof buffer);
        if (count > 0) {
          output.append(buffer, static_cast<size_t>(count));
          continue;
        }
        close(child.master);  // the child has closed its side: it is ending
        child.master = -1;
      }
    } else {
      usleep(10000);
    }
    if (waitpid(child.pid, &status, WNOHANG) == child.pid) {
      if (child.master >= 0) close(child.master);
      child.master = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
  }
  kill(child.pid, SIGKILL);
  waitpid(child.pid, &status, 0);
  if (child.master >= 0) close(child.master);
  child.master = -1;
  return -1;
}

// True when the terminal on standard input is in the console's raw mode.
bool InRawMode() {
  struct termios modes;
  return tcgetattr(0, &modes) == 0 && (modes.c_lflag & (ICANON | ECHO | ISIG)) == 0 &&
         modes.c_cc[VMIN] == 1 && modes.c_cc[VTIME] == 0;
}

// True when the terminal on standard input has its original, line-by-line modes.
bool InOriginalModes() {
  struct termios modes;
  return tcgetattr(0, &modes) == 0 &&
         (modes.c_lflag & (ICANON | ECHO | ISIG)) == static_cast<tcflag_t>(ICANON | ECHO | ISIG);
}

TEST(ConsoleTerminalTest, RawModeWaitsForAByteAndSuspendLendsTheOriginalModes) {
  TerminalChild child = StartOnTerminal([] {
    int failed = 0;
    ConsoleStart();
    if (!ConsoleHasKeyboard() || !InRawMode()) failed |= 1;
    ConsoleSuspend();
    if (!InOriginalModes()) failed |= 2;
    ConsoleResume();
    if (!InRawMode()) failed |= 4;
    ConsoleStop();
    if (!InOriginalModes()) failed |= 8;
    return failed;
  });
  ASSERT_GT(child.pid, 0);
  std::string output;
  EXPECT_EQ(WaitForExit(child, output), 0) << "bits: 1 raw, 2 lent, 4 taken back, 8 stopped";
}

TEST(ConsoleTerminalTest, AHungUpKeyboardIsNoticedByInkey) {
  TerminalChild child = StartOnTerminal([] {
    signal(SIGHUP, SIG_IGN);  // as under nohup: the program goes on after the hang-up
    ConsoleStart();
    for (int tries = 0; tries < 300 && ConsoleHasKeyboard(); tries++) {
      ConsoleInkey();
      usleep(10000);
    }
    return ConsoleHasKeyboard() ? 1 : 0;
  });
  ASSERT_GT(child.pid, 0);
  ASSERT_TRUE(WaitForRawMode(child));
  close(child.master);
  child.master = -1;
  std::string output;
  EXPECT_EQ(WaitForExit(child, output), 0);
}

TEST(ConsoleTerminalTest, TypingIsEchoedOnTheTerminalWhenConsoleTextIsRedirected) {
  TerminalChild child = StartOnTerminal([] {
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, 1);
    dup2(nowhere, 2);
    ConsoleStart();
    const std::string line = ConsoleLineInput();
    ConsoleStop();
    return line == "ac" ? 0 : 1;
  });
  ASSERT_GT(child.pid, 0);
  ASSERT_TRUE(WaitForRawMode(child));
  ASSERT_EQ(write(child.master,
                  "ab\x7f"
                  "c\r",
                  5),
            5);
  std::string output;
  EXPECT_EQ(WaitForExit(child, output), 0);
  EXPECT_EQ(output.substr(0, 7), "ab\b \bc\r");
  EXPECT_EQ(output.back(), '\n');
}

}  // namespace
