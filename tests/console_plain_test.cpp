// Console text without a terminal: plain lines on standard error, held back within a burst of
// lines only, and never lost at a wait or at the end of the program.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/console.h"

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

TEST(ConsolePlainTest, LinesGoOutAtOnceWhenQuietAndAtEveryWaitAndAtExit) {
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
    freopen("/dev/null", "w", stdout);
    ConsoleStart();
    char go;
    ConsolePrintLine("alone");
    if (read(goPipe[0], &go, 1) != 1) _exit(2);
    for (int n = 1; n <= 500; n++) ConsolePrintLine("first " + std::to_string(n));
    SleepMilliseconds(1);
    if (read(goPipe[0], &go, 1) != 1) _exit(2);
    for (int n = 1; n <= 500; n++) ConsolePrintLine("second " + std::to_string(n));
    exit(0);  // held lines go out on the way out
  }
  close(errorPipe[1]);
  close(goPipe[0]);

  // The child now waits without any console call: a line after a quiet spell is out.
  EXPECT_EQ(ReadUntil(errorPipe[0], "alone\n"), "alone\n");
  ASSERT_EQ(write(goPipe[1], "g", 1), 1);
  // A burst is out, complete and in order, once the child sleeps.
  EXPECT_EQ(ReadUntil(errorPipe[0], "first 500\n"), Lines("first ", 500));
  ASSERT_EQ(write(goPipe[1], "g", 1), 1);
  EXPECT_EQ(ReadUntil(errorPipe[0], "second 500\n"), Lines("second ", 500));

  close(goPipe[1]);
  close(errorPipe[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
