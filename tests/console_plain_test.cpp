// Console text without a terminal: plain lines on standard error, each out as it ends unless
// lines are held, and held lines never lost at a flush, a wait or the end of the program.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/console/console.h"

namespace {

// Reads from fd until the text holds `wanted` or the writer is gone or two seconds pass.
std::string ReadUntil(int fd, const std::string& wanted) {
  std::string text;
  for (int tries = 0; tries < 200 && text.find(wanted) == std::string::npos; tries++) {
    struct pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, 10) <= 0) continue;
    char buffer[65536];
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count <= 0) break;
    text.append(buffer, static_cast<size_t>(count));
  }
  return text;
}

// "line 1\n" ... "line <count>\n".
std::string Lines(const std::string& prefix, int count) {
  std::string text;
  for (int n = 1; n <= count; n++) text += prefix + std::to_string(n) + "\n";
  return text;
}

TEST(ConsolePlainTest, LinesGoOutAtOnceUnlessHeldAndHeldLinesAreNeverLost) {
  ConsoleFlush();  // nothing of this process's earlier console text goes to the child's pipe
  int errorPipe[2];
  int goPipe[2];
  ASSERT_EQ(pipe(errorPipe), 0);
  ASSERT_EQ(pipe(goPipe), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setsid();  // no controlling terminal: no /dev/tty, plain lines
    close(errorPipe[0]);
    close(goPipe[1]);
    dup2(errorPipe[1], 2);
    if (!freopen("/dev/null", "w", stdout)) _exit(2);
    ConsoleStart();
    char go;
    ConsolePrintLine("alone");
    if (read(goPipe[0], &go, 1) != 1) _exit(2);
    // More than the hold limit, then a flush.
    ConsoleHoldLines();
    for (int n = 1; n <= 5000; n++) ConsolePrintLine("first " + std::to_string(n));
    ConsoleFlush();
    if (read(goPipe[0], &go, 1) != 1) _exit(2);
    ConsoleHoldLines();
    for (int n = 1; n <= 500; n++) ConsolePrintLine("second " + std::to_string(n));
    exit(0);  // held lines go out on the way out
  }
  close(errorPipe[1]);
  close(goPipe[0]);

  // The child now waits without any console call: its line is out.
  EXPECT_EQ(ReadUntil(errorPipe[0], "alone\n"), "alone\n");
  ASSERT_EQ(write(goPipe[1], "g", 1), 1);
  EXPECT_EQ(ReadUntil(errorPipe[0], "first 5000\n"), Lines("first ", 5000));
  ASSERT_EQ(write(goPipe[1], "g", 1), 1);
  EXPECT_EQ(ReadUntil(errorPipe[0], "second 500\n"), Lines("second ", 500));

  close(goPipe[1]);
  close(errorPipe[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
