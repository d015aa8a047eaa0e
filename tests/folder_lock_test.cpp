// Folder lock: one holder at a time, seen by any other process of any user, gone with its
// holder however it ends; and a line appended to a file another process holds locked.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "files_test_support.h"
#include "platform/files/folder_lock.h"
#include "platform/files/shared_append.h"

namespace {

const std::string LockName = "folder.lock";

// A child process that takes the lock, reports how it went through a pipe and keeps it until
// killed.
struct LockHolder {
  pid_t pid = -1;
  FolderLockState state = FolderLockState::Failed;
};

LockHolder StartHolder() {
  LockHolder holder;
  int report[2];
  if (pipe(report) != 0) return holder;
  holder.pid = fork();
  if (holder.pid == 0) {
    close(report[0]);
    const char state = static_cast<char>(TakeFolderLock(LockName).state);
    if (write(report[1], &state, 1) != 1) _exit(2);
    for (;;) pause();
  }
  close(report[1]);
  char state = -1;
  if (holder.pid > 0 && read(report[0], &state, 1) == 1)
    holder.state = static_cast<FolderLockState>(state);
  close(report[0]);
  return holder;
}

// Kills the holder as kill -9 would, so nothing of its own runs on the way out.
void KillHolder(LockHolder& holder) {
  kill(holder.pid, SIGKILL);
  waitpid(holder.pid, nullptr, 0);
}

// Runs body in a child process as the user nobody; its exit code.
template <typename Body>
int RunAsNobody(Body body) {
  const pid_t child = fork();
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FolderLockTest : public InTempFolder {
 protected:
  void TearDown() override {
    ReleaseFolderLock();
    InTempFolder::TearDown();
  }
};

TEST_F(FolderLockTest, ASecondProcessLearnsTheHolderAndTakesTheLockOnceTheHolderIsKilled) {
  LockHolder holder = StartHolder();
  ASSERT_EQ(holder.state, FolderLockState::Taken);
  EXPECT_EQ(ReadWholeFile(LockName), std::to_string(holder.pid) + "\n");

  const FolderLockResult refused = TakeFolderLock(LockName);
  EXPECT_EQ(refused.state, FolderLockState::HeldElsewhere);
  EXPECT_EQ(refused.holderProcess, holder.pid);

  KillHolder(holder);
  const FolderLockResult taken = TakeFolderLock(LockName);
  EXPECT_EQ(taken.state, FolderLockState::Taken);
  EXPECT_EQ(ReadWholeFile(LockName), std::to_string(getpid()) + "\n");

  ReleaseFolderLock();
  EXPECT_EQ(ReadWholeFile(LockName), "");
  LockHolder next = StartHolder();
  EXPECT_EQ(next.state, FolderLockState::Taken) << "a released lock is free for the next one";
  KillHolder(next);
}

TEST_F(FolderLockTest, AnotherUserIsRefusedWithTheHoldersIdEvenThoughTheFileIsNotTheirs) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  ASSERT_EQ(chmod(folder_.c_str(), 0777), 0);
  const mode_t savedMask = umask(077);  // the file is made readable for all even so
  const FolderLockState state = TakeFolderLock(LockName).state;
  umask(savedMask);
  ASSERT_EQ(state, FolderLockState::Taken);
  struct stat info;
  ASSERT_EQ(stat(LockName.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0444, 0444u);

  // Held by this process: the other user is refused and told who holds it.
  const pid_t holder = getpid();
  EXPECT_EQ(
      RunAsNobody([&] {
        const FolderLockResult result = TakeFolderLock(LockName);
        return result.state == FolderLockState::HeldElsewhere && result.holderProcess == holder ? 0
                                                                                                : 1;
      }),
      0);
  // Free, but the other user may not write the file: it cannot take the lock either.
  ReleaseFolderLock();
  EXPECT_EQ(RunAsNobody([] {
              const FolderLockResult result = TakeFolderLock(LockName);
              return result.state == FolderLockState::Failed && result.errorCode == 70 ? 0 : 1;
            }),
            0);
}

TEST_F(FolderLockTest, ANameThatIsNoOrdinaryFileIsNeverTakenOrFollowed) {
  struct Case {
    const char* what;
    void (*make)();
  };
  const Case cases[] = {
      {"folder", [] { mkdir(LockName.c_str(), 0755); }},
      {"link", [] { symlink("elsewhere", LockName.c_str()); }},
      {"fifo", [] { mkfifo(LockName.c_str(), 0644); }},
  };
  for (const Case& item : cases) {
    item.make();
    const FolderLockResult result = TakeFolderLock(LockName);
    EXPECT_EQ(result.state, FolderLockState::Failed) << item.what;
    EXPECT_NE(result.errorCode, 0) << item.what;
    EXPECT_FALSE(std::filesystem::exists("elsewhere")) << item.what;
    std::filesystem::remove(LockName);
  }
}

TEST_F(FolderLockTest, ALineIsAppendedWholeToAFileThatAnotherProcessHoldsLocked) {
  WriteWholeFile("held.log", "first\r\n");
  FileHolder other;
  ASSERT_TRUE(other.Hold("held.log", true));
  EXPECT_TRUE(AppendWithoutLock("held.log", "second\r\n"));
  other.Release();
  EXPECT_EQ(ReadWholeFile("held.log"), "first\r\nsecond\r\n");
  EXPECT_TRUE(AppendWithoutLock("new.log", "only\r\n"));
  EXPECT_EQ(ReadWholeFile("new.log"), "only\r\n");
  mkdir("folder.log", 0755);
  EXPECT_FALSE(AppendWithoutLock("folder.log", "lost\r\n"));
}

}  // namespace
