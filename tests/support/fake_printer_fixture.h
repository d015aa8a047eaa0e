// Test support for work on the recording printer: a fresh fake and print job per test, its
// recorded calls and drawings, and the console and standard output of an action.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "files_test_support.h"
#include "platform/console/console.h"
#include "printer_fake.h"
#include "print/discovery.h"
#include "print/print_job.h"

// Turns the fake on with its defaults and forgets any print job and name lists left behind.
inline void StartOnFakePrinter() {
  UseFakePrinterDevice(true);
  PrintJob = PrintJobRecord{};
  PrinterNames.clear();
  FontNames.clear();
  PrinterCount = 0;
  FontCount = 0;
}

// Ends a job still open and turns the fake off.
inline void StopOnFakePrinter() {
  EndPrintJob();
  UseFakePrinterDevice(false);
}

// Runs each test on a fresh recording printer.
class OnFakePrinter : public ::testing::Test {
 protected:
  void SetUp() override { StartOnFakePrinter(); }
  void TearDown() override { StopOnFakePrinter(); }
};

// Runs each test on a fresh recording printer in a fresh working folder.
class OnFakePrinterInTempFolder : public InTempFolder {
 protected:
  void SetUp() override {
    InTempFolder::SetUp();
    StartOnFakePrinter();
  }
  void TearDown() override {
    StopOnFakePrinter();
    InTempFolder::TearDown();
  }
};

// How often the fake recorded exactly this call.
inline int CountCalls(const std::string& call) {
  const auto& calls = FakePrinter().calls;
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

// True when the fake recorded a call starting with the prefix.
inline bool HasCallStarting(const std::string& prefix) {
  for (const auto& call : FakePrinter().calls)
    if (call.rfind(prefix, 0) == 0) return true;
  return false;
}

// The texts drawn on the fake, in order.
inline std::vector<std::string> DrawnTexts() {
  std::vector<std::string> texts;
  for (const FakeTextDraw& draw : FakePrinter().draws) texts.push_back(draw.text);
  return texts;
}

// The console text of an action (console lines go to standard error without a terminal),
// starting at column 1.
template <typename Action>
std::string ConsoleOf(Action action) {
  ConsoleNewLine();
  ConsoleFlush();
  ::testing::internal::CaptureStderr();
  action();
  ConsoleFlush();
  return ::testing::internal::GetCapturedStderr();
}

// The bytes an action writes to standard output.
template <typename Action>
std::string StdOutOf(Action action) {
  fflush(stdout);
  ::testing::internal::CaptureStdout();
  action();
  fflush(stdout);
  return ::testing::internal::GetCapturedStdout();
}

// A font description with a face and a height.
inline LOGFONTA Font(const char* face, int height) {
  LOGFONTA font;
  strncpy(font.lfFaceName, face, sizeof font.lfFaceName - 1);
  font.lfHeight = height;
  return font;
}

// Collects the enumerated faces; stops after `limit` faces when limit is positive.
struct FaceList {
  std::vector<std::string> names;
  size_t limit = 0;
};

// The face callback that fills a FaceList passed as the value.
inline int CALLBACK CollectFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM value) {
  auto* list = reinterpret_cast<FaceList*>(value);
  list->names.push_back(font->lfFaceName);
  return list->limit && list->names.size() >= list->limit ? 0 : 1;
}
