// Configuration file "tavrel2.cfg": exact bytes written, loading, and an old configuration
// that survives an interrupted or refused setup.
#include "config/print_settings.h"

#include <filesystem>

#include "files_test_support.h"
#include "base/error_code.h"
#include "platform/files/files.h"

namespace {

using PrintSettingsFile = InTempFolder;

void WriteSettings(const std::string& printer, const std::string& font, const std::string& size) {
  OpenSettingsForWriting();
  WriteSettingsLine(printer);
  WriteSettingsLine(font);
  WriteSettingsLine(size);
  CloseSettingsFile();
}

TEST_F(PrintSettingsFile, WritesExactBytesAndLoadsThemBack) {
  WriteSettings("Receipt", "Mono", " 10");
  EXPECT_EQ(ReadWholeFile("tavrel2.cfg"), "Receipt\r\nMono\r\n 10\r\n");
  EXPECT_FALSE(std::filesystem::exists("tavrel2.cfg.new"));
  PrintSettings settings = LoadPrintSettings();
  EXPECT_EQ(settings.PrinterName, "Receipt");
  EXPECT_EQ(settings.FontName, "Mono");
  EXPECT_EQ(settings.PointSizeText, " 10");

  // Replacing an existing configuration; awkward names come back unchanged.
  WriteSettings("Front, \"desk\" ", "Courier New", "-4");
  EXPECT_EQ(ReadWholeFile("tavrel2.cfg"), "Front, \"desk\" \r\nCourier New\r\n-4\r\n");
  settings = LoadPrintSettings();
  EXPECT_EQ(settings.PrinterName, "Front, \"desk\" ");
  EXPECT_EQ(settings.PointSizeText, "-4");
}

TEST_F(PrintSettingsFile, LoadFollowsTheLineRules) {
  const struct {
    const char* bytes;
    PrintSettings expected;
  } cases[] = {
      {"Receipt\r\nMono\r\n 10", {"Receipt", "Mono", " 10", ""}},
      {"Receipt\nMono\n 10\n", {"Receipt\nMono\n 10\n", "", "", ""}},
      {"Receipt\r\nMono\r\n", {"Receipt", "Mono", "", ""}},
      {"A\r\nB\r\nC\r\n850\r\nE\r\n", {"A", "B", "C", "850"}},
      {"A\rB\x1a\r\n 9\r\n", {"A", "B", "", ""}},
      {"", {"", "", "", ""}},
  };
  for (const auto& c : cases) {
    WriteWholeFile("tavrel2.cfg", c.bytes);
    PrintSettings settings = LoadPrintSettings();
    EXPECT_EQ(settings.PrinterName, c.expected.PrinterName) << c.bytes;
    EXPECT_EQ(settings.FontName, c.expected.FontName) << c.bytes;
    EXPECT_EQ(settings.PointSizeText, c.expected.PointSizeText) << c.bytes;
    EXPECT_EQ(settings.CodePageText, c.expected.CodePageText) << c.bytes;
  }
  // The configuration is closed again after every load.
  ClearErrorCode();
  FileOpen("tavrel2.cfg", SettingsFileNumber, FileInput);
  EXPECT_EQ(ErrorCode, 0);
  FileClose(SettingsFileNumber);
}

TEST_F(PrintSettingsFile, MissingOrHeldFileLoadsEmptyTexts) {
  PrintSettings settings = LoadPrintSettings();
  EXPECT_EQ(settings.PrinterName + settings.FontName + settings.PointSizeText, "");

  WriteWholeFile("tavrel2.cfg", "Receipt\r\nMono\r\n 10\r\n");
  FileHolder holder;
  ASSERT_TRUE(holder.Hold("tavrel2.cfg", false));
  settings = LoadPrintSettings();
  EXPECT_EQ(settings.PrinterName + settings.FontName + settings.PointSizeText, "");
}

TEST_F(PrintSettingsFile, InterruptedSetupKeepsTheOldConfiguration) {
  WriteSettings("Receipt", "Mono", " 10");
  // A setup cut off after two lines: the process ends without closing anything.
  ASSERT_TRUE(RunInChildAndVanish([] {
    OpenSettingsForWriting();
    WriteSettingsLine("Other");
    WriteSettingsLine("Sans");
  }));
  EXPECT_EQ(ReadWholeFile("tavrel2.cfg"), "Receipt\r\nMono\r\n 10\r\n");
  EXPECT_EQ(LoadPrintSettings().FontName, "Mono");

  // The leftover from the cut-off setup does not stop the next one.
  ASSERT_TRUE(std::filesystem::exists("tavrel2.cfg.new"));
  WriteSettings("Other", "Sans", " 12");
  EXPECT_EQ(ReadWholeFile("tavrel2.cfg"), "Other\r\nSans\r\n 12\r\n");
  EXPECT_FALSE(std::filesystem::exists("tavrel2.cfg.new"));
}

TEST_F(PrintSettingsFile, NothingIsWrittenWhileAnotherProcessHoldsTheFiles) {
  for (const char* heldName : {"tavrel2.cfg", "tavrel2.cfg.new"}) {
    WriteWholeFile("tavrel2.cfg", "Receipt\r\nMono\r\n 10\r\n");
    WriteWholeFile("tavrel2.cfg.new", "");
    for (bool withLock : {false, true}) {
      FileHolder holder;
      ASSERT_TRUE(holder.Hold(heldName, withLock));
      WriteSettings("Other", "Sans", " 12");
      holder.Release();
      EXPECT_EQ(ReadWholeFile("tavrel2.cfg"), "Receipt\r\nMono\r\n 10\r\n") << heldName;
    }
  }
  // Nothing stays open: the next setup writes normally.
  WriteSettings("Other", "Sans", " 12");
  EXPECT_EQ(ReadWholeFile("tavrel2.cfg"), "Other\r\nSans\r\n 12\r\n");
}

TEST_F(PrintSettingsFile, FailedWriteRemovesTheNewFileAndKeepsTheOld) {
  WriteWholeFile("tavrel2.cfg", "Receipt\r\nMono\r\n 10\r\n");
  OpenSettingsForWriting();
  WriteSettingsLine("Other");
  // The new file's number is taken away behind the writer's back, so the next write fails.
  FileClose(SettingsFileNumber);
  WriteSettingsLine("Sans");
  WriteSettingsLine(" 12");
  CloseSettingsFile();
  EXPECT_NE(ErrorCode, 0);
  EXPECT_EQ(ReadWholeFile("tavrel2.cfg"), "Receipt\r\nMono\r\n 10\r\n");
  EXPECT_FALSE(std::filesystem::exists("tavrel2.cfg.new"));
}

}  // namespace
