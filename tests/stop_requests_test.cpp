// Stop requests held while a document is settled: a stop signal that arrives during the hold
// ends the program only when the hold ends, by that same signal, with the terminal given back;
// with no terminal at all as well.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "platform/console/console.h"
#include "platform/process/stop_requests.h"

namespace {

// Everything readable from fd until its writer is gone (or five seconds pass).
std::string ReadToEnd(int fd) {
  std::string text;
  for (int tries = 0; tries < 500; tries++) {
    struct pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, 10) <= 0) continue;
    char buffer[4096];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0) break;
    text.append(buffer, static_cast<size_t>(count));
  }
  return text;
}

// How a child ended: its exit code, or 128 + the signal that ended it.
int EndOf(pid_t child) {
  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs body in a child without a terminal (its own session), its reports going to a pipe;
// returns what it reported and how it ended.
template <typename Body>
std::pair<std::string, int> RunWithoutTerminal(Body body) {
  int reports[2];
  if (pipe(reports) != 0) return {"", -1};
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    close(reports[0]);
    const struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);  // SIGQUIT leaves no core file behind
    body(reports[1]);
    _exit(0);
  }
  close(reports[1]);
  const std::string reported = ReadToEnd(reports[0]);
  close(reports[0]);
  return {reported, EndOf(child)};
}

void Report(int fd, const char* text) {
  (void)!write(fd, text, std::char_traits<char>::length(text));
}

TEST(StopRequestsTest, AStopSignalDuringTheHoldEndsTheProgramByThatSignalWhenTheHoldEnds) {
  for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
    const auto [reported, end] = RunWithoutTerminal([signalNumber](int out) {
      HoldStopRequests();
      kill(getpid(), signalNumber);
      usleep(50000);
      Report(out, "settled;");
      ReleaseStopRequests();
      Report(out, "went on;");
    });
    EXPECT_EQ(reported, "settled;") << strsignal(signalNumber);
    EXPECT_EQ(end, 128 + signalNumber) << strsignal(signalNumber);
  }
}

TEST(StopRequestsTest, HoldsNestAndASignalBlockedBeforeTheHoldStaysBlocked) {
  const auto [nested, nestedEnd] = RunWithoutTerminal([](int out) {
    HoldStopRequests();
    HoldStopRequests();
    kill(getpid(), SIGTERM);
    ReleaseStopRequests();
    Report(out, "inner end;");
    ReleaseStopRequests();
    Report(out, "went on;");
  });
  EXPECT_EQ(nested, "inner end;");
  EXPECT_EQ(nestedEnd, 128 + SIGTERM);

  const auto [blocked, blockedEnd] = RunWithoutTerminal([](int out) {
    sigset_t hangUp;
    sigemptyset(&hangUp);
    sigaddset(&hangUp, SIGHUP);
    sigprocmask(SIG_BLOCK, &hangUp, nullptr);
    HoldStopRequests();
    kill(getpid(), SIGHUP);
    ReleaseStopRequests();
    Report(out, "still blocked;");
    _exit(7);
  });
  EXPECT_EQ(blocked, "still blocked;");
  EXPECT_EQ(blockedEnd, 7);
}

TEST(StopRequestsTest, OnATerminalTheHeldSignalGivesTheTerminalBackBeforeItEndsTheProgram) {
  int master = -1;
  struct winsize size = {24, 80, 0, 0};
  const pid_t child = forkpty(&master, nullptr, nullptr, &size);
  ASSERT_GE(child, 0);
  if (child == 0) {
    ConsoleStart();
    HoldStopRequests();
    kill(getpid(), SIGTERM);
    ConsolePrintLine("settled");
    ReleaseStopRequests();
    ConsolePrintLine("went on");
    ConsoleStop();
    _exit(0);
  }
  const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  std::string output;
  int end = -1;
  for (int tries = 0; tries < 500 && end < 0; tries++) {
    struct pollfd ready = {master, POLLIN, 0};
    if (poll(&ready, 1, 10) > 0) {
      char buffer[4096];
      const ssize_t count = read(master, buffer, sizeof buffer);
      if (count > 0) output.append(buffer, static_cast<size_t>(count));
      continue;
    }
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child)
      end = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  if (end < 0) kill(child, SIGKILL);
  EXPECT_EQ(end, 128 + SIGTERM);
  struct termios modes;
  ASSERT_EQ(tcgetattr(slave, &modes), 0);
  EXPECT_NE(modes.c_lflag & ICANON, 0u) << "the terminal is back in line mode";
  EXPECT_NE(modes.c_lflag & ECHO, 0u);
  EXPECT_NE(output.find("settled"), std::string::npos);
  EXPECT_EQ(output.find("went on"), std::string::npos);
  close(slave);
  close(master);
}

}  // namespace
