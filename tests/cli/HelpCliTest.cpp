// The help of sorrel: one layout for every command, and every option a
// command declares listed in its help (held against the declarations the
// program itself parses with).
#include <gtest/gtest.h>

#include <sstream>

#include "RunCli.h"
#include "cli/Cli.h"
#include "core/common/TextFile.h"

using namespace sorrel::test;

namespace {

// The option names a help line begins with ("  -h,--help   ..." gives -h
// and --help).
std::vector<std::string> NamesOfLine(const std::string& line) {
  if (line.size() < 3 || line.compare(0, 2, "  ") != 0 || line[2] != '-') return {};
  std::string head = line.substr(2, line.find(' ', 2) - 2);
  std::vector<std::string> names;
  std::stringstream parts(head);
  for (std::string n; std::getline(parts, n, ',');)
    names.push_back(n);
  return names;
}

}  // namespace

TEST(CliHelp, EveryCommandListsEveryOptionItDeclares) {
  const auto& commands = sorrel::cli::Commands();
  ASSERT_GE(commands.size(), 7u);
  const std::string main = RunSorrel({"--help"}).out;
  for (const auto& [name, command] : commands) {
    SCOPED_TRACE(name);
    EXPECT_NE(main.find("\n  " + name + " "), std::string::npos) << main;
    EXPECT_NE(main.find(command.summary), std::string::npos);

    CliResult r = RunSorrel({name, "--help"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = sorrel::SplitLines(r.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "sorrel " + name + ": " + command.summary);
    EXPECT_EQ(lines[1].rfind("Usage: sorrel " + name + " [OPTIONS] ", 0), 0u) << lines[1];
    std::vector<std::string> listed;
    for (const std::string& line : lines)
      for (const std::string& n : NamesOfLine(line))
        listed.push_back(n);
    const auto declared = sorrel::cli::DeclaredArgs(command)->OptionNames();
    EXPECT_GE(declared.size(), 3u);  // --help and at least two of the command's own
    for (const std::string& option : declared)
      EXPECT_NE(std::find(listed.begin(), listed.end(), option), listed.end())
          << option << " is not in the help:\n"
          << r.out;
    // Nothing is listed that the command does not take.
    for (const std::string& option : listed)
      EXPECT_NE(std::find(declared.begin(), declared.end(), option), declared.end()) << option;
    // -h gives the same help.
    EXPECT_EQ(RunSorrel({name, "-h"}).out, r.out);
  }
}
