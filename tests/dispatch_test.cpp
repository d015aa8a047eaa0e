// The choice of action from the command tail.

#include "shell/dispatch.h"
#include "platform/process/command_line.h"

#include <gtest/gtest.h>

TEST(ChooseAction, FirstOptionInFixedOrderWins) {
  const struct {
    const char* tail;
    ShellAction action;
  } cases[] = {
      {"", ShellAction::Run},
      {"hello", ShellAction::Run},
      {"-setup", ShellAction::Setup},
      {"x-SETUPy", ShellAction::Setup},
      {"-SETUP2", ShellAction::Setup},
      {"-RUN -TEST", ShellAction::Test},
      {"-list", ShellAction::List},
      {"-Run", ShellAction::Run},
      {"-menu", ShellAction::Menu},
      {"-pospRINT", ShellAction::PosPrint},
      {"-POSPRINT -MENU", ShellAction::Menu},
      {"-LIST -SETUP", ShellAction::Setup},
      {"-TES T", ShellAction::Run},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseAction(c.tail), c.action) << c.tail;
}

TEST(ChooseAction, ProgramPathIsNotSearched) {
  EXPECT_EQ(ChooseAction(CommandTailOf("/opt/x-run/tavrel -MENU")), ShellAction::Menu);
  EXPECT_EQ(ChooseAction(CommandTailOf("\"/opt/my -setup/tavrel\" -list")), ShellAction::List);
  EXPECT_EQ(ChooseAction(CommandTailOf("/opt/x-test/tavrel")), ShellAction::Run);
}
