// The working folder's watch and the moves into a folder: what run mode relies on to leave a
// writer's file alone and to keep a document without writing through a link.

#include "platform/files/file_watch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "files_test_support.h"
#include "base/error_code.h"
#include "platform/files/file_exists.h"
#include "platform/files/files.h"

namespace {

class FileWatch : public InTempFolder {
 protected:
  void SetUp() override {
    InTempFolder::SetUp();
    StopWatchingWorkingFolder();  // a watch left on another test's folder
    WatchWorkingFolder();
  }
  void TearDown() override {
    StopWatchingWorkingFolder();
    InTempFolder::TearDown();
  }
};

TEST_F(FileWatch, CountsOpensOfEveryProcessAndOnlyRealChanges) {
  WriteWholeFile("DOC.DRY", "ONE\r\n");
  EXPECT_EQ(FileOpenCount("DOC.DRY"), 0);
  EXPECT_EQ(FileOpenCount("sub/DOC.DRY"), -1);  // only the working folder is watched

  FileHolder writer;
  ASSERT_TRUE(writer.Hold("DOC.DRY", false));
  EXPECT_EQ(FileOpenCount("DOC.DRY"), 1);
  int number = FreeFileNumber();
  ClearErrorCode();
  FileOpen("DOC.DRY", number, FileInput);
  EXPECT_EQ(ErrorCode, 70);  // held elsewhere, lease or not
  EXPECT_EQ(ErrorCause, HeldElsewhereCause);
  writer.Release();
  EXPECT_EQ(FileOpenCount("DOC.DRY"), 0);

  // Opening and closing without writing is no change; appending, truncating and replacing are.
  uint64_t before = FileChangeCount("DOC.DRY");
  ClearErrorCode();
  FileOpen("DOC.DRY", number, FileInput);
  ASSERT_EQ(ErrorCode, 0);
  EXPECT_EQ(FileOpenCount("DOC.DRY"), 1);
  FileClose(number);
  EXPECT_EQ(FileChangeCount("DOC.DRY"), before);
  const std::function<void()> changes[] = {
      [] { std::ofstream("DOC.DRY", std::ios::app) << "TWO\r\n"; },
      [] { std::filesystem::resize_file("DOC.DRY", 2); },
      [] {
        WriteWholeFile("NEW.TMP", "X");
        std::filesystem::rename("NEW.TMP", "DOC.DRY");
      },
  };
  for (const auto& change : changes) {
    before = FileChangeCount("DOC.DRY");
    change();
    EXPECT_GT(FileChangeCount("DOC.DRY"), before);
  }
}

TEST_F(FileWatch, OpenFromBeforeTheWatchIsNeverCountedBelowZero) {
  StopWatchingWorkingFolder();
  WriteWholeFile("DOC.DRY", "");
  FileHolder writer;
  ASSERT_TRUE(writer.Hold("DOC.DRY", false));
  WatchWorkingFolder();
  writer.Release();
  EXPECT_EQ(FileOpenCount("DOC.DRY"), 0);
}

TEST_F(FileWatch, MoveIntoFolderNeverFollowsALinkNorReplaces) {
  std::filesystem::create_directory("elsewhere");
  struct {
    const char* why;
    std::function<void()> prepare;
    int code;
  } cases[] = {
      {"folder made when missing", [] {}, 0},
      {"folder already there", [] { std::filesystem::create_directory("kept"); }, 0},
      {"a link named like the folder",
       [] { std::filesystem::create_directory_symlink("elsewhere", "kept"); }, 75},
      {"a file named like the folder", [] { WriteWholeFile("kept", "NOT A FOLDER"); }, 75},
      {"the name is taken",
       [] {
         std::filesystem::create_directory("kept");
         WriteWholeFile("kept/DOC-1.DRY", "EARLIER");
       },
       58},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all("kept");
    WriteWholeFile("DOC.DRY", "THE DOCUMENT");
    c.prepare();
    ClearErrorCode();
    MoveIntoFolder("DOC.DRY", "kept", "DOC-1.DRY");
    EXPECT_EQ(ErrorCode, c.code) << c.why;
    EXPECT_EQ(ErrorCause.empty(), c.code == 0) << c.why;
    if (c.code == 0) {
      EXPECT_FALSE(std::filesystem::exists("DOC.DRY")) << c.why;
      EXPECT_EQ(ReadWholeFile("kept/DOC-1.DRY"), "THE DOCUMENT") << c.why;
    } else {
      EXPECT_EQ(ReadWholeFile("DOC.DRY"), "THE DOCUMENT") << c.why;
    }
  }
  EXPECT_TRUE(std::filesystem::is_empty("elsewhere"));
}

TEST_F(FileWatch, IdentityOfTheOpenFileSeesItCutShort) {
  WriteWholeFile("DOC.DRY", "A LONG DOCUMENT\r\n");
  int number = FreeFileNumber();
  ClearErrorCode();
  FileOpen("DOC.DRY", number, FileInput);
  ASSERT_EQ(ErrorCode, 0);
  std::string identity = OpenFileIdentity(number);
  EXPECT_EQ(identity, FileIdentity("DOC.DRY"));
  std::filesystem::resize_file("DOC.DRY", 3);
  EXPECT_NE(OpenFileIdentity(number), identity);
  FileClose(number);
  // A change of permissions alone is a change: the operator may have put the file right.
  identity = FileIdentity("DOC.DRY");
  chmod("DOC.DRY", 0600);
  EXPECT_NE(FileIdentity("DOC.DRY"), identity);
}

}  // namespace
