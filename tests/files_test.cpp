// File and process services: exclusive opens, line rules, zones, search, deletion, starting
// programs.
#include "platform/files/files.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "files_test_support.h"
#include "base/error_code.h"
#include "platform/process/start_program.h"

namespace {

constexpr int TestNumber = 7;
constexpr int OtherNumber = 8;

const char* ModeName(FileMode mode) {
  return mode == FileInput ? "input" : mode == FileOutput ? "output" : "append";
}

// Every line of an input file until the read past the end, which must give "" and 62.
std::vector<std::string> AllLines(const std::string& name) {
  std::vector<std::string> lines;
  ClearErrorCode();
  FileOpen(name, TestNumber, FileInput);
  EXPECT_EQ(ErrorCode, 0);
  for (int guard = 0; guard < 100; ++guard) {
    ClearErrorCode();
    std::string line = FileLineInput(TestNumber);
    if (ErrorCode == 62) {
      EXPECT_EQ(line, "");
      break;
    }
    EXPECT_EQ(ErrorCode, 0);
    lines.push_back(line);
  }
  FileClose(TestNumber);
  return lines;
}

using FileServices = InTempFolder;

TEST_F(FileServices, OpenFailsWith70WhileAnotherProcessHoldsTheFile) {
  for (bool withLock : {false, true}) {
    for (FileMode mode : {FileInput, FileOutput, FileAppend}) {
      WriteWholeFile("held.dry", "still being written\r\n");
      FileHolder holder;
      ASSERT_TRUE(holder.Hold("held.dry", withLock));
      ClearErrorCode();
      FileOpen("held.dry", TestNumber, mode);
      EXPECT_EQ(ErrorCode, 70) << ModeName(mode) << " lock " << withLock;
      FileClose(TestNumber);
      // A refused output open must not have emptied the file.
      EXPECT_EQ(ReadWholeFile("held.dry"), "still being written\r\n") << ModeName(mode);
      holder.Release();
      ClearErrorCode();
      FileOpen("held.dry", TestNumber, mode);
      EXPECT_EQ(ErrorCode, 0) << ModeName(mode) << " after release";
      FileClose(TestNumber);
    }
  }
}

TEST_F(FileServices, FileOpenHereKeepsOtherProcessesOut) {
  WriteWholeFile("mine.log", "x");
  ClearErrorCode();
  FileOpen("mine.log", TestNumber, FileAppend);
  ASSERT_EQ(ErrorCode, 0);
  // The other process's lock is refused (its exit status 0 says so).
  EXPECT_TRUE(RunInChildAndVanish([] {
    int fd = open("mine.log", O_RDONLY);
    _exit(fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK ? 0 : 1);
  }));
  // A second open of the same file in this process is refused too.
  FileOpen("mine.log", OtherNumber, FileInput);
  EXPECT_EQ(ErrorCode, 70);
  FileClose(TestNumber);
  ClearErrorCode();
  FileOpen("mine.log", OtherNumber, FileInput);
  EXPECT_EQ(ErrorCode, 0);
  FileClose(OtherNumber);
}

TEST_F(FileServices, OpenCodesForMissingFilesNumbersAndOtherObjects) {
  ASSERT_EQ(mkdir("folder.dry", 0777), 0);
  WriteWholeFile("target.txt", "t");
  ASSERT_EQ(symlink("target.txt", "link.dry"), 0);
  ASSERT_EQ(symlink("nowhere.txt", "dangling.dry"), 0);
  ASSERT_EQ(mkfifo("pipe.dry", 0666), 0);
  const struct {
    const char* name;
    int number;
    FileMode mode;
    int code;
  } cases[] = {
      {"missing.dry", TestNumber, FileInput, 53},  {"nofolder/x.dry", TestNumber, FileOutput, 76},
      {"target.txt/x", TestNumber, FileInput, 76}, {"target.txt", 0, FileInput, 52},
      {"target.txt", 32768, FileInput, 52},        {"target.txt", -3, FileOutput, 52},
      {"folder.dry", TestNumber, FileInput, 75},   {"folder.dry", TestNumber, FileOutput, 75},
      {"link.dry", TestNumber, FileInput, 75},     {"dangling.dry", TestNumber, FileOutput, 75},
      {"pipe.dry", TestNumber, FileInput, 75},     {"pipe.dry", TestNumber, FileAppend, 75},
  };
  for (const auto& c : cases) {
    ClearErrorCode();
    FileOpen(c.name, c.number, c.mode);
    EXPECT_EQ(ErrorCode, c.code) << c.name << " " << ModeName(c.mode);
    FileClose(TestNumber);
  }
  EXPECT_FALSE(std::filesystem::exists("nowhere.txt"));  // nothing created through the link
  EXPECT_EQ(ReadWholeFile("target.txt"), "t");

  ClearErrorCode();
  FileOpen("target.txt", TestNumber, FileInput);
  FileOpen("new.txt", TestNumber, FileOutput);
  EXPECT_EQ(ErrorCode, 55);
  EXPECT_FALSE(std::filesystem::exists("new.txt"));
  FileClose(TestNumber);
}

TEST_F(FileServices, ModesEmptyKeepAndCreate) {
  WriteWholeFile("out.txt", "old content that must go");
  WriteWholeFile("log.txt", "first\r\n");
  ClearErrorCode();
  FileOpen("out.txt", TestNumber, FileOutput);
  FileOpen("log.txt", OtherNumber, FileAppend);
  ASSERT_EQ(ErrorCode, 0);
  EXPECT_EQ(ReadWholeFile("out.txt"), "");  // emptied at once, before any write
  EXPECT_EQ(FileSize(TestNumber), 0);
  EXPECT_EQ(FileSize(OtherNumber), 7);
  FilePrint(TestNumber, "new");
  FilePrint(OtherNumber, "second");
  FileNewLine(OtherNumber);
  EXPECT_EQ(FileSize(TestNumber), 3);
  FileClose(TestNumber);
  FileClose(OtherNumber);
  EXPECT_EQ(ErrorCode, 0);
  EXPECT_EQ(ReadWholeFile("out.txt"), "new");
  EXPECT_EQ(ReadWholeFile("log.txt"), "first\r\nsecond\r\n");

  FileOpen("fresh.log", TestNumber, FileAppend);
  FileOpen("fresh.txt", OtherNumber, FileOutput);
  EXPECT_EQ(ErrorCode, 0);
  FileClose(TestNumber);
  FileClose(OtherNumber);
  EXPECT_TRUE(std::filesystem::exists("fresh.log"));
  EXPECT_TRUE(std::filesystem::exists("fresh.txt"));
  EXPECT_EQ(ReadWholeFile("fresh.txt"), "");
}

TEST_F(FileServices, LineRules) {
  const std::string x127(127, 'x');
  const struct {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb\n", {"a\nb\n"}},
      {"a\rb", {"a", "b"}},
      {"a\r\rb\r\n", {"a", "", "b"}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\n\r\nb", {"a\n", "b"}},
      {"  x , \"q\" \t\r\n", {"  x , \"q\" \t"}},
      {std::string("n\0ul\r\n", 6), {std::string("n\0ul", 4)}},
      {"ab\x1a"
       "cd\r\n",
       {"ab"}},
      {"ab\r\n\x1a"
       "cd\r\n",
       {"ab"}},
      {"ab\r\x1a\n", {"ab"}},
      {"\x1a"
       "data",
       {}},
      {x127 + "\r\ny", {x127, "y"}},  // CR ends one buffer, LF starts the next
      {x127 + "\rz", {x127, "z"}},    // lone CR at the end of a buffer
      {x127 + "\r\x1a\n", {x127}},
      {x127 + "y\r\n" + x127 + "\r\n", {x127 + "y", x127}},
  };
  for (const auto& c : cases) {
    WriteWholeFile("lines.txt", c.bytes);
    EXPECT_EQ(AllLines("lines.txt"), c.lines) << testing::PrintToString(c.bytes);
  }
}

TEST_F(FileServices, LongLineWithoutEndIsReadWholeInLinearTime) {
  std::string line(4 << 20, 'L');
  WriteWholeFile("long.txt", line + "\r\nend");
  auto start = std::chrono::steady_clock::now();
  std::vector<std::string> lines = AllLines("long.txt");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0] == line);
  EXPECT_EQ(lines[1], "end");
  EXPECT_LT(seconds, 3.0);
}

TEST_F(FileServices, AtEndSeesPhysicalEndAnd1Ah) {
  const struct {
    std::string bytes;
    int linesBeforeEnd;
  } cases[] = {
      {"", 0},          {"\x1a", 0},       {"a", 1},         {"a\r\n", 1},
      {"a\r\n\x1a", 1}, {"a\r\nb\x1a", 2}, {"a\r\n\r\n", 2},
  };
  for (const auto& c : cases) {
    WriteWholeFile("end.txt", c.bytes);
    FileOpen("end.txt", TestNumber, FileInput);
    int lines = 0;
    while (!FileAtEnd(TestNumber) && lines < 10) {
      FileLineInput(TestNumber);
      ++lines;
    }
    EXPECT_EQ(lines, c.linesBeforeEnd) << testing::PrintToString(c.bytes);
    FileClose(TestNumber);
  }
}

TEST_F(FileServices, WrongNumberOrModeCodes) {
  FileOpen("w.txt", TestNumber, FileOutput);
  FileOpen("a.txt", OtherNumber, FileAppend);
  for (int number : {TestNumber, OtherNumber}) {
    ClearErrorCode();
    EXPECT_EQ(FileLineInput(number), "");
    EXPECT_EQ(ErrorCode, 54);
    ClearErrorCode();
    EXPECT_TRUE(FileAtEnd(number));
    EXPECT_EQ(ErrorCode, 54);
  }
  FileClose(OtherNumber);
  ClearErrorCode();
  EXPECT_EQ(FileLineInput(OtherNumber), "");
  EXPECT_EQ(ErrorCode, 52);
  ClearErrorCode();
  FilePrint(OtherNumber, "x");
  EXPECT_EQ(ErrorCode, 52);

  WriteWholeFile("r.txt", "r");
  FileOpen("r.txt", OtherNumber, FileInput);
  ClearErrorCode();
  FilePrint(OtherNumber, "x");
  FileNewLine(OtherNumber);
  EXPECT_EQ(ErrorCode, 54);
  FileClose(OtherNumber);
  FileClose(TestNumber);
  EXPECT_EQ(ReadWholeFile("r.txt"), "r");
  EXPECT_EQ(ReadWholeFile("w.txt"), "");
}

TEST_F(FileServices, PrintZonesFollowTheColumn) {
  ClearErrorCode();
  FileOpen("zones.log", TestNumber, FileOutput);
  FilePrintZone(TestNumber);  // line start: a whole zone
  FileNewLine(TestNumber);
  FilePrint(TestNumber, "12-07-2026");
  FilePrintZone(TestNumber);  // 4 blanks
  FilePrint(TestNumber, "09:05:00");
  FilePrintZone(TestNumber);  // 6 blanks
  FilePrint(TestNumber, "Printing Doc");
  FileNewLine(TestNumber);
  FilePrint(TestNumber, std::string(14, 'z'));
  FilePrintZone(TestNumber);  // at a zone boundary: a whole zone
  FilePrint(TestNumber, std::string(13, 'z'));
  FilePrintZone(TestNumber);  // one blank
  FileClose(TestNumber);
  EXPECT_EQ(ErrorCode, 0);
  EXPECT_EQ(ReadWholeFile("zones.log"),
            std::string(14, ' ') + "\r\n" + "12-07-2026    09:05:00      Printing Doc\r\n" +
                std::string(14, 'z') + std::string(14, ' ') + std::string(13, 'z') + " ");
}

TEST_F(FileServices, FreeNumbersCountUpWrapAndSkipOpenAndFixedOnes) {
  // The number after n, passing over the configuration's and the log's fixed numbers.
  auto after = [](int n) {
    do n = n % 32767 + 1;
    while (n == SettingsFileNumber || n == LogFileNumber);
    return n;
  };
  int first = FreeFileNumber();
  int next = after(first);
  int skipped = after(next);
  FileOpen("busy.txt", skipped, FileOutput);
  EXPECT_EQ(FreeFileNumber(), next);
  EXPECT_EQ(FreeFileNumber(), after(skipped));
  FileClose(skipped);
  // A full round hands out every other number once, wrapping from 32767 to 1.
  std::set<int> seen;
  for (int i = 0; i < 32767; ++i) seen.insert(FreeFileNumber());
  EXPECT_EQ(seen.size(), 32765u);
  EXPECT_EQ(seen.count(SettingsFileNumber) + seen.count(LogFileNumber), 0u);
  EXPECT_EQ(*seen.begin(), 1);
  EXPECT_EQ(*seen.rbegin(), 32767);
}

TEST_F(FileServices, FirstMatchingFileFindsOrdinaryFilesCaseIgnored) {
  WriteWholeFile("wlsdfkjn.dry", "doc");
  WriteWholeFile("Notes.TXT", "");
  WriteWholeFile("README", "");
  WriteWholeFile(".hidden.dry", "");
  ASSERT_EQ(mkdir("folder.dry", 0777), 0);
  ASSERT_EQ(mkdir("onlyfolder", 0777), 0);
  ASSERT_EQ(symlink("wlsdfkjn.dry", "link.dry"), 0);
  ASSERT_EQ(mkdir("sub", 0777), 0);
  WriteWholeFile("sub/b.txt", "");
  WriteWholeFile("sub/A.txt", "");
  const struct {
    const char* pattern;
    const char* found;
  } cases[] = {
      {"WLSDFKJN.DRY", "wlsdfkjn.dry"},
      {"wlsdfkjn.dry", "wlsdfkjn.dry"},
      {"*.DRY", "wlsdfkjn.dry"},
      {"W?SDF*.d?y", "wlsdfkjn.dry"},
      {"folder.dry", ""},
      {"onlyfolder", ""},
      {"link.dry", ""},
      {".hidden.dry", ""},
      {"*.*", "Notes.TXT"},
      {"readme.*", "README"},
      {"READ*.", "README"},
      {"*", "Notes.TXT"},
      {"*e", "README"},
      {"sub/", "A.txt"},
      {"sub/B*.*", "b.txt"},
      {"missing/*.*", ""},
      {"nothing*", ""},
      {".", ""},
      {"..", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    ErrorCode = 99;
    EXPECT_EQ(FirstMatchingFile(c.pattern), c.found) << c.pattern;
    EXPECT_EQ(ErrorCode, 0) << c.pattern;
  }
}

TEST_F(FileServices, PlainNamePrefersItsExactSpellingWhenTwoExist) {
  WriteWholeFile("WLSDFKJN.DRY", "upper");
  WriteWholeFile("wlsdfkjn.dry", "lower");
  EXPECT_EQ(FirstMatchingFile("wlsdfkjn.dry"), "wlsdfkjn.dry");
  EXPECT_EQ(FirstMatchingFile("WLSDFKJN.DRY"), "WLSDFKJN.DRY");
  EXPECT_EQ(FirstMatchingFile("Wlsdfkjn.Dry"), "WLSDFKJN.DRY");
  ClearErrorCode();
  DeleteFiles("wlsdfkjn.dry");  // only the one named, not the other document
  EXPECT_EQ(ErrorCode, 0);
  EXPECT_EQ(ReadWholeFile("WLSDFKJN.DRY"), "upper");
  EXPECT_FALSE(std::filesystem::exists("wlsdfkjn.dry"));
}

TEST_F(FileServices, DeleteFilesRemovesOrdinaryMatchesOnly) {
  WriteWholeFile("one.TMP", "");
  WriteWholeFile("two.tmp", "");
  WriteWholeFile("keep.txt", "");
  WriteWholeFile(".hidden.tmp", "");
  ASSERT_EQ(mkdir("dir.tmp", 0777), 0);
  ASSERT_EQ(symlink("keep.txt", "link.tmp"), 0);
  ClearErrorCode();
  DeleteFiles("*.tmp");
  EXPECT_EQ(ErrorCode, 0);
  EXPECT_FALSE(std::filesystem::exists("one.TMP"));
  EXPECT_FALSE(std::filesystem::exists("two.tmp"));
  for (const char* kept : {"keep.txt", ".hidden.tmp", "dir.tmp", "link.tmp"})
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(kept))) << kept;
  const struct {
    const char* pattern;
    int code;
  } none[] = {{"*.tmp", 53}, {"missing.txt", 53}, {"dir.tmp", 53}, {"nofolder/*.tmp", 76}};
  for (const auto& c : none) {
    ClearErrorCode();
    DeleteFiles(c.pattern);
    EXPECT_EQ(ErrorCode, c.code) << c.pattern;
  }
  EXPECT_TRUE(std::filesystem::exists("keep.txt"));
}

TEST_F(FileServices, DeleteFilesKeepsAFileAnotherProcessHolds) {
  for (bool withLock : {false, true}) {
    WriteWholeFile("held.dry", "next receipt");
    WriteWholeFile("free.dry", "");
    FileHolder holder;
    ASSERT_TRUE(holder.Hold("held.dry", withLock));
    ClearErrorCode();
    DeleteFiles("*.dry");
    EXPECT_EQ(ErrorCode, 70) << "lock " << withLock;
    EXPECT_EQ(ReadWholeFile("held.dry"), "next receipt") << "lock " << withLock;
    EXPECT_FALSE(std::filesystem::exists("free.dry")) << "lock " << withLock;
    holder.Release();
    ClearErrorCode();
    DeleteFiles("held.dry");
    EXPECT_EQ(ErrorCode, 0) << "lock " << withLock;
    EXPECT_FALSE(std::filesystem::exists("held.dry")) << "lock " << withLock;
  }
}

TEST_F(FileServices, RenameReplacesAndMakeFolderIsIdempotent) {
  WriteWholeFile("a.new", "new");
  WriteWholeFile("a.cfg", "old");
  ClearErrorCode();
  RenameFile("a.new", "a.cfg");
  EXPECT_EQ(ErrorCode, 0);
  EXPECT_EQ(ReadWholeFile("a.cfg"), "new");
  RenameFile("a.new", "b.cfg");
  EXPECT_EQ(ErrorCode, 53);
  ClearErrorCode();
  RenameFile("a.cfg", "nofolder/a.cfg");
  EXPECT_EQ(ErrorCode, 76);

  ClearErrorCode();
  MakeFolder("spool");
  MakeFolder("spool");
  EXPECT_EQ(ErrorCode, 0);
  EXPECT_TRUE(std::filesystem::is_directory("spool"));
  MakeFolder("a.cfg");
  EXPECT_NE(ErrorCode, 0);
  ClearErrorCode();
  MakeFolder("no/such");
  EXPECT_EQ(ErrorCode, 76);
}

// Writes an executable shell script into the working folder.
void WriteScript(const std::string& name, const std::string& body) {
  WriteWholeFile(name, "#!/bin/sh\n" + body + "\n");
  ASSERT_EQ(chmod(name.c_str(), 0755), 0);
}

// Waits up to five seconds for a file to appear with content.
std::string WaitForFile(const std::string& name) {
  for (int i = 0; i < 500; ++i) {
    std::string bytes = ReadWholeFile(name);
    if (!bytes.empty()) return bytes;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return "";
}

TEST_F(FileServices, StartProgramFindsTheWorkingFolderFirstThenPath) {
  // "true" also exists along PATH; the one in the working folder must win.
  WriteScript("true", "printf '%s|%s|%s' \"$1\" \"$2\" \"$#\" > args.out");
  ClearErrorCode();
  int pid = StartProgram("true \"two words\"  plain", 1);
  EXPECT_GT(pid, 0);
  EXPECT_EQ(ErrorCode, 0);
  EXPECT_EQ(WaitForFile("args.out"), "two words|plain|2");

  EXPECT_GT(StartProgram("sh -c \"echo from-path > path.out\"", 1), 0);
  EXPECT_EQ(WaitForFile("path.out"), "from-path\n");

  WriteWholeFile("notexec", "#!/bin/sh\n");
  for (const char* missing : {"no-such-program-here", "", "   ", "notexec"}) {
    ClearErrorCode();
    EXPECT_EQ(StartProgram(missing, 1), 0) << missing;
    EXPECT_EQ(ErrorCode, 53) << missing;
  }
}

TEST_F(FileServices, EndedProgramsAreReaped) {
  WriteScript("quick", "exit 3");
  int pid = StartProgram("quick", 1);
  ASSERT_GT(pid, 0);
  // A zombie still answers kill(pid, 0); only a reaped process is gone.
  bool gone = false;
  for (int i = 0; i < 500 && !gone; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ReapStartedPrograms();
    gone = kill(pid, 0) != 0 && errno == ESRCH;
  }
  EXPECT_TRUE(gone);
}

}  // namespace
