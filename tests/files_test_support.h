// Test support for the file services: a private working folder, whole-file bytes, and a
// second process that holds a file open.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

// Runs each test in a fresh folder made the working directory, removed afterwards.
class InTempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char saved[PATH_MAX];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    savedFolder_ = saved;
    char pattern[] = "/tmp/tavrel_files_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    ASSERT_EQ(chdir(folder_.c_str()), 0);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(savedFolder_.c_str()), 0);
    std::filesystem::remove_all(folder_);
  }
  std::string folder_;

 private:
  std::string savedFolder_;
};

inline void WriteWholeFile(const std::string& name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline std::string ReadWholeFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Another process holding a file open, optionally with an exclusive flock, until Release.
class FileHolder {
 public:
  // Returns once the child has the file open (and locked when asked).
  bool Hold(const std::string& name, bool withLock) {
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      int fd = open(name.c_str(), O_RDONLY);
      char ok = fd >= 0 && (!withLock || flock(fd, LOCK_EX) == 0) ? 'y' : 'n';
      (void)!write(ready[1], &ok, 1);
      char done;
      (void)!read(release[0], &done, 1);
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    releaseFd_ = release[1];
    char ok = 'n';
    bool got = read(ready[0], &ok, 1) == 1;
    close(ready[0]);
    return pid_ > 0 && got && ok == 'y';
  }
  void Release() {
    if (pid_ <= 0) return;
    close(releaseFd_);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  ~FileHolder() { Release(); }

 private:
  pid_t pid_ = -1;
  int releaseFd_ = -1;
};

// Runs `body` in a child process that ends without any cleanup, as if cut off; true when
// the child ran to its end.
template <typename Body>
bool RunInChildAndVanish(Body body) {
  pid_t pid = fork();
  if (pid == 0) {
    body();
    _exit(0);
  }
  int status = 0;
  return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}
