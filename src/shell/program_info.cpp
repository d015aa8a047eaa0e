// The technician's questions to the program: its usage and its version, answered on standard
// output without touching the folder, the terminal or a printer.

#include "shell/program_info.h"

#include <cstdio>

#include "shell/program_version.h"

// ChooseProgramInfo() - The question in a command tail. The shop's options are matched loosely
// (any case, anywhere in the tail), so these are matched strictly: a tail that merely contains
// "-h" or "-V" somewhere, or holds more than one word, is run as it always was.
ProgramInfo ChooseProgramInfo(const std::string& commandTail) {
  if (commandTail == "--help" || commandTail == "-h") return ProgramInfo::Help;
  if (commandTail == "--version" || commandTail == "-V") return ProgramInfo::Version;
  return ProgramInfo::None;
}

// ProgramInfoText() - The usage, within 80 columns, or the version line.
std::string ProgramInfoText(ProgramInfo info) {
  switch (info) {
    case ProgramInfo::None:
      return std::string();
    case ProgramInfo::Version:
      return std::string("tavrel ") + ProgramVersion + "\n";
    case ProgramInfo::Help:
      return "Usage: tavrel [OPTION]\n"
             "Prints each document a point-of-sale program writes into WLSDFKJN.DRY in the\n"
             "current folder, on a CUPS printer or as a PDF file, then deletes it.\n"
             "\n"
             "One option, in any letter case, found anywhere on the command line:\n"
             "  -RUN        run mode: print each capture file as it comes (also no option)\n"
             "  -SETUP      choose the printer, the fixed-pitch font and the point size\n"
             "  -TEST       print a test page on the configured printer\n"
             "  -LIST       list the printers (CUPS destinations, then Print to PDF)\n"
             "  -MENU       the console menu\n"
             "  -POSPRINT   print WLSDFKJN.DRY once, without deleting it\n"
             "Alone on the command line, exactly as written:\n"
             "  -h, --help     show this help and exit\n"
             "  -V, --version  show the version and exit\n"
             "\n"
             "Keys in run mode: P starts POS.EXE, T prints a test page, S reruns setup,\n"
             "X leaves run mode.\n"
             "\n"
             "Files in the current folder: tavrel2.cfg (settings), tavrel.log, tavrel.lock,\n"
             "WLSDFKJN.DRY (the document), unprinted/ (documents kept), pdf/ (Print to PDF).\n"
             "The printers are those of the default CUPS server; CUPS_SERVER names another.\n"
             "Exit status 0; with -h or -V, 1 when standard output could not be written.\n"
             "\n"
             "Full documentation: man tavrel\n";
  }
  return std::string();
}

// WriteProgramInfo() - Writes the answer and flushes it, so a full disk or a closed pipe is
// known before the exit status is chosen.
bool WriteProgramInfo(ProgramInfo info) {
  const std::string text = ProgramInfoText(info);
  const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
  return std::fflush(stdout) == 0 && written;
}
