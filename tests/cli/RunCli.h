#pragma once
// Runs the sorrel program and captures its exit status and output.
#include <string>
#include <vector>

namespace sorrel::test {

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `sorrel` with `args` (no shell involved); `stdinText` is fed to its
// standard input.
CliResult RunSorrel(const std::vector<std::string>& args, const std::string& stdinText = "");

}  // namespace sorrel::test
