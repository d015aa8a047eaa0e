// Program entry: console, name lists, banner, one action chosen from the command tail; or,
// for --help and --version alone, only the answer on standard output.

#include "platform/console/console.h"
#include "print/discovery.h"
#include "shell/dispatch.h"
#include "platform/process/command_line.h"
#include "shell/program_info.h"

int main(int argc, char** argv) {
  SetCommandLine(argc, argv);
  // Asked for its usage or version, the program answers before the console is taken over
  // and before anything in the folder or at the printer is touched.
  const ProgramInfo info = ChooseProgramInfo(CommandTail());
  if (info != ProgramInfo::None) return WriteProgramInfo(info) ? 0 : 1;
  ConsoleStart();
  CreateNameLists();
  PrintBanner();
  RunAction(ChooseAction(CommandTail()));
  ConsoleStop();
  // The shop's scripts rely on a clean exit whatever the action reported on the console.
  return 0;
}
