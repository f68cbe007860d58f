// sorrel: headless access to what the desktop program computes.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/common/Errors.h"
#include "core/common/Memory.h"

using namespace sorrel;
using namespace sorrel::cli;

namespace {

std::string MainHelp() {
  std::string text =
      "sorrel: what the desktop program computes, without a window\n"
      "Usage: sorrel COMMAND [OPTIONS] ARGS...\n\nCommands:\n";
  for (const auto& [name, cmd] : Commands()) {
    std::string line = "  " + name;
    line.resize(std::max<size_t>(line.size() + 1, 14), ' ');
    text += line + cmd.summary + "\n";
  }
  text +=
      "\nsorrel COMMAND --help shows a command's options; sorrel --version its version.\n"
      "Exit status: 0 success, 1 the work failed, 2 wrong usage.\n";
  return text;
}

// A usage error: one line on standard error, exit status 2.
int Usage(const std::string& where, const std::string& what, const std::string& helpCommand) {
  std::fprintf(stderr, "%s: %s (see %s --help)\n", where.c_str(), OneLine(what).c_str(),
               helpCommand.c_str());
  return 2;
}

int Run(const std::vector<std::string>& words) {
  if (words.empty()) return Usage("sorrel", "a command is needed", "sorrel");
  const std::string& first = words[0];
  if (first == "--help" || first == "-h" || first == "help") {
    WriteStdout(MainHelp());
    return 0;
  }
  if (first == "--version") {
    WriteStdout("sorrel 2.1.0\n");
    return 0;
  }
  auto it = Commands().find(first);
  if (it == Commands().end()) {
    if (!first.empty() && first[0] == '-')
      return Usage("sorrel", "unknown option " + first, "sorrel");
    return Usage("sorrel", "unknown command '" + first + "'", "sorrel");
  }
  const Command& cmd = it->second;
  std::unique_ptr<Args> args = DeclaredArgs(cmd);
  try {
    args->Parse(std::vector<std::string>(words.begin() + 1, words.end()));
  } catch (const HelpRequested&) {
    WriteStdout(args->Help());
    return 0;
  }
  return cmd.run(*args);
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that stops reading (| head -1) ends the program quietly with
  // the usual status, even when the caller ignored the signal.
  std::signal(SIGPIPE, SIG_DFL);
  TuneHeapForLargeSpectra();
  SetUi(&TheUi());
  std::vector<std::string> words(argv + 1, argv + argc);
  const std::string command =
      !words.empty() && Commands().count(words[0]) ? "sorrel " + words[0] : "sorrel";
  int status = 1;
  try {
    status = Run(words);
  } catch (const UsageError& e) {
    status = Usage(command, e.what(), command);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "sorrel: out of memory\n");
    status = 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sorrel: %s\n", OneLine(e.what()).c_str());
    status = 1;
  }
  // What went to standard output must have arrived (a full disk, /dev/full).
  if (!CloseStdout() && status == 0) {
    std::fprintf(stderr, "sorrel: cannot write to standard output: %s\n", std::strerror(errno));
    status = 1;
  }
  return status;
}
