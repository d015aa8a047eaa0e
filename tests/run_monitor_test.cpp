// Run mode's exit hook: a print job still open when the program ends through exit() is
// cancelled. Seen on the built-in printer, whose unfinished file goes with a cancelled job.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "files_test_support.h"
#include "monitor/run_monitor.h"
#include "printer_fake.h"
#include "print/print_job.h"
#include "print/text_output.h"

namespace {

// Without the hook the unfinished file stays behind, which shows the test can tell.
class ExitHookTest : public InTempFolder {};

TEST_F(ExitHookTest, AJobLeftOpenAtExitIsCancelledByRunModesExitHook) {
  for (const bool hook : {true, false}) {
    int reports[2];
    ASSERT_EQ(pipe(reports), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(reports[0]);
      setenv("CUPS_SERVER", "/nonexistent/tavrel-test/cups.sock", 1);
      UseFakePrinterDevice(false);
      if (hook) CancelOpenJobAtExit();
      if (OpenPrintJob("Print to PDF", PrintDocumentName, 80, 60, 0) != 1) _exit(3);
      PrintLine("HALF A DOCUMENT");
      if (write(reports[1], "o", 1) != 1) _exit(4);
      std::exit(0);
    }
    close(reports[1]);
    char opened = 0;
    const bool reported = read(reports[0], &opened, 1) == 1;
    close(reports[0]);
    int status = -1;
    waitpid(child, &status, 0);
    ASSERT_TRUE(reported) << "the job did not open";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    size_t left = 0;
    if (std::filesystem::exists("pdf"))
      for (const auto& entry : std::filesystem::directory_iterator("pdf")) left += entry.exists();
    EXPECT_EQ(left, hook ? 0u : 1u) << (hook ? "with the hook" : "without the hook");
    std::filesystem::remove_all("pdf");
  }
}

}  // namespace
