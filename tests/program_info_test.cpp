// The technician's questions: which command tails ask them, and the answers' shape.

#include "shell/program_info.h"
#include "shell/dispatch.h"
#include "platform/process/command_line.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

TEST(ChooseProgramInfo, OnlyTheWholeTailInItsExactSpellingAsks) {
  const struct {
    const char* commandLine;
    ProgramInfo info;
  } cases[] = {
      {"tavrel --help", ProgramInfo::Help},
      {"tavrel -h", ProgramInfo::Help},
      {"/usr/bin/tavrel --version", ProgramInfo::Version},
      {"\"/opt/my shop/tavrel\" -V", ProgramInfo::Version},
      {"tavrel", ProgramInfo::None},
      {"tavrel --HELP", ProgramInfo::None},
      {"tavrel -H", ProgramInfo::None},
      {"tavrel -v", ProgramInfo::None},
      {"tavrel -help", ProgramInfo::None},
      {"tavrel --help -RUN", ProgramInfo::None},
      {"tavrel -SETUP --version", ProgramInfo::None},
      {"tavrel \"--help \"", ProgramInfo::None},
      {"tavrel --help --help", ProgramInfo::None},
      {"tavrel --versions", ProgramInfo::None},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ChooseProgramInfo(CommandTailOf(c.commandLine)), c.info) << c.commandLine;
}

// The tails that are not questions keep the choice of action they always had.
TEST(ChooseProgramInfo, OtherTailsKeepTheirAction) {
  EXPECT_EQ(ChooseAction("--help -SETUP"), ShellAction::Setup);
  EXPECT_EQ(ChooseAction("-SETUP --version"), ShellAction::Setup);
  EXPECT_EQ(ChooseAction("--HELP"), ShellAction::Run);
  EXPECT_EQ(ChooseAction("-v"), ShellAction::Run);
}

// True for "tavrel " and a dotted version number (3.39, 4.0.1), ending in a new line.
static bool IsVersionLine(const std::string& text) {
  const std::string head = "tavrel ";
  if (text.rfind(head, 0) != 0 || text.size() < head.size() + 2 || text.back() != '\n')
    return false;
  const std::string number = text.substr(head.size(), text.size() - head.size() - 1);
  bool digitBefore = false;
  int dots = 0;
  for (char c : number) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      digitBefore = true;
    } else if (c == '.' && digitBefore) {
      digitBefore = false;
      ++dots;
    } else {
      return false;
    }
  }
  return digitBefore && dots > 0;
}

TEST(ProgramInfoText, VersionIsOneLineWithTheNumber) {
  for (const char* wrong : {"tavrel 3.39", "tavrel 3.\n", "tavrel .39\n", "tavrel 339\n",
                            "Tavrel 3.39\n", "tavrel 3.39 \n"})
    EXPECT_FALSE(IsVersionLine(wrong)) << wrong;
  EXPECT_TRUE(IsVersionLine(ProgramInfoText(ProgramInfo::Version)))
      << ProgramInfoText(ProgramInfo::Version);
  EXPECT_EQ(ProgramInfoText(ProgramInfo::None), "");
}

// The usage fits an 80-column terminal, names every option and ends in a new line.
TEST(ProgramInfoText, HelpFitsTheTerminalAndNamesEveryOption) {
  const std::string help = ProgramInfoText(ProgramInfo::Help);
  ASSERT_FALSE(help.empty());
  EXPECT_EQ(help.back(), '\n');
  EXPECT_EQ(help.rfind("Usage: tavrel", 0), 0u);
  std::istringstream lines(help);
  std::string line;
  while (std::getline(lines, line)) EXPECT_LE(line.size(), 80u) << line;
  for (const char* option :
       {"-RUN", "-SETUP", "-TEST", "-LIST", "-MENU", "-POSPRINT", "--help", "--version"})
    EXPECT_NE(help.find(option), std::string::npos) << option;
}
