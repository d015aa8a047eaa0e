// The file and process services as every platform must give them: line rules, open modes and
// their codes, search and deletion, names and folders, identities, and what a second process
// sees of a file or of the folder lock that this one holds. Written with the standard library
// only, so the same tests check the Linux layer and, built for Windows, the Windows layer.
// The second process is this test program, started by StartProgram to run one disabled test.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/error_code.h"
#include "platform/files/file_exists.h"
#include "platform/files/file_watch.h"
#include "platform/files/files.h"
#include "platform/files/folder_lock.h"
#include "platform/files/shared_append.h"
#include "platform/process/start_program.h"

namespace fs = std::filesystem;

namespace {

constexpr int TestNumber = 7;
constexpr int OtherNumber = 8;

void WriteBytes(const std::string& name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Waits up to 30 seconds (a second process under Wine starts slowly) for a condition.
template <typename Condition>
bool WaitFor(Condition condition) {
  for (int i = 0; i < 300; i++) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// The path of this test program, made absolute before the tests change folder.
const std::string& TestProgram() {
  static const std::string path = fs::absolute(testing::internal::GetArgvs().at(0)).string();
  return path;
}

// Runs each test in a fresh folder made the working directory, removed afterwards.
class PortableFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    TestProgram();
    saved_ = fs::current_path();
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("tavrel_portable_" + std::to_string(random()));
    fs::create_directory(folder_);
    fs::current_path(folder_);
    ClearErrorCode();
  }
  void TearDown() override {
    FileClose(TestNumber);
    FileClose(OtherNumber);
    ReleaseFolderLock();
    StopWatchingWorkingFolder();
    fs::current_path(saved_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // Starts this program again in the working folder, to do `task` (see the disabled test
  // below); returns its process id once it says it is ready. `program` names it on the
  // command line: by default its whole path, quoted.
  int StartSecondProcess(const std::string& task, std::string program = "") {
    if (program.empty()) program = "\"" + TestProgram() + "\"";
    WriteBytes("task.txt", task);
    const int pid =
        StartProgram(program +
                         " --gtest_also_run_disabled_tests"
                         " --gtest_filter=SecondProcess.DISABLED_DoesTheTaskOfItsFolder",
                     1);
    EXPECT_NE(pid, 0) << "error " << ErrorCode;
    EXPECT_TRUE(WaitFor([] { return fs::exists("ready.txt"); })) << "the second process never came";
    return pid;
  }
  // Tells the second process to end, and waits until it has.
  void EndSecondProcess() {
    WriteBytes("release.txt", "");
    EXPECT_TRUE(WaitFor([] { return fs::exists("ended.txt"); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // past its exit
    ReapStartedPrograms();
  }

  fs::path saved_;
  fs::path folder_;
};

// Every line of an input file until the read past the end, which must give "" and 62.
std::vector<std::string> AllLines(const std::string& name) {
  std::vector<std::string> lines;
  ClearErrorCode();
  FileOpen(name, TestNumber, FileInput);
  EXPECT_EQ(ErrorCode, 0) << ErrorCause;
  for (int guard = 0; guard < 100; ++guard) {
    ClearErrorCode();
    std::string line = FileLineInput(TestNumber);
    if (ErrorCode == InputPastEndCode) {
      EXPECT_EQ(line, "");
      EXPECT_TRUE(FileAtEnd(TestNumber));
      break;
    }
    EXPECT_EQ(ErrorCode, 0);
    lines.push_back(line);
  }
  FileClose(TestNumber);
  return lines;
}

TEST_F(PortableFiles, LinesEndAtCrOrCrLfEvenAcrossTheReadBufferAndDataEndsAt1Ah) {
  const std::string longLine(127, 'a');
  const struct {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"one\r\ntwo\rthree", {"one", "two", "three"}},
      {"lf\nstays\n", {"lf\nstays\n"}},
      {longLine + "\r\nnext\r\n", {longLine, "next"}},  // CR ends one buffer, LF opens the next
      {"kept\r\n\x1a"
       "dropped\r\n",
       {"kept"}},
      {"\r\n\r\n", {"", ""}},
      {"", {}},
  };
  for (const auto& c : cases) {
    WriteBytes("lines.txt", c.bytes);
    EXPECT_EQ(AllLines("lines.txt"), c.lines) << "bytes: " << c.bytes;
  }
}

TEST_F(PortableFiles, ModesEmptyKeepOrCreateAndWriteCrLfAndZones) {
  WriteBytes("out.txt", "old content");
  FileOpen("out.txt", TestNumber, FileOutput);
  FilePrint(TestNumber, "0123456789");
  FilePrintZone(TestNumber);
  FilePrint(TestNumber, "x");
  FileNewLine(TestNumber);
  EXPECT_EQ(FileSize(TestNumber), 17);
  FileClose(TestNumber);
  EXPECT_EQ(ReadBytes("out.txt"), "0123456789    x\r\n");

  FileOpen("out.txt", TestNumber, FileAppend);
  FilePrint(TestNumber, "more");
  FileClose(TestNumber);
  FileOpen("new.txt", TestNumber, FileAppend);
  FilePrint(TestNumber, "fresh");
  FileClose(TestNumber);
  EXPECT_EQ(ErrorCode, 0) << ErrorCause;
  EXPECT_EQ(ReadBytes("out.txt"), "0123456789    x\r\nmore");
  EXPECT_EQ(ReadBytes("new.txt"), "fresh");
}

TEST_F(PortableFiles, FailedOpensAndWrongUsesLeaveTheirCodes) {
  fs::create_directory("folder");
  WriteBytes("there.txt", "x");
  const struct {
    std::string name;
    int number;
    FileMode mode;
    int code;
  } cases[] = {
      {"missing.txt", TestNumber, FileInput, FileNotFoundCode},
      {"nofolder/missing.txt", TestNumber, FileInput, PathNotFoundCode},
      {"nofolder/new.txt", TestNumber, FileOutput, PathNotFoundCode},
      {"folder", TestNumber, FileInput, NotOrdinaryFileCode},
      {"folder", TestNumber, FileAppend, NotOrdinaryFileCode},
      {"there.txt", 0, FileInput, BadFileNumberCode},
      {"there.txt", 32768, FileInput, BadFileNumberCode},
  };
  for (const auto& c : cases) {
    ClearErrorCode();
    FileOpen(c.name, c.number, c.mode);
    EXPECT_EQ(ErrorCode, c.code) << c.name;
    FileClose(c.number);
  }

  FileOpen("there.txt", TestNumber, FileInput);
  ClearErrorCode();
  FileOpen("new.txt", TestNumber, FileOutput);
  EXPECT_EQ(ErrorCode, FileAlreadyOpenCode);
  ClearErrorCode();
  FilePrint(TestNumber, "no");
  EXPECT_EQ(ErrorCode, BadFileModeCode);
  FileOpen("out.txt", OtherNumber, FileOutput);
  ClearErrorCode();
  EXPECT_EQ(FileLineInput(OtherNumber), "");
  EXPECT_EQ(ErrorCode, BadFileModeCode);
  ClearErrorCode();
  FileLineInput(99);
  EXPECT_EQ(ErrorCode, BadFileNumberCode);
}

// A file held by a second open is refused and kept, as the capture file is while its writer
// still has it; the same holds for a second open in this process.
TEST_F(PortableFiles, AFileOpenHereCannotBeOpenedOrDeletedAgain) {
  WriteBytes("held.txt", "text");
  FileOpen("held.txt", TestNumber, FileInput);
  ASSERT_EQ(ErrorCode, 0) << ErrorCause;
  FileOpen("held.txt", OtherNumber, FileInput);
  EXPECT_EQ(ErrorCode, HeldOrDeniedCode);
  EXPECT_EQ(ErrorCause, HeldElsewhereCause);
  ClearErrorCode();
  DeleteFiles("held.txt");
  EXPECT_EQ(ErrorCode, HeldOrDeniedCode);
  EXPECT_TRUE(fs::exists("held.txt"));
  FileClose(TestNumber);
  ClearErrorCode();
  DeleteFiles("held.txt");
  EXPECT_EQ(ErrorCode, 0) << ErrorCause;
  EXPECT_FALSE(fs::exists("held.txt"));
}

// Run mode holds its log open for append; a second run mode still adds its line of refusal,
// whole, but cannot open the log as a file of its own.
TEST_F(PortableFiles, ALineIsAppendedToALogHeldOpenForAppendWhichStaysOtherwiseExclusive) {
  FileOpen("tavrel.log", TestNumber, FileAppend);
  FilePrint(TestNumber, "first\r\n");
  EXPECT_TRUE(AppendWithoutLock("tavrel.log", "refused\r\n"));
  FilePrint(TestNumber, "last\r\n");
  for (FileMode mode : {FileInput, FileOutput, FileAppend}) {
    ClearErrorCode();
    FileOpen("tavrel.log", OtherNumber, mode);
    EXPECT_EQ(ErrorCode, HeldOrDeniedCode) << "mode " << mode;
    FileClose(OtherNumber);
  }
  FileClose(TestNumber);
  EXPECT_EQ(ReadBytes("tavrel.log"), "first\r\nrefused\r\nlast\r\n");

  fs::create_directory("folder");
  EXPECT_FALSE(AppendWithoutLock("folder", "x"));
}

TEST_F(PortableFiles, ASecondProcessWritingAFileKeepsItFromBeingOpenedOrDeleted) {
  StartSecondProcess("hold capture.dry");
  ClearErrorCode();
  FileOpen("capture.dry", TestNumber, FileInput);
  EXPECT_EQ(ErrorCode, HeldOrDeniedCode);
  EXPECT_EQ(ErrorCause, HeldElsewhereCause);
  ClearErrorCode();
  DeleteFiles("*.DRY");
  EXPECT_EQ(ErrorCode, HeldOrDeniedCode);
  EXPECT_TRUE(fs::exists("capture.dry"));
  EndSecondProcess();
  ClearErrorCode();
  EXPECT_EQ(AllLines("capture.dry"), std::vector<std::string>{"written by the holder"});
  ClearErrorCode();
  DeleteFiles("*.DRY");
  EXPECT_EQ(ErrorCode, 0) << ErrorCause;
  EXPECT_FALSE(fs::exists("capture.dry"));
}

// The holder is started by its bare name, found in the working folder (".exe" added on
// Windows), so the search of StartProgram is tested on the way.
TEST_F(PortableFiles, ASecondProcessLearnsWhoHoldsTheFolderLockAndGetsItOnceTheHolderEnds) {
  const std::string copy = "second" + fs::path(TestProgram()).extension().string();
  fs::copy_file(TestProgram(), copy);
  const int holder = StartSecondProcess("lock", "second");
  FolderLockResult lock = TakeFolderLock("tavrel.lock");
  EXPECT_EQ(lock.state, FolderLockState::HeldElsewhere);
  EXPECT_EQ(lock.holderProcess, holder);
  EXPECT_EQ(std::atoi(ReadBytes("tavrel.lock").c_str()), holder);
  EndSecondProcess();
  EXPECT_TRUE(
      WaitFor([] { return TakeFolderLock("tavrel.lock").state == FolderLockState::Taken; }));
  ReleaseFolderLock();
  EXPECT_EQ(ReadBytes("tavrel.lock"), "");
  EXPECT_EQ(TakeFolderLock("tavrel.lock").state, FolderLockState::Taken);
}

TEST_F(PortableFiles, TheFolderLockIsNeverTakenThroughAFolder) {
  fs::create_directory("tavrel.lock");
  const FolderLockResult lock = TakeFolderLock("tavrel.lock");
  EXPECT_EQ(lock.state, FolderLockState::Failed);
  EXPECT_EQ(lock.errorCode, NotOrdinaryFileCode);
}

TEST_F(PortableFiles, SearchMatchesLongNamesOfOrdinaryFilesOnlyCaseIgnored) {
  fs::create_directory("sub");
  fs::create_directory("dir.dry");
  for (const char* name : {"b.dry", "A.TXT", "README", "notes.dryrun", "sub/inner.txt"})
    WriteBytes(name, "x");
  const struct {
    std::string pattern;
    std::string first;
  } cases[] = {
      {"*.DRY", "b.dry"},
      {"B.DRY", "b.dry"},
      {"readme.*", "README"},
      {"*.*", "A.TXT"},
      {"?.txt", "A.TXT"},
      {"dir.dry", ""},
      {"*.dr", ""},
      {"sub/", "inner.txt"},
      {"sub/I*", "inner.txt"},
      {"nofolder/*.*", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    ErrorCode = 99;
    EXPECT_EQ(FirstMatchingFile(c.pattern), c.first) << c.pattern;
    EXPECT_EQ(ErrorCode, 0);
  }
}

TEST_F(PortableFiles, DeleteFilesRemovesMatchingOrdinaryFilesOnly) {
  for (const char* name : {"one.dry", "TWO.DRY", "keep.txt", "keep.dryrun"}) WriteBytes(name, "x");
  fs::create_directory("dir.dry");
  DeleteFiles("*.dry");
  EXPECT_EQ(ErrorCode, 0) << ErrorCause;
  EXPECT_FALSE(fs::exists("one.dry"));
  EXPECT_FALSE(fs::exists("TWO.DRY"));
  EXPECT_TRUE(fs::exists("keep.txt"));
  EXPECT_TRUE(fs::exists("keep.dryrun"));
  EXPECT_TRUE(fs::is_directory("dir.dry"));
  const struct {
    std::string pattern;
    int code;
  } failures[] = {{"*.dry", FileNotFoundCode},
                  {"none.txt", FileNotFoundCode},
                  {"nofolder/x.txt", PathNotFoundCode}};
  for (const auto& f : failures) {
    ClearErrorCode();
    DeleteFiles(f.pattern);
    EXPECT_EQ(ErrorCode, f.code) << f.pattern;
  }
}

TEST_F(PortableFiles, RenameReplacesButMovingIntoAFolderNeverDoes) {
  WriteBytes("new.cfg", "new");
  WriteBytes("tavrel2.cfg", "old");
  RenameFile("new.cfg", "tavrel2.cfg");
  EXPECT_EQ(ErrorCode, 0) << ErrorCause;
  EXPECT_EQ(ReadBytes("tavrel2.cfg"), "new");
  RenameFile("missing.cfg", "other.cfg");
  EXPECT_EQ(ErrorCode, FileNotFoundCode);

  WriteBytes("doc.dry", "first");
  ClearErrorCode();
  MoveIntoFolder("doc.dry", "unprinted", "kept.dry");  // the folder is made on the way
  EXPECT_EQ(ErrorCode, 0) << ErrorCause;
  EXPECT_EQ(ReadBytes("unprinted/kept.dry"), "first");
  WriteBytes("doc.dry", "second");
  MoveIntoFolder("doc.dry", "unprinted", "kept.dry");
  EXPECT_EQ(ErrorCode, NameTakenCode);
  EXPECT_EQ(ReadBytes("unprinted/kept.dry"), "first");
  EXPECT_EQ(ReadBytes("doc.dry"), "second");

  WriteBytes("afile", "");
  ClearErrorCode();
  MoveIntoFolder("doc.dry", "afile", "kept.dry");
  EXPECT_EQ(ErrorCode, NotOrdinaryFileCode);
  EXPECT_TRUE(fs::exists("doc.dry"));
  ClearErrorCode();
  MakeFolder("afile");
  EXPECT_EQ(ErrorCode, NotOrdinaryFileCode);
  ClearErrorCode();
  MakeFolder("unprinted");
  EXPECT_EQ(ErrorCode, 0);
  ClearErrorCode();
  MakeFolder("nofolder/sub");
  EXPECT_EQ(ErrorCode, PathNotFoundCode);
}

// The first two fields of an identity name the file, the rest its version.
std::string FilePart(const std::string& identity) {
  return identity.substr(0, identity.find(':', identity.find(':') + 1));
}

TEST_F(PortableFiles, IdentityTellsVersionsAndFilesApart) {
  fs::create_directory("folder");
  EXPECT_EQ(FileIdentity("folder"), "");
  EXPECT_EQ(FileIdentity("missing"), "");
  EXPECT_FALSE(OrdinaryFileExists("folder"));
  EXPECT_FALSE(OrdinaryFileExists("missing"));

  WriteBytes("doc.dry", "one");
  EXPECT_TRUE(OrdinaryFileExists("doc.dry"));
  const std::string first = FileIdentity("doc.dry");
  ASSERT_NE(first, "");
  FileOpen("doc.dry", TestNumber, FileInput);
  EXPECT_EQ(OpenFileIdentity(TestNumber), first);
  FileClose(TestNumber);

  FileOpen("doc.dry", TestNumber, FileAppend);
  FilePrint(TestNumber, "more");
  FileClose(TestNumber);
  const std::string grown = FileIdentity("doc.dry");
  EXPECT_NE(grown, first);
  EXPECT_EQ(FilePart(grown), FilePart(first));

  WriteBytes("other.dry", "one");
  RenameFile("other.dry", "doc.dry");  // another file under the name
  EXPECT_NE(FilePart(FileIdentity("doc.dry")), FilePart(first));
}

TEST_F(PortableFiles, ChangeCountGrowsWithEveryChangeAndOnlyThen) {
  WriteBytes("doc.dry", "one");
  WatchWorkingFolder();
  const uint64_t before = FileChangeCount("doc.dry");
  EXPECT_EQ(FileChangeCount("doc.dry"), before);
  FileOpen("doc.dry", TestNumber, FileAppend);
  FilePrint(TestNumber, "two");
  FileClose(TestNumber);
  const uint64_t after = FileChangeCount("doc.dry");
  EXPECT_GT(after, before);
  EXPECT_EQ(FileChangeCount("doc.dry"), after);
}

TEST_F(PortableFiles, StartingAMissingProgramFailsWith53) {
  ClearErrorCode();
  EXPECT_EQ(StartProgram("no-such-program-anywhere --option", 1), 0);
  EXPECT_EQ(ErrorCode, FileNotFoundCode);
}

// The second process of the tests above: it does what task.txt of its working folder says,
// writes ready.txt, waits for release.txt, writes ended.txt and ends. "hold NAME": holds NAME
// open for output with a line written, and closes it before it ends; "lock": holds the folder
// lock, which only the end of the process gives up.
TEST(SecondProcess, DISABLED_DoesTheTaskOfItsFolder) {
  std::istringstream task(ReadBytes("task.txt"));
  std::string what, name;
  task >> what >> name;
  if (what == "hold") {
    FileOpen(name, TestNumber, FileOutput);
    FilePrint(TestNumber, "written by the holder");
    FileNewLine(TestNumber);
  } else if (what == "lock") {
    ASSERT_EQ(TakeFolderLock("tavrel.lock").state, FolderLockState::Taken);
  }
  ASSERT_EQ(ErrorCode, 0) << ErrorCause;
  WriteBytes("ready.txt", "");
  WaitFor([] { return fs::exists("release.txt"); });
  FileClose(TestNumber);
  WriteBytes("ended.txt", "");
}

}  // namespace
