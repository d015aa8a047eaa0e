// Run mode's handling of one capture file, on the recording printer: printed and deleted
// when the document reached the spooler, kept in unprinted/ when it did not.

#include "monitor/capture_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fake_printer_fixture.h"
#include "platform/files/file_watch.h"
#include "print/discovery.h"

namespace {

class CaptureFileTest : public OnFakePrinterInTempFolder {
 protected:
  void SetUp() override {
    OnFakePrinterInTempFolder::SetUp();
    CreateNameLists();
  }
  void TearDown() override {
    StopWatchingWorkingFolder();  // run mode watches the folder it runs in
    OnFakePrinterInTempFolder::TearDown();
  }
  std::vector<std::string> Unprinted() {
    std::vector<std::string> names;
    if (!std::filesystem::exists(UnprintedFolder)) return names;
    for (const auto& entry : std::filesystem::directory_iterator(UnprintedFolder))
      names.push_back(entry.path().filename().string());
    return names;
  }
  const PrintSettings settings_{"Fake Printer", "Fake Mono", " 10", ""};
};

TEST_F(CaptureFileTest, PrintedDocumentIsDeleted) {
  WriteWholeFile("wlsdfkjn.dry", "ONE\r\n\r\nTWO\r\nTHREE");
  HandleCaptureFile(settings_);
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"ONE", "TWO", "THREE"}));
  EXPECT_FALSE(std::filesystem::exists("wlsdfkjn.dry"));
  EXPECT_TRUE(Unprinted().empty());
}

TEST_F(CaptureFileTest, DocumentThatDidNotReachTheSpoolerIsKept) {
  const struct {
    const char* why;
    PrintSettings settings;
    bool failStartDoc;
    int failStartPageAt;
  } cases[] = {
      {"printer not installed", {"Gone Printer", "Fake Mono", " 10", ""}, false, 0},
      {"job refused at its start", {"Fake Printer", "Fake Mono", " 10", ""}, true, 0},
      {"second page failed", {"Fake Printer", "Fake Mono", " 10", ""}, false, 2},
      {"point size cannot fit the page", {"Fake Printer", "Fake Mono", " 32767", ""}, false, 0},
      {"negative point size cannot fit", {"Fake Printer", "Fake Mono", "-32768", ""}, false, 0},
  };
  std::string document;
  for (int i = 0; i < 200; i++) document += "KEEP ME\r\n";
  for (const auto& c : cases) {
    std::filesystem::remove_all(UnprintedFolder);
    UseFakePrinterDevice(true);
    FakePrinter().failStartDoc = c.failStartDoc;
    FakePrinter().failStartPageAt = c.failStartPageAt;
    WriteWholeFile("WLSDFKJN.DRY", document);
    HandleCaptureFile(c.settings);
    EXPECT_FALSE(std::filesystem::exists("WLSDFKJN.DRY")) << c.why;
    std::vector<std::string> kept = Unprinted();
    ASSERT_EQ(kept.size(), 1u) << c.why;
    EXPECT_TRUE(kept[0].starts_with("WLSDFKJN-") && kept[0].ends_with(".DRY")) << kept[0];
    EXPECT_EQ(ReadWholeFile(UnprintedFolder + "/" + kept[0]), document) << c.why;
    // Nothing of a kept document went to the printer: no document was ended.
    for (const std::string& call : FakePrinter().calls) EXPECT_NE(call, "EndDoc") << c.why;
  }
}

TEST_F(CaptureFileTest, KeptDocumentsNeverOverwriteEachOther) {
  for (int i = 0; i < 3; i++) {
    WriteWholeFile("WLSDFKJN.DRY", "DOC " + std::to_string(i));
    HandleCaptureFile({"Gone Printer", "Fake Mono", " 10", ""});
  }
  EXPECT_EQ(Unprinted().size(), 3u);
}

TEST_F(CaptureFileTest, ZeroSizeFileIsDeletedWithoutAJob) {
  WriteWholeFile("WLSDFKJN.DRY", "");
  HandleCaptureFile(settings_);
  EXPECT_FALSE(std::filesystem::exists("WLSDFKJN.DRY"));
  EXPECT_EQ(FakePrinter().pagesStarted, 0);
}

TEST_F(CaptureFileTest, FileHeldByItsWriterIsLeftForTheNextPass) {
  WriteWholeFile("WLSDFKJN.DRY", "STILL WRITING\r\n");
  FileHolder writer;
  ASSERT_TRUE(writer.Hold("WLSDFKJN.DRY", false));
  HandleCaptureFile(settings_);
  EXPECT_TRUE(std::filesystem::exists("WLSDFKJN.DRY"));
  EXPECT_EQ(FakePrinter().pagesStarted, 0);
  writer.Release();
  HandleCaptureFile(settings_);
  EXPECT_FALSE(std::filesystem::exists("WLSDFKJN.DRY"));
  EXPECT_EQ(DrawnTexts(), (std::vector<std::string>{"STILL WRITING"}));
}

}  // namespace
