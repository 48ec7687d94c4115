// The velkor-tools command table: help asked for is an answer (standard
// output, status 0) and does nothing else; a wrong command is an error.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_files.h"
#include "support/tool_support.h"

namespace velkor::test {
namespace {

// What the command writes to standard output alone, or to standard error alone.
CommandResult ToolOutput(const std::string& arguments) {
  return RunCommand("{ " + Quote(ProgramPath("VELKOR_TOOLS")) + " " + arguments + " 2>/dev/null; }");
}
CommandResult ToolErrors(const std::string& arguments) {
  return RunCommand("{ " + Quote(ProgramPath("VELKOR_TOOLS")) + " " + arguments + " 2>&1 >/dev/null; }");
}

TEST(ToolCommandsTest, HelpIsAnAnswerAndAWrongCommandAnError) {
  const CommandResult help = ToolOutput("--help");
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"inspect", "make-data", "render", "icon", "contact-sheet"})
    EXPECT_NE(help.output.find(std::string("  ") + command + " "), std::string::npos) << command << "\n" << help.output;

  const CommandResult unknown = ToolErrors("bogus");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.output.find("unknown command 'bogus'"), std::string::npos) << unknown.output;
  EXPECT_EQ(ToolOutput("").status, 2) << "no command at all";
}

// "make-data --help" must not make a data set in a folder named --help.
TEST(ToolCommandsTest, ACommandsHelpWritesNothing) {
  TempDir dir;
  ScopedWorkingDirectory here(dir.path());
  for (const char* command : {"make-data", "inspect", "icon", "contact-sheet"}) {
    const CommandResult help = ToolOutput(std::string(command) + " --help");
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_NE(help.output.find(std::string("usage: velkor-tools ") + command), std::string::npos) << help.output;
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace velkor::test
