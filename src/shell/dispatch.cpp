// Program entry: the banner and the dispatch from the command tail to one action.

#include "shell/dispatch.h"

#include <utility>

#include "config/configured_printing.h"
#include "config/printer_lists.h"
#include "config/setup_wizard.h"
#include "monitor/run_monitor.h"
#include "platform/console/console.h"
#include "shell/console_menu.h"
#include "shell/pos_print.h"
#include "shell/program_version.h"
#include "base/text_rules.h"

// The options in the order they are tried; the first found anywhere in the tail wins.
static const std::pair<const char*, ShellAction> ShellOptions[] = {
    {"-TEST", ShellAction::Test}, {"-SETUP", ShellAction::Setup},
    {"-LIST", ShellAction::List}, {"-RUN", ShellAction::Run},
    {"-MENU", ShellAction::Menu}, {"-POSPRINT", ShellAction::PosPrint},
};

// ChooseAction() - The action for a command tail: an upper-cased substring search, run mode
// when no option is found.
ShellAction ChooseAction(const std::string& commandTail) {
  std::string upper = UpperCase(commandTail);
  for (const auto& [option, action] : ShellOptions)
    if (FindText(1, upper, option) > 0) return action;
  return ShellAction::Run;
}

// PrintBanner() - The three start-up lines.
void PrintBanner() {
  ConsolePrint(std::string("Tavrel console release version ") + ProgramVersion);
  ConsoleNewLine();
  ConsolePrint("Copyright (C) 2026 the Tavrel developers");
  ConsoleNewLine();
  ConsolePrint("Support and updates: https://tavrel.org/support");
  ConsoleNewLine();
}

// ShowMainMenu() - The console main menu; it reports no choice, so the same line follows.
static void ShowMainMenu() {
  const std::vector<std::string> items = {"", "Change Printer", "Change Font", "Exit"};
  ShowMenu("Main Menu", "Highlight an option and press enter to continue", items, 1, 3);
  ConsolePrint("ok done");
  ConsoleNewLine();
}

// RunAction() - Runs the chosen action to its end.
void RunAction(ShellAction action) {
  switch (action) {
    case ShellAction::Test:
      PrintTestPage();
      break;
    case ShellAction::Setup:
      RunSetup();
      break;
    case ShellAction::List:
      ListPrinters("");
      break;
    case ShellAction::Run:
      RunMonitor();
      break;
    case ShellAction::Menu:
      ShowMainMenu();
      break;
    case ShellAction::PosPrint:
      PrintCaptureFileOnce();
      break;
  }
}
