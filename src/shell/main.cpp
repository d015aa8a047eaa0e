// Program entry: console, name lists, banner, one action chosen from the command tail.

#include "platform/console/console.h"
#include "print/discovery.h"
#include "shell/dispatch.h"
#include "platform/process/command_line.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  ConsoleStart();
  CreateNameLists();
  PrintBanner();
  RunAction(ChooseAction(CommandTail()));
  ConsoleStop();
  // The shop's scripts rely on a clean exit whatever the action reported on the console.
  return 0;
}
