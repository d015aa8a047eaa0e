// Test support for work on the built-in "Print to PDF" printer with no CUPS scheduler
// answering: a fresh working folder per test and the output of the PDF tools.
#pragma once

#include <cups/cups.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "files_test_support.h"
#include "printer_fake.h"
#include "print/print_job.h"

// Standard output of a shell command.
inline std::string CommandOutput(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  pclose(pipe);
  return output;
}

// Runs each test on the real printer layer in a fresh working folder, where the built-in
// printer writes its pdf/ folder.
class OnPdfPrinter : public InTempFolder {
 protected:
  // No scheduler: libcups is pointed at a socket that does not exist.
  static void SetUpTestSuite() {
    setenv("CUPS_SERVER", "/nonexistent/tavrel-test/cups.sock", 1);
    cupsSetServer(nullptr);
  }
  void SetUp() override {
    InTempFolder::SetUp();
    UseFakePrinterDevice(false);
    PrintJob = PrintJobRecord{};
  }
  void TearDown() override {
    EndPrintJob();
    InTempFolder::TearDown();
  }
};
