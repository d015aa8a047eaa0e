// Program entry: banner and the choice of one action from the command tail.
#pragma once

#include <string>

enum class ShellAction { Test, Setup, List, Run, Menu, PosPrint };

// The first option found (upper-cased substring, in the fixed order) wins; none means Run.
ShellAction ChooseAction(const std::string& commandTail);

void PrintBanner();
void RunAction(ShellAction action);
