// sorrel: headless access to what the desktop program computes.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "core/common/Errors.h"
#include "core/common/Memory.h"

using namespace sorrel;
using namespace sorrel::cli;

namespace {

void PrintHelp() {
  std::printf("Usage: sorrel COMMAND [options] ARGS...\n\nCommands:\n");
  for (const auto& [name, cmd] : Commands())
    std::printf("  %-10s %s\n", name.c_str(), cmd.summary.c_str());
  std::printf(
      "\nsorrel COMMAND --help shows the options of a command.\n"
      "Exit status: 0 success, 1 the work failed, 2 wrong usage.\n");
}

}  // namespace

int main(int argc, char** argv) {
  TuneHeapForLargeSpectra();
  SetUi(&TheUi());
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp();
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp();
    return 0;
  }
  if (args[0] == "--version") {
    std::printf("sorrel 2.1.0\n");
    return 0;
  }
  auto it = Commands().find(args[0]);
  if (it == Commands().end()) {
    std::fprintf(stderr, "sorrel: unknown command '%s' (sorrel --help lists them)\n",
                 args[0].c_str());
    return 2;
  }
  std::vector<std::string> rest(args.begin() + 1, args.end());
  for (const auto& a : rest) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      std::printf("%s\n", it->second.usage.c_str());
      return 0;
    }
  }
  try {
    return it->second.run(rest);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "sorrel %s: %s\n%s\n", args[0].c_str(), e.what(),
                 it->second.usage.c_str());
    return 2;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "sorrel: out of memory\n");
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sorrel: %s\n", OneLine(e.what()).c_str());
    return 1;
  }
}
